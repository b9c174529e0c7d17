// The line's store against a real PostgreSQL server of the test's own:
// what is refused at the door, the schema and its version, one station ID
// at a time, numbers unique across stations taking them at once, numbers
// seen on modules, and results that land once however often they are sent.
#include "PostgresServer.h"
#include "cli/station/NamePattern.h"
#include "cli/store/LineStore.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <algorithm>
#include <thread>

namespace {
NamePattern pattern(const char* text) {
    QString error;
    return *NamePattern::parse(QString::fromLatin1(text), error);
}

QJsonObject resultLine(const QString& station, const QString& port, qint64 serial,
                       const char* started) {
    return {{"event", "result"},   {"outcome", "pass"},      {"station", station},
            {"port", port},        {"serial", serial},       {"started", started},
            {"finished", started}, {"before", QJsonValue()}, {"written", QJsonArray{"name"}}};
}
} // namespace

class LineStoreTest : public QObject {
    Q_OBJECT

    PostgresServer server;
    int databases = 0;
    QString database; // a fresh one for each case

    std::unique_ptr<LineStore> open(const QString& station, QString* error = nullptr) {
        QString reason;
        auto store = LineStore::open(server.uri(database), station, reason);
        if (error)
            *error = reason;
        return store;
    }

    qint64 count(const QString& query) { return server.number(query, database); }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
    }

    void init() {
        database = QStringLiteral("line%1").arg(++databases);
        QVERIFY(server.sql(QStringLiteral("CREATE DATABASE %1").arg(database)));
    }

    void refusedAtTheDoor_data() {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("reason");
        QTest::newRow("bad URI") << "postgresql://127.0.0.1:port/x"
                                 << "invalid integer value \"port\"";
        QTest::newRow("refused password")
            << server.uri("postgres", "wrong") << "password authentication failed";
        QTest::newRow("no server there")
            << QStringLiteral("postgresql://127.0.0.1:1/x") << "Connection refused";
    }

    // Quickly, with libpq's reason, and the password never in it.
    void refusedAtTheDoor() {
        QFETCH(QString, uri);
        QFETCH(QString, reason);
        QElapsedTimer clock;
        clock.start();
        QString error;
        QVERIFY(!LineStore::open(uri, "s1", error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!error.contains(PostgresServer::password) && !error.contains("wrong"));
        QVERIFY(clock.elapsed() < 6000);
    }

    void schemaMadeOnceAndVersioned() {
        QVERIFY(open("s1"));
        QVERIFY(open("s2"));
        QCOMPARE(count("SELECT count(*) FROM parvex_schema"), 1);
        QCOMPARE(count("SELECT version FROM parvex_schema"), LineStore::schemaVersion);
        QVERIFY(server.sql("UPDATE parvex_schema SET version = 99", database));
        QString error;
        QVERIFY(!open("s3", &error));
        QVERIFY2(error.contains("version 99, newer than this program's 1"), qPrintable(error));
    }

    // The lock ends with the connection: a store closed (or a station
    // killed) frees its ID.
    void oneStationIdAtATime() {
        auto first = open("bench-1");
        QVERIFY(first);
        QString error;
        QVERIFY(!open("bench-1", &error));
        QCOMPARE(error, QStringLiteral("station bench-1 is running on this store already"));
        QVERIFY(open("bench-2"));
        first.reset();
        QVERIFY(open("bench-1"));
    }

    // Two stations take numbers at once, each on its own connection: every
    // number once, and none missing.
    void numbersUniqueAcrossStations() {
        constexpr int each = 60;
        const NamePattern units = pattern("U-####");
        QList<qint64> taken[2];
        QString failures[2];
        auto take = [&](int station) {
            QString error;
            auto store =
                LineStore::open(server.uri(database), QStringLiteral("s%1").arg(station), error);
            for (int i = 0; store && i < each; ++i) {
                const LineStore::Taken number = store->reserve(units, 1, "COM1");
                if (!number.serial) {
                    failures[station] = number.error;
                    return;
                }
                taken[station] << *number.serial;
            }
            if (!store)
                failures[station] = error;
        };
        std::thread a(take, 0);
        std::thread b(take, 1);
        a.join();
        b.join();
        QVERIFY2(failures[0].isEmpty() && failures[1].isEmpty(),
                 qPrintable(failures[0] + failures[1]));
        QList<qint64> all = taken[0] + taken[1];
        std::sort(all.begin(), all.end());
        QCOMPARE(all.size(), 2 * each);
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all[i], i + 1);
        QCOMPARE(count("SELECT count(DISTINCT serial) FROM parvex_reservations"), 2 * each);
    }

    // A number seen on a module raises the counter past it; --first raises
    // it, never lowers it; the pattern's last number is the last.
    void numbersSeenAndFirst() {
        auto store = open("s1");
        QVERIFY(store);
        const NamePattern units = pattern("U-##");
        QVERIFY(store->spend(units, 42, "U-42", "COM1").isEmpty());
        QCOMPARE(store->reserve(units, 1, "COM1").serial.value_or(0), 43);
        QCOMPARE(store->reserve(units, 90, "COM1").serial.value_or(0), 90);
        QCOMPARE(store->reserve(units, 1, "COM1").serial.value_or(0), 91);
        QVERIFY(store->spend(units, 50, "U-50", "COM2").isEmpty());
        QCOMPARE(store->reserve(units, 1, "COM1").serial.value_or(0), 92);
        QCOMPARE(store->reserve(units, 99, "COM1").serial.value_or(0), 99);
        const LineStore::Taken none = store->reserve(units, 1, "COM1");
        QVERIFY(!none.serial);
        QCOMPARE(none.error, QStringLiteral("no number left: U-## holds none above 99"));
        QCOMPARE(count("SELECT count(*) FROM parvex_seen"), 2);
    }

    // A result sent again after a lost connection lands once; what a
    // station reserved and settled neither way is unsettled.
    void resultsLandOnce() {
        auto store = open("s1");
        QVERIFY(store);
        const NamePattern units = pattern("U-####");
        for (int i = 0; i < 3; ++i)
            QVERIFY(store->reserve(units, 1, "COM1").serial);
        const QJsonObject first = resultLine("s1", "COM1", 1, "2026-12-08T10:00:00.125+01:00");
        QVERIFY(store->upload(first, units.text()).isEmpty());
        QVERIFY(store->upload(first, units.text()).isEmpty());
        QVERIFY(store->voidNumber(units, 2).isEmpty());
        QString error;
        QCOMPARE(store->unsettled(units, error), QList<qint64>{3});

        // The server ends the connection in the middle of the run.
        QVERIFY(server.sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                           "WHERE application_name = '' AND datname = current_database() "
                           "AND pid <> pg_backend_pid()",
                           database));
        const QJsonObject third = resultLine("s1", "COM1", 3, "2026-12-08T10:01:00.500+01:00");
        QVERIFY(!store->upload(third, units.text()).isEmpty());
        QVERIFY(!store->alive());
        store = open("s1");
        QVERIFY(store);
        QVERIFY(store->upload(third, units.text()).isEmpty());
        QVERIFY(store->upload(first, units.text()).isEmpty());
        QCOMPARE(count("SELECT count(*) FROM parvex_results"), 2);
        QCOMPARE(store->unsettled(units, error), QList<qint64>{});
        // What a restart sends of its journal: the store knows a start by
        // its instant, whatever zone wrote it.
        const QList<QJsonObject> journal{
            resultLine("s1", "COM1", 1, "2026-12-08T09:00:00.125Z"),
            resultLine("s1", "COM2", 2, "2026-12-08T10:00:00.125+01:00"),
            resultLine("s1", "COM1", 3, "2026-12-08T10:01:00.500+01:00"),
            resultLine("s2", "COM1", 4, "2026-12-08T10:01:00.500+01:00")};
        QCOMPARE(store->lacking(journal, error), (QList<int>{1, 3}));
        QVERIFY(error.isEmpty());
        // The line's fields in columns of their own.
        QCOMPARE(count("SELECT count(*) FROM parvex_results WHERE serial = 3 AND outcome = 'pass' "
                       "AND written = '[\"name\"]'::jsonb AND pattern = 'U-####'"),
                 1);
    }

    void cleanupTestCase() { QVERIFY(server.stop()); }
};

QTEST_GUILESS_MAIN(LineStoreTest)
#include "line_store_test.moc"
