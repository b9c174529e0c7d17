#include "protocol/Parameters.h"

#include "protocol/BaudCodes.h"
#include "protocol/HexText.h"

namespace {
using namespace Parameters;

constexpr int hexWordDigits = 4;
constexpr int classOfDeviceDigits = 6;
constexpr int classOfDeviceLength = 3;

// One row a kind, naming only what that kind uses; plain kinds need no more
// than their key, type and factory value.
Parameter plain(const char* key, Frames::CommandType type, Kind kind, const char* factory) {
    return {key, type, kind, factory};
}

Parameter switched(const char* key, Frames::CommandType type, const char* on, const char* off,
                   const char* factory) {
    return {key, type, Kind::Switch, factory, on, off};
}

Parameter text(const char* key, Frames::CommandType type, int maxChars, const char* factory) {
    return {key, type, Kind::Text, factory, nullptr, nullptr, maxChars};
}

Parameter words(const char* key, Frames::CommandType type, std::vector<const char*> names,
                const char* form, const char* factory) {
    return {key, type, Kind::HexWords, factory, nullptr, nullptr, 0, std::move(names), form};
}

bool isPrintableAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

QString canonicalWord(const QString& word) {
    return word.toUpper().rightJustified(hexWordDigits, QLatin1Char('0'));
}

Checked refused(const QString& rule) {
    return {std::nullopt, rule};
}

Checked checkRate(const QString& text) {
    if (BaudCodes::lineRates().contains(text))
        return {text, {}};
    return refused(QStringLiteral("%1 is not a rate the module takes (%2)")
                       .arg(text, BaudCodes::lineRates().join(QStringLiteral(", "))));
}

Checked checkSwitch(const Parameter& parameter, const QString& text) {
    const QString word = text.toLower();
    const QString on = QString::fromLatin1(parameter.on);
    const QString off = QString::fromLatin1(parameter.off);
    if (word == on || (parameter.isOnOff() && word == QLatin1String("true")))
        return {on, {}};
    if (word == off || (parameter.isOnOff() && word == QLatin1String("false")))
        return {off, {}};
    return refused(QStringLiteral("must be %1 or %2").arg(on, off));
}

Checked checkText(const Parameter& parameter, const QString& text) {
    if (parameter.type == Frames::Password && isBlankPassword(text))
        return refused(blankPasswordRule());
    if (text.isEmpty() || text.size() > parameter.maxChars)
        return refused(QStringLiteral("must be 1 to %1 characters, not %2")
                           .arg(parameter.maxChars)
                           .arg(text.size()));
    if (!isPrintableAscii(text))
        return refused(QStringLiteral("must be printable ASCII characters"));
    return {text, {}};
}

Checked checkHexWords(const Parameter& parameter, const QString& text) {
    const QStringList words = text.split(QLatin1Char(','));
    if (words.size() != static_cast<qsizetype>(parameter.wordNames.size()))
        return refused(QStringLiteral("must be %1 hexadecimal words: %2")
                           .arg(parameter.wordNames.size())
                           .arg(QString::fromLatin1(parameter.wordsForm)));
    QStringList canonical;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString word = words[i].trimmed();
        if (!isHexWord(word))
            return refused(hexWordRule(parameter.wordNames[static_cast<size_t>(i)]));
        canonical << canonicalWord(word);
    }
    if (parameter.type == Frames::ScanParameters)
        for (const ScanWindowRule& rule : scanWindowRules())
            if (!scanWindowFits(canonical[rule.interval], canonical[rule.window]))
                return refused(QString::fromLatin1(rule.message));
    return {canonical.join(QLatin1Char(',')), {}};
}

Checked checkClassOfDevice(const QString& text) {
    if (text.isEmpty() || text.size() > classOfDeviceDigits ||
        !isClassOfDevice(paddedClassOfDevice(text)))
        return refused(QStringLiteral("must be 1 to 6 hexadecimal digits"));
    return {paddedClassOfDevice(text).toUpper(), {}};
}
} // namespace

namespace Parameters {
bool Parameter::isOnOff() const {
    return kind == Kind::Switch && QLatin1String(on) == QLatin1String("on");
}

const std::vector<Parameter>& all() {
    static const std::vector<Parameter> parameters{
        plain("version", Frames::FirmwareVersion, Kind::Version, nullptr),
        plain("baud", Frames::BaudRate, Kind::Rate, "9600"),
        switched("security", Frames::Security, "on", "off", "on"),
        text("password", Frames::Password, 8, "5807"),
        words("sniff", Frames::SniffMode,
              {"Sniff Maximum", "Sniff Minimum", "Sniff attempt", "Sniff timeout"},
              "max,min,attempt,timeout", "0000,0000,0000,0000"),
        words("park", Frames::ParkMode, {"Park Maximum", "Park Minimum"}, "max,min", "0000,0000"),
        text("name", Frames::DeviceName, 14, "KAVRO5190"),
        plain("class", Frames::ClassOfDevice, Kind::ClassOfDevice, "000000"),
        switched("role", Frames::MasterSlave, "master", "slave", "slave"),
        plain("connections", Frames::MaximumConnections, Kind::Count, "1"),
        words("scan", Frames::ScanParameters,
              {"Page Scan interval", "Page Scan window", "Inquiry Scan interval",
               "Inquiry Scan window"},
              "page_interval,page_window,inquiry_interval,inquiry_window", "0400,0200,0400,0200"),
        switched("bind", Frames::Bind, "on", "off", "on"),
    };
    return parameters;
}

const Parameter* byKey(const QString& key) {
    for (const Parameter& parameter : all())
        if (key == QLatin1String(parameter.key))
            return &parameter;
    return nullptr;
}

const Parameter& byType(Frames::CommandType type) {
    for (const Parameter& parameter : all())
        if (parameter.type == type)
            return parameter;
    return all().front();
}

QString keyList(bool writableOnly) {
    QStringList keys;
    for (const Parameter& parameter : all())
        if (parameter.writable() || !writableOnly)
            keys << QString::fromLatin1(parameter.key);
    return keys.join(QStringLiteral(", "));
}

Checked check(const Parameter& parameter, const QString& text) {
    switch (parameter.kind) {
    case Kind::Rate:
        return checkRate(text);
    case Kind::Switch:
        return checkSwitch(parameter, text);
    case Kind::Text:
        return checkText(parameter, text);
    case Kind::HexWords:
        return checkHexWords(parameter, text);
    case Kind::ClassOfDevice:
        return checkClassOfDevice(text);
    case Kind::Version:
    case Kind::Count:
        break;
    }
    return refused(QStringLiteral("is read only"));
}

QByteArray encode(const Parameter& parameter, const QString& value) {
    switch (parameter.kind) {
    case Kind::Rate:
        return rateBytes(value).value_or(QByteArray(2, '\0'));
    case Kind::Switch:
        return switchBytes(value == QLatin1String(parameter.on));
    case Kind::Text:
        return textBytes(value);
    case Kind::HexWords:
        return hexWordBytes(value.split(QLatin1Char(',')));
    case Kind::ClassOfDevice:
        return classOfDeviceBytes(value);
    case Kind::Version:
    case Kind::Count:
        break;
    }
    return {};
}

std::optional<QString> decode(const Parameter& parameter, const QByteArray& data) {
    switch (parameter.kind) {
    case Kind::Version:
        return versionOf(data);
    case Kind::Rate:
        return rateOf(data);
    case Kind::Switch:
        if (const auto on = switchOf(data))
            return QString::fromLatin1(*on ? parameter.on : parameter.off);
        return std::nullopt;
    case Kind::Text:
        return textOf(data);
    case Kind::HexWords:
        if (const auto words = hexWordsOf(data, static_cast<qsizetype>(parameter.wordNames.size())))
            return words->join(QLatin1Char(','));
        return std::nullopt;
    case Kind::ClassOfDevice:
        return classOfDeviceOf(data);
    case Kind::Count:
        return countOf(data);
    }
    return std::nullopt;
}

QByteArray switchBytes(bool on) {
    return QByteArray(1, on ? '\1' : '\0');
}

std::optional<bool> switchOf(const QByteArray& data) {
    if (data.size() != 1 || static_cast<uint8_t>(data[0]) > 1)
        return std::nullopt;
    return data[0] == '\1';
}

QByteArray textBytes(const QString& text) {
    return text.toLatin1();
}

std::optional<QString> textOf(const QByteArray& data) {
    if (data.isEmpty())
        return std::nullopt;
    const qsizetype zero = data.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? data : data.left(zero));
}

bool isHexWord(const QString& text) {
    QByteArray scratch;
    return !text.isEmpty() && text.size() <= hexWordDigits && StrHexToHex(text, scratch);
}

QString hexWordRule(const char* wordName) {
    return QString::fromLatin1(wordName) + QStringLiteral(" must be 1 to 4 hexadecimal digits!");
}

QByteArray hexWordBytes(const QStringList& words) {
    QByteArray bytes;
    QByteArray word;
    for (const QString& text : words) {
        word.clear();
        StrHexToHex(text.rightJustified(hexWordDigits, QLatin1Char('0')), word);
        bytes.append(word.leftJustified(2, '\0', true));
    }
    return bytes;
}

std::optional<QStringList> hexWordsOf(const QByteArray& data, qsizetype count) {
    if (data.size() != count * 2)
        return std::nullopt;
    QStringList words;
    for (qsizetype offset = 0; offset < data.size(); offset += 2) {
        QString text;
        HexToStrHex(data.mid(offset, 2), text);
        words << text;
    }
    return words;
}

QString paddedClassOfDevice(const QString& text) {
    return text.rightJustified(classOfDeviceDigits, QLatin1Char('0'));
}

bool isClassOfDevice(const QString& text) {
    QByteArray scratch;
    return text.size() == classOfDeviceDigits && StrHexToHex(text, scratch);
}

QString classOfDeviceRule() {
    return QStringLiteral("Class of Device must be 6 hexadecimal digits!");
}

QByteArray classOfDeviceBytes(const QString& text) {
    QByteArray bytes;
    StrHexToHex(text, bytes);
    return bytes;
}

std::optional<QString> classOfDeviceOf(const QByteArray& data) {
    if (data.size() != classOfDeviceLength)
        return std::nullopt;
    QString text;
    HexToStrHex(data, text);
    return text;
}

std::optional<QByteArray> rateBytes(const QString& row) {
    const auto code = BaudCodes::codeOfText(row);
    if (!code)
        return std::nullopt;
    QByteArray bytes(2, '\0');
    bytes[0] = static_cast<char>(*code >> 8);
    bytes[1] = static_cast<char>(*code & 0xFF);
    return bytes;
}

std::optional<QString> rateOf(const QByteArray& data) {
    if (data.size() != 2)
        return std::nullopt;
    return BaudCodes::textOfCode(
        static_cast<uint16_t>(static_cast<uint8_t>(data[0]) * 256 + static_cast<uint8_t>(data[1])));
}

std::optional<QString> versionOf(const QByteArray& data) {
    if (data.size() != 2)
        return std::nullopt;
    return QStringLiteral("%1.%2")
        .arg(int(static_cast<uint8_t>(data[0])))
        .arg(int(static_cast<uint8_t>(data[1])));
}

std::optional<QString> countOf(const QByteArray& data) {
    if (data.size() != 1)
        return std::nullopt;
    return QString::number(static_cast<uint8_t>(data[0]));
}

bool isBlankPassword(const QString& text) {
    return text.trimmed().isEmpty();
}

QString blankPasswordRule() {
    return QStringLiteral("Please input the password！");
}

const std::vector<ScanWindowRule>& scanWindowRules() {
    static const std::vector<ScanWindowRule> rules{
        {0, 1, "Page Scan window can not be larger than Page Scan interval!"},
        {2, 3, "Inquiry Scan window can not be larger than Inquiry Scan interval!"},
    };
    return rules;
}

bool scanWindowFits(const QString& interval, const QString& window) {
    // Compared as unsigned 16-bit numbers; a text that is no number counts
    // as 0.
    auto value = [](const QString& text) {
        return static_cast<uint16_t>(text.toUInt(nullptr, 16));
    };
    return value(window) <= value(interval);
}

QByteArray clearBoundAddressBytes() {
    return QByteArray(1, '\0');
}
} // namespace Parameters
