// A screenshot of the station's board in the middle of a real run: four
// fixtures of virtual modules, one module that passes, one that fails, one
// already provisioned and one still in its cycle, on the offscreen platform.
#include "StationWindow.h"
#include "VirtualModuleProcess.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
// What each fixture holds, as the virtual module's arguments.
const char* const fixtures[] = {
    "--name FRESH-1",
    "--name FRESH-2 --refuse 8",
    "--name Bench-0007",
    "--name FRESH-4 --latency 1500",
};

bool shows(StationBoard& board, int tile, const char* start) {
    return board.tile(tile)->verdictText().startsWith(QLatin1String(start));
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("station-board.png");
    QTemporaryDir dir;
    std::vector<std::unique_ptr<VirtualModuleProcess>> modules;
    QStringList options{dir.filePath("profile.json")};
    QFile profile(options.first());
    if (!profile.open(QIODevice::WriteOnly) ||
        profile.write(R"({"password": "5807"})") < 0)
        return 1;
    profile.close();
    for (int i = 0; i < 4; ++i) {
        const QString fixture = dir.filePath(QStringLiteral("fixture%1").arg(i));
        QFile file(fixture);
        if (!file.open(QIODevice::WriteOnly) || file.write(fixtures[i]) < 0)
            return 1;
        file.close();
        const QString link = dir.filePath(QStringLiteral("COM%1").arg(i + 3));
        modules.push_back(std::make_unique<VirtualModuleProcess>());
        if (!modules.back()->start(virtualModuleProgram(), link, {"--fixture", fixture})) {
            std::fprintf(stderr, "%s\n", qPrintable(modules.back()->errorText()));
            return 1;
        }
        options << "-p" << link;
    }
    options << "--record" << dir.filePath("record.jsonl") << "--name-pattern"
            << "Bench-####"
            << "--first"
            << "42"
            << "--rate"
            << "9600"
            << "--station"
            << "line-3";
    qputenv("PARVEX_STATION_NO_BOXES", "1");
    StationWindow window;
    if (!window.start(options))
        return 1;
    StationBoard& board = *window.board();
    const bool midRun = QTest::qWaitFor(
        [&] {
            return shows(board, 0, "PASS") && shows(board, 1, "FAIL") &&
                   shows(board, 2, "ALREADY") && !shows(board, 3, "PASS");
        },
        60000);
    if (!midRun) {
        for (int i = 0; i < 4; ++i)
            std::fprintf(stderr, "tile %d: %s\n", i, qPrintable(board.tile(i)->verdictText()));
        std::fprintf(stderr, "the board never showed the run's middle\n");
        return 1;
    }
    QTest::qWait(200);
    const bool saved = board.grab().save(output);
    std::printf("%s: %s\n", saved ? "saved" : "not saved", qPrintable(output));
    window.station()->stop();
    return saved ? 0 : 1;
}
