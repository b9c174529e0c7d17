// The product's window on the product's own platform and port rows: picks a
// row, presses Connect with the window's defaults (rate detection, Hardware
// flow control), waits for the read to complete and compares every field the
// window shows with the module's state line. Exits 0 when they all agree and
// no box was shown. Used to prove the Windows build under Wine, where the
// row is a COM port linked to the virtual module.
#include "EventLoopWait.h"
#include "ModuleState.h"
#include "WindowFields.h"
#include "link/Platform.h"
#include "ui/frmParvex.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QPushButton>
#include <cstdio>

namespace {
const QString queryComplete = QStringLiteral("Query complete！");
QElapsedTimer sinceStart;

void say(const QString& line) {
    std::printf("%8lld ms  %s\n", static_cast<long long>(sinceStart.elapsed()), qPrintable(line));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[]) {
    sinceStart.start();
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Connects the window on a port row and checks that it reads the module "
                       "whole."));
    options.addHelpOption();
    options.addOptions({
        {QStringLiteral("row"), QStringLiteral("The Port Num row."), QStringLiteral("COMn")},
        {QStringLiteral("expect"), QStringLiteral("The module's state line."),
         QStringLiteral("line")},
        {QStringLiteral("timeout"), QStringLiteral("How long the read may take."),
         QStringLiteral("ms"), QStringLiteral("60000")},
    });
    options.process(app);
    const FieldMap expected = parseModuleState(options.value(QStringLiteral("expect")));
    if (expected.isEmpty()) {
        std::fprintf(stderr, "give the module's state line with --expect\n");
        return 2;
    }

    int boxes = 0;
    Platform platform = productionPlatform(defaultPortNames());
    platform.messageBox = [&boxes](QWidget*, const BoxRequest& box) {
        ++boxes;
        say(QStringLiteral("message box [%1]: %2").arg(box.title, box.text));
        return box.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    };
    frmParvex window(std::move(platform));
    QObject::connect(&window, &frmParvex::statusShown,
                     [](const QString& text) { say(QStringLiteral("status: ") + text); });
    window.show();
    const QString row = options.value(QStringLiteral("row"));
    window.ComPortNum->setCurrentText(row);
    if (window.ComPortNum->currentText() != row) {
        std::fprintf(stderr, "no row %s in Port Num\n", qPrintable(row));
        return 2;
    }
    say(QStringLiteral("window shown; connecting on %1, %2")
            .arg(row,
                 window.ComPortNum->itemData(window.ComPortNum->currentIndex(), Qt::ToolTipRole)
                     .toString()));
    window.CmdConn->click();
    const bool read = waitUntil([&] { return shownStatus(window) == queryComplete || boxes > 0; },
                                options.value(QStringLiteral("timeout")).toInt());
    const QStringList differ =
        fieldDifferences(expected, QStringLiteral("module"), windowFields(window),
                         QStringLiteral("window"), parameterFieldKeys, FieldComparison::Value);
    for (const QString& difference : differ)
        say(QStringLiteral("differs: ") + difference);
    const bool whole = read && boxes == 0 && differ.isEmpty();
    say(whole ? QStringLiteral("the window read all %1 fields of the module on %2")
                    .arg(parameterFieldKeys.size())
                    .arg(row)
              : QStringLiteral("FAILED: the window did not read the module whole"));
    return whole ? 0 : 1;
}
