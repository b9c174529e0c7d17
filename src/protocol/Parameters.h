#pragma once

#include "protocol/Frames.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Every parameter of the module, in the order a read queries them: its key,
// how a value becomes the parameter bytes of its set command, how the data
// of its query answer becomes a value, and the rules a value must pass.
//
// A value in its canonical form is a text: a rate row ("9600"), a switch's
// word ("on", "off", "master", "slave"), a text as it travels, hexadecimal
// words of four uppercase digits joined by commas ("0320,0050,0008,0008"),
// the class of device as six uppercase digits, the firmware version
// "major.minor", the number of connections in decimal. Two values are equal
// exactly when their canonical texts are.
namespace Parameters {

enum class Kind { Version, Rate, Switch, Text, HexWords, ClassOfDevice, Count };

struct Parameter {
    const char* key;
    Frames::CommandType type;
    Kind kind;
    // What the module holds when it leaves the factory; the version has
    // none.
    const char* factory = nullptr;
    // Switch: the words for 1 and 0.
    const char* on = nullptr;
    const char* off = nullptr;
    // Text: the most characters the window lets the operator type.
    int maxChars = 0;
    // HexWords: each word's name in messages, and the form the words are
    // given in on a command line.
    std::vector<const char*> wordNames = {};
    const char* wordsForm = nullptr;

    // The version and the number of connections are only read.
    bool writable() const { return kind != Kind::Version && kind != Kind::Count; }
    // A switch whose words are "on" and "off" (not master and slave).
    bool isOnOff() const;
};

// All twelve, in read order.
const std::vector<Parameter>& all();
const Parameter* byKey(const QString& key);
const Parameter& byType(Frames::CommandType type);
// "baud, security, ..." for messages.
QString keyList(bool writableOnly);

// A value given from outside (a command line, a profile) in its canonical
// form, or the rule it breaks.
struct Checked {
    std::optional<QString> value;
    QString rule;
};
Checked check(const Parameter& parameter, const QString& text);

// The parameter bytes of the set command for a checked value.
QByteArray encode(const Parameter& parameter, const QString& value);
// The canonical value the data of a query answer holds; nothing for data of
// another length or form than the parameter's.
std::optional<QString> decode(const Parameter& parameter, const QByteArray& data);

// The pieces, for the window's own texts and controls.
QByteArray switchBytes(bool on);
std::optional<bool> switchOf(const QByteArray& data);
// Texts travel one byte a character (Latin-1; "?" for what it cannot hold)
// and end at a zero byte, if any; an answer carries at least one byte.
QByteArray textBytes(const QString& text);
std::optional<QString> textOf(const QByteArray& data);
// 16-bit words, most significant byte first, from one to four hexadecimal
// digits each ("320" gives 03 20).
bool isHexWord(const QString& text);
QString hexWordRule(const char* wordName);
QByteArray hexWordBytes(const QStringList& words);
std::optional<QStringList> hexWordsOf(const QByteArray& data, qsizetype count);
// The class of device: the field is padded with "0" to six characters, and
// then must be six hexadecimal digits.
QString paddedClassOfDevice(const QString& text);
bool isClassOfDevice(const QString& text);
QString classOfDeviceRule();
QByteArray classOfDeviceBytes(const QString& text);
std::optional<QString> classOfDeviceOf(const QByteArray& data);
// A rate row's code, most significant byte first; nothing for another text.
std::optional<QByteArray> rateBytes(const QString& row);
std::optional<QString> rateOf(const QByteArray& data);
std::optional<QString> versionOf(const QByteArray& data);
std::optional<QString> countOf(const QByteArray& data);

// A password of nothing but blanks is refused.
bool isBlankPassword(const QString& text);
QString blankPasswordRule();

// A scan window is no larger than its interval: the scan words at these
// positions, compared as numbers.
struct ScanWindowRule {
    int interval;
    int window;
    const char* message;
};
const std::vector<ScanWindowRule>& scanWindowRules();
bool scanWindowFits(const QString& interval, const QString& window);

// The parameter bytes of the command that makes the module forget the
// address it is bound to.
QByteArray clearBoundAddressBytes();
} // namespace Parameters
