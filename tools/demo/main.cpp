// The window on the virtual module: COM1 is wired to a simulated module on
// a pseudo-terminal, so the whole product runs without hardware. With
// --tour it runs the scripted tour and exits 0 only if every step happened.
#include "Tour.h"
#include "VirtualModuleProcess.h"
#include "WiredPlatform.h"
#include "link/Platform.h"
#include "ui/frmParvex.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("The window wired to the virtual module."));
    options.addHelpOption();
    options.addOption({QStringLiteral("tour"), QStringLiteral("Run the scripted tour and exit.")});
    options.addOption({QStringLiteral("screenshot"),
                       QStringLiteral("Where the tour saves its screenshot."),
                       QStringLiteral("path"), QStringLiteral("tour.png")});
    options.addOption({QStringLiteral("module-verbose"),
                       QStringLiteral("Print every frame the module receives and sends.")});
    const QCommandLineOption moduleArgument(
        QStringLiteral("module-arg"),
        QStringLiteral("Start the module with this option of its own (repeatable)."),
        QStringLiteral("option"));
    options.addOption(moduleArgument);
    options.process(app);

    QTemporaryDir linkDir;
    const QString linkPath = linkDir.filePath(QStringLiteral("COM1"));
    VirtualModuleProcess module;
    if (options.isSet(QStringLiteral("module-verbose")))
        QObject::connect(&module, &VirtualModuleProcess::lineRead, [](const QString& line) {
            std::printf("module: %s\n", qPrintable(line));
            std::fflush(stdout);
        });
    if (!module.start(virtualModuleProgram(), linkPath, options.values(moduleArgument))) {
        std::fprintf(stderr, "%s\n", qPrintable(module.errorText()));
        return 2;
    }

    Platform platform = platformWiredTo(linkPath);
    std::unique_ptr<Tour> tour;
    if (options.isSet(QStringLiteral("tour"))) {
        // Nobody is there to close a box: each one is reported and fails the tour.
        platform.messageBox = [&tour](QWidget*, const BoxRequest& box) {
            if (tour)
                tour->reportBox(box.title, box.text);
            return box.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
        };
    }
    frmParvex window(std::move(platform));

    if (!options.isSet(QStringLiteral("tour"))) {
        window.show();
        return app.exec();
    }
    tour = std::make_unique<Tour>(window, module, options.value(QStringLiteral("screenshot")));
    const bool passed = tour->run();
    std::printf("tour %s\n", passed ? "passed" : "FAILED");
    module.stop();
    return passed ? 0 : 1;
}
