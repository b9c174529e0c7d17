#pragma once

// Shared by the window tests: the bodies the module sends, what a control
// shows, and a module with known settings that answers a whole read.
#include "FakePlatform.h"
#include "ui/TypingLimit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPair>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QTimer>

// The typing limit of a box, or -1 when it has none.
inline int typingLimitOf(const QLineEdit* box) {
    const auto* limit = qobject_cast<const TypingLimit*>(box->validator());
    return limit ? limit->limit() : -1;
}

// The answer to a query: marker, status, query marker, type, data.
inline QByteArray queryAnswer(int type, const QByteArray& data = {}, int state = 0) {
    return bytes({0x60, state, 0x50, type}) + data;
}

// The answer to a set command: marker, status, command type.
inline QByteArray setAnswer(int kind, int state = 0) {
    return bytes({0x60, state, kind});
}

inline QByteArray queryFrame(int type) {
    return bytes({0x55, 0xAA, 0x02, 0x50, type});
}

inline QByteArray setFrame(int type, const QByteArray& param) {
    return frameOf(bytes({type}) + param);
}

// The command type of a set frame, or the queried type of a query frame.
inline int typeOfFrame(const QByteArray& frame) {
    const bool query = frame.size() >= 5 && static_cast<uint8_t>(frame[3]) == 0x50;
    return static_cast<uint8_t>(frame[query ? 4 : 3]);
}

// What a control shows: the text of a box or label, the selected row of a
// list, "checked" or "unchecked" for a check box.
inline QString shownValue(const frmParvex& window, const QString& control) {
    QObject* found = window.findChild<QObject*>(control);
    if (auto* box = qobject_cast<QLineEdit*>(found))
        return box->text();
    if (auto* list = qobject_cast<QComboBox*>(found))
        return list->currentText();
    if (auto* check = qobject_cast<QCheckBox*>(found))
        return check->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    if (auto* label = qobject_cast<QLabel*>(found))
        return label->text();
    return QStringLiteral("<no control %1>").arg(control);
}

// Makes a control show a value, as the operator would: the text of a box,
// the row of a list with that text, "checked" or "unchecked" for a check box.
inline void setShownValue(frmParvex& window, const QString& control, const QString& value) {
    QObject* found = window.findChild<QObject*>(control);
    if (auto* box = qobject_cast<QLineEdit*>(found))
        box->setText(value);
    else if (auto* list = qobject_cast<QComboBox*>(found))
        list->setCurrentText(value);
    else if (auto* check = qobject_cast<QCheckBox*>(found))
        check->setChecked(value == QLatin1String("checked"));
    else
        qFatal("no control %s", qPrintable(control));
}

inline void setShownValues(frmParvex& window, const QStringList& controls,
                           const QStringList& values) {
    for (qsizetype i = 0; i < controls.size(); ++i)
        setShownValue(window, controls[i], values[i]);
}

// The parameter controls, in the order the known module's values list them.
inline QStringList parameterControls() {
    return {QStringLiteral("version"),
            QStringLiteral("paramBaudRate"),
            QStringLiteral("IsAuth"),
            QStringLiteral("txtPwd"),
            QStringLiteral("txtSniffMaxIntval"),
            QStringLiteral("txtSniffMinIntval"),
            QStringLiteral("txtAttempt"),
            QStringLiteral("txtTimeout"),
            QStringLiteral("txtParkMaxIntval"),
            QStringLiteral("txtParkMinIntval"),
            QStringLiteral("txtBDName"),
            QStringLiteral("txtClassOfDevice"),
            QStringLiteral("IsMaster"),
            QStringLiteral("txtMaxConnNum"),
            QStringLiteral("txtPsInterval"),
            QStringLiteral("txtPsWindow"),
            QStringLiteral("txtIsInterval"),
            QStringLiteral("txtIsWindow"),
            QStringLiteral("chkIsBind")};
}

inline QStringList shownValues(const frmParvex& window, const QStringList& controls) {
    QStringList values;
    for (const QString& control : controls)
        values << shownValue(window, control);
    return values;
}

struct ReadAnswer {
    int type;
    QByteArray data;
};

// A module whose settings differ from the factory values in every field, as
// its answers to the twelve queries of a read carry them, in the order asked.
inline QList<ReadAnswer> knownModuleAnswers() {
    return {{0, bytes({2, 10})},
            {1, bytes({0x00, 0x27})},
            {2, bytes({1})},
            {3, QByteArray("1234")},
            {4, bytes({0x03, 0x20, 0x00, 0x50, 0x00, 0x08, 0x00, 0x08})},
            {5, bytes({0x08, 0x00, 0x01, 0x00})},
            {6, QByteArray("Module-A")},
            {7, bytes({0x00, 0x1F, 0x00})},
            {8, bytes({0})},
            {9, bytes({7})},
            {13, bytes({0x04, 0x00, 0x02, 0x00, 0x08, 0x00, 0x01, 0x00})},
            {14, bytes({1})}};
}

// The same settings as the window shows them, control by control
// (parameterControls() order).
inline QStringList knownModuleShown() {
    return {QStringLiteral("(Firmware Version 2.10)"),
            QStringLiteral("9600"),
            QStringLiteral("checked"),
            QStringLiteral("1234"),
            QStringLiteral("0320"),
            QStringLiteral("0050"),
            QStringLiteral("0008"),
            QStringLiteral("0008"),
            QStringLiteral("0800"),
            QStringLiteral("0100"),
            QStringLiteral("Module-A"),
            QStringLiteral("001F00"),
            QStringLiteral("unchecked"),
            QStringLiteral("7"),
            QStringLiteral("0400"),
            QStringLiteral("0200"),
            QStringLiteral("0800"),
            QStringLiteral("0100"),
            QStringLiteral("checked")};
}

// Answers, one read at a time, the queries of the read the window started.
inline void answerRead(WindowUnderTest& w, const QList<ReadAnswer>& answers = knownModuleAnswers(),
                       int state = 0) {
    for (const ReadAnswer& a : answers)
        w.answer(queryAnswer(a.type, a.data, state));
}

// Starts the retry clock as the window itself does, by clearing the bound
// address; the frame and the pause are forgotten.
inline void startRetryClockByClearing(WindowUnderTest& w) {
    w->CmdClearAddr_Click();
    w.port->written.clear();
    w.clock.pauses.clear();
}

// Connects with detection off and reads the known module; the frames and
// pauses of the read are forgotten, so a test sees only what follows.
inline void readKnownModule(WindowUnderTest& w) {
    w.connectWithoutDetection();
    answerRead(w);
    w.port->written.clear();
    w.clock.pauses.clear();
    w.boxes.shown.clear();
}
