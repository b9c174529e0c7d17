#include "FakePlatform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTimer>

void WindowUnderTest::connectWithoutDetection(const QString& rate) {
    window->bAutoDetect->setChecked(false);
    window->bAutoDetect_Click();
    window->ConnBaudRate->setCurrentText(rate);
    window->CmdConn_Click();
}

void WindowUnderTest::answer(const QByteArray& body) {
    port->receive(frameOf(body));
    window->RecvDataSub();
}

void WindowUnderTest::readUntilQuiet() {
    for (int read = 0; read < 50 && port->InBufferCount() > 0; ++read)
        window->RecvDataSub();
}

QString WindowUnderTest::status() const {
    const QString text = window->Status->text();
    return text.startsWith(QStringLiteral("    ")) ? text.mid(4) : text;
}
