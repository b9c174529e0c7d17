// The guard preloaded into Wine, on its own: a thread's _exit(0) ends the
// process only once the main thread has ended. Each case runs this program
// again, with the guard preloaded, in one of the modes below.
#include <QProcess>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <string_view>
#include <unistd.h>

namespace {
int threadStatus = 0;

void* endSoon(void*) {
    usleep(50000);
    _exit(threadStatus);
}

// "running": the main thread outlives the thread's _exit and ends with 3.
// "ended": the main thread has ended before it.
[[noreturn]] void runMode(const char* mode, int status) {
    threadStatus = status;
    pthread_t thread;
    pthread_create(&thread, nullptr, endSoon, nullptr);
    if (std::string_view(mode) == "ended")
        pthread_exit(nullptr);
    usleep(300000);
    std::puts("main ended the process");
    std::exit(3);
}
} // namespace

class ThreadEndGuard : public QObject {
    Q_OBJECT
private slots:
    void endsTheProcessOnlyAsTheMainThreadDoes_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("threadStatus");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("main thread running")
            << "running" << 0 << 3 << QByteArray("main ended the process\n");
        QTest::newRow("main thread ended") << "ended" << 0 << 0 << QByteArray();
        QTest::newRow("another status") << "running" << 5 << 5 << QByteArray();
    }

    void endsTheProcessOnlyAsTheMainThreadDoes() {
        QFETCH(QString, mode);
        QFETCH(int, threadStatus);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_PRELOAD", THREAD_END_GUARD);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {mode, QString::number(threadStatus)});
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), exitCode);
        QCOMPARE(child.readAllStandardOutput(), out);
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 &&
        (std::string_view(argv[1]) == "running" || std::string_view(argv[1]) == "ended"))
        runMode(argv[1], std::atoi(argv[2]));
    QCoreApplication app(argc, argv);
    ThreadEndGuard test;
    return QTest::qExec(&test, argc, argv);
}

#include "thread_end_guard_test.moc"
