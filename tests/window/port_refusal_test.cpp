// The reason an operator reads when the system refuses to open a port.
#include "link/PortRefusal.h"

#include <QScopeGuard>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(PortRefusal)
Q_DECLARE_METATYPE(PortRefusal::Cause)
Q_DECLARE_METATYPE(PortSystem)

class PortRefusalTest : public QObject {
    Q_OBJECT
private slots:
    void reasonSaysWhatToDo_data();
    void reasonSaysWhatToDo();
    void lockOfAnEndedProcessToldFromAHeldOne_data();
    void lockOfAnEndedProcessToldFromAHeldOne();
};

void PortRefusalTest::reasonSaysWhatToDo_data() {
    using Cause = PortRefusal::Cause;
    QTest::addColumn<PortRefusal>("refusal");
    QTest::addColumn<QStringList>("told");
    QTest::newRow("no access") << PortRefusal{Cause::AccessDenied, 0, {}, {}}
                               << QStringList{"Permission denied", "dialout",
                                              "sudo adduser $USER dialout", "log out and log in"};
    QTest::newRow("held by a program the lock file names")
        << PortRefusal{Cause::InUse, 4242, "parvex", {}}
        << QStringList{"in use by parvex (process 4242)", "choose another Port Num"};
    QTest::newRow("held by a process whose program is unknown")
        << PortRefusal{Cause::InUse, 4242, {}, {}} << QStringList{"in use by process 4242"};
    QTest::newRow("held without a lock file")
        << PortRefusal{Cause::InUse, 0, {}, {}}
        << QStringList{"in use by another program (or another window of this one)"};
    QTest::newRow("lock file of an ended process")
        << PortRefusal{Cause::StaleLock, 4242, {}, "/var/lock/LCK..ttyUSB0"}
        << QStringList{"/var/lock/LCK..ttyUSB0", "process 4242, which has ended",
                       "Remove that file"};
    QTest::newRow("cause unknown: the system's text")
        << PortRefusal{} << QStringList{"Permission error while locking the device"};
}

void PortRefusalTest::reasonSaysWhatToDo() {
    QFETCH(PortRefusal, refusal);
    QFETCH(QStringList, told);
    const QString reason =
        refusalReason(refusal, QStringLiteral("Permission error while locking the device"));
    for (const QString& part : told)
        QVERIFY2(reason.contains(part), qPrintable(reason));
    // The system's text sends the operator after the wrong fix once the cause is known.
    if (refusal.cause != PortRefusal::Cause::Unknown)
        QVERIFY2(!reason.contains(QLatin1String("locking")), qPrintable(reason));
}

void PortRefusalTest::lockOfAnEndedProcessToldFromAHeldOne_data() {
    QTest::addColumn<bool>("ended");
    QTest::addColumn<PortSystem>("system");
    QTest::addColumn<PortRefusal::Cause>("cause");
    QTest::newRow("held by a running process")
        << false << PortSystem::Unix << PortRefusal::Cause::InUse;
    QTest::newRow("left by an ended process")
        << true << PortSystem::Unix << PortRefusal::Cause::StaleLock;
    // Windows refuses a port another program holds; a lock file means nothing there.
    QTest::newRow("Windows: held, whatever a lock file says")
        << true << PortSystem::Windows << PortRefusal::Cause::InUse;
}

void PortRefusalTest::lockOfAnEndedProcessToldFromAHeldOne() {
    QFETCH(bool, ended);
    QFETCH(PortSystem, system);
    QFETCH(PortRefusal::Cause, cause);
    // No such device: only its lock file speaks.
    const QString device = QStringLiteral("/dev/refusal-test-%1").arg(::getpid());
    const QString lockFile = portLockFile(device);
    QVERIFY(!lockFile.isEmpty());
    const bool onUnix = system == PortSystem::Unix;
    QCOMPARE(portLockFile(device, system).isEmpty(), !onUnix);
    qint64 holder = ::getpid();
    if (ended) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        QCOMPARE(::waitpid(child, nullptr, 0), child);
        holder = child;
    }
    const auto removeLock = qScopeGuard([&] { QFile::remove(lockFile); });
    QFile lock(lockFile);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    QVERIFY(lock.write(QStringLiteral("%1\n").arg(holder, 10).toLatin1()) > 0);
    lock.close();

    const PortRefusal refusal = explainRefusal(device, system);

    QCOMPARE(refusal.cause, cause);
    QCOMPARE(refusal.holderPid, onUnix ? holder : 0);
    QCOMPARE(refusal.lockFile, cause == PortRefusal::Cause::StaleLock ? lockFile : QString());
    if (!onUnix) {
        const QString reason = refusalReason(refusal, QStringLiteral("Access is denied."));
        QVERIFY2(reason.startsWith(QLatin1String("The port is in use by another program")) &&
                     !reason.contains(QLatin1String("lock")) &&
                     !reason.contains(QLatin1String("dialout")),
                 qPrintable(reason));
    }
}

QTEST_APPLESS_MAIN(PortRefusalTest)
#include "port_refusal_test.moc"
