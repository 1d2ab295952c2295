// The store's fast paths on SQLite: text written straight to a statement is stored exactly as through Qt's
// binding and fails with the same reason, is read back as Qt's driver reads it, and times are written as Qt
// writes them; kept statements read their rows, are reset afterwards, and keep no statement that failed to
// prepare; the write-ahead log is copied back beside the commits.
#include "store/BackgroundCheckpoints.h"
#include "store/SqliteStatement.h"
#include "store/SqlRun.h"
#include "store/StatementCache.h"
#include "store/TextWrite.h"

#include <QSqlError>
#include <QtTest>

class TestStoreStatements : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("statements"));
        m_db.setDatabaseName(m_dir.filePath(QStringLiteral("statements.db")));
        QVERIFY(m_db.open());
        QVERIFY(exec("CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT NOT NULL)"));
    }
    void cleanup() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("statements"));
        QFile::remove(m_dir.filePath(QStringLiteral("statements.db")));
    }

    void writtenAsQtWould_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QStringLiteral("C:\\Data");
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("null goes in as empty") << QString();
        QTest::newRow("beyond Latin-1") << QStringLiteral("Grüße – 東京");
        QTest::newRow("surrogate pair") << QString::fromUtf8("disk \xF0\x9F\x92\xBE");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("x");
        QTest::newRow("inner NUL") << QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b");
    }
    void writtenAsQtWould() {
        QFETCH(QString, value);
        QSqlQuery fast = prepared("INSERT INTO t (k, v) VALUES (?, ?)");
        QVERIFY2(server::sql::writeText(fast, {QStringLiteral("1"), value}), "the fast write failed");
        QSqlQuery qt = prepared("INSERT INTO t (k, v) VALUES (?, ?)");
        QVERIFY(server::sql::run(qt, {2, server::sql::text(value)}));
        QCOMPARE(stored(1), stored(2));
        QCOMPARE(scalar("SELECT typeof(v) FROM t WHERE k = 1"), QStringLiteral("text"));
    }

    // Read straight from the statement, a value comes back as Qt's driver gives it.
    void readAsQtWould_data() {
        QTest::addColumn<QString>("stored"); // an SQL expression
        QTest::newRow("plain") << "'C:\\Data'";
        QTest::newRow("empty") << "''";
        QTest::newRow("null") << "NULL";
        QTest::newRow("integer") << "42";
        QTest::newRow("beyond Latin-1") << "'Grüße – 東京'";
        QTest::newRow("surrogate pair") << "'disk 💾'";
        QTest::newRow("inner NUL") << "'a' || char(0) || 'b'";
        QTest::newRow("bytes that are not UTF-8") << "CAST(x'41ff42' AS TEXT)";
    }
    void readAsQtWould() {
        QFETCH(QString, stored);
        QVERIFY(exec("CREATE TABLE loose (k INTEGER PRIMARY KEY, v)"));
        QVERIFY(exec(qPrintable(QStringLiteral("INSERT INTO loose (k, v) VALUES (1, %1)").arg(stored))));
        server::StatementCache cache(m_db);
        QStringList fast;
        QVERIFY(cache.run(QStringLiteral("SELECT v FROM loose WHERE k = ?"), {QStringLiteral("1")},
                          [&](const QStringList& row) { fast = row; }));
        QSqlQuery qt(m_db);
        QVERIFY(qt.exec(QStringLiteral("SELECT v FROM loose WHERE k = 1")) && qt.next());
        QCOMPARE(fast.size(), 1);
        QCOMPARE(fast.at(0), qt.value(0).toString());
        QCOMPARE(fast.at(0).isNull(), qt.value(0).toString().isNull());
    }

    // A time is stored as the text Qt writes for it, however it is written.
    void timeWrittenAsQtWould_data() {
        QTest::addColumn<QDateTime>("moment");
        const QDate day(2026, 12, 8);
        QTest::newRow("local") << QDateTime(day, QTime(9, 5, 7, 42));
        QTest::newRow("local, midnight") << QDateTime(day, QTime(0, 0));
        QTest::newRow("local, last millisecond") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999));
        QTest::newRow("UTC") << QDateTime(day, QTime(9, 5, 7, 42), Qt::UTC);
        QTest::newRow("year 1") << QDateTime(QDate(1, 1, 1), QTime(1, 2, 3, 4));
        QTest::newRow("year 9999") << QDateTime(QDate(9999, 12, 31), QTime(12, 0), Qt::UTC);
        QTest::newRow("year 10000") << QDateTime(QDate(10000, 1, 1), QTime(12, 0));
        QTest::newRow("year before Christ") << QDateTime(QDate(-44, 3, 15), QTime(12, 0));
        QTest::newRow("offset from UTC") << QDateTime(day, QTime(9, 5), Qt::OffsetFromUTC, 5 * 3600 + 1800);
        QTest::newRow("invalid") << QDateTime();
    }
    void timeWrittenAsQtWould() {
        QFETCH(QDateTime, moment);
        QCOMPARE(server::sql::storedTime(moment), moment.toString(Qt::ISODateWithMs));
    }

    // A stored time reads back as Qt reads it, whoever wrote it.
    void timeReadAsQtWould_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("local") << "2026-12-08T09:05:07.042";
        QTest::newRow("UTC") << "2026-12-08T09:05:07.042Z";
        QTest::newRow("last millisecond of a year") << "2026-12-31T23:59:59.999";
        QTest::newRow("leap day") << "2028-02-29T12:00:00.000";
        QTest::newRow("no such day") << "2026-02-29T12:00:00.000";
        QTest::newRow("end of the day as 24:00") << "2026-12-08T24:00:00.000";
        QTest::newRow("second 60") << "2026-12-08T23:59:60.000";
        QTest::newRow("without milliseconds") << "2026-12-08T09:05:07";
        QTest::newRow("offset from UTC") << "2026-12-08T09:05:07.042+05:30";
        QTest::newRow("a space for the T") << "2026-12-08 09:05:07.042";
        QTest::newRow("digits that are not ASCII") << "２０２６-12-08T09:05:07.042";
        QTest::newRow("a sign in a field") << "2026-+2-08T09:05:07.042";
        QTest::newRow("another letter at the end") << "2026-12-08T09:05:07.042X";
        QTest::newRow("empty") << "";
    }
    void timeReadAsQtWould() {
        QFETCH(QString, text);
        const QDateTime read = server::sql::readStoredTime(text);
        const QDateTime qt = QDateTime::fromString(text, Qt::ISODateWithMs);
        QCOMPARE(read.isValid(), qt.isValid());
        QCOMPARE(read, qt);
        QCOMPARE(read.timeSpec(), qt.timeSpec());
        QCOMPARE(read.offsetFromUtc(), qt.offsetFromUtc());
    }

    void failsAsQtWould_data() {
        QTest::addColumn<QStringList>("values");
        QTest::newRow("key taken") << QStringList{"7", "again"};
        QTest::newRow("too few values") << QStringList{"8"};
        QTest::newRow("too many values") << QStringList{"9", "x", "y"};
    }
    void failsAsQtWould() {
        QFETCH(QStringList, values);
        QVERIFY(exec("INSERT INTO t (k, v) VALUES (7, 'first')"));
        QSqlQuery fast = prepared("INSERT INTO t (k, v) VALUES (?, ?)");
        const auto failed = server::sql::writeText(fast, values);
        QSqlQuery qt = prepared("INSERT INTO t (k, v) VALUES (?, ?)");
        QVariantList bound(values.begin(), values.end());
        const auto qtFailed = server::sql::run(qt, bound);
        QVERIFY(!failed && !qtFailed);
        QCOMPARE(failed.reason(), qtFailed.reason());
        // A failed write leaves its statement ready for the next.
        QVERIFY2(server::sql::writeText(fast, {"10", "next"}), qPrintable(m_db.lastError().text()));
        QCOMPARE(scalar("SELECT v FROM t WHERE k = 10"), QStringLiteral("next"));
    }

    void keptStatements_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rows"); // the rows read, or the start of the reason it failed
        QTest::newRow("rows in order") << "SELECT v FROM t WHERE k < ? ORDER BY k"
                                       << "one,two";
        QTest::newRow("no row") << "SELECT v FROM t WHERE k > ? + 100"
                                << "";
        QTest::newRow("unknown table") << "SELECT v FROM nowhere WHERE k = ?"
                                       << "no such table: nowhere";
        QTest::newRow("unportable text") << "SELECT IFNULL(v, '') FROM t WHERE k = ?"
                                         << "SQL that only one database understands";
    }
    void keptStatements() {
        QFETCH(QString, text);
        QFETCH(QString, rows);
        QVERIFY(exec("INSERT INTO t (k, v) VALUES (1, 'one'), (2, 'two')"));
        server::StatementCache cache(m_db);
        for (int use = 0; use < 2; ++use) { // the second from the cache, or prepared again after a failure
            QStringList read;
            const auto done =
                cache.run(text, {QStringLiteral("3")}, [&](const QStringList& row) { read << row.at(0); });
            QCOMPARE(done ? read.join(',') : done.reason().left(rows.size()), rows);
        }
    }

    // A statement left open would hold the table: dropping it (or checkpointing) would fail.
    void keptStatementReleasesTable() {
        QVERIFY(exec("INSERT INTO t (k, v) VALUES (1, 'one'), (2, 'two')"));
        server::StatementCache cache(m_db);
        int seen = 0;
        QVERIFY(cache.run(QStringLiteral("SELECT v FROM t"), {}, [&](const QStringList&) { ++seen; }));
        QCOMPARE(seen, 2);
        QVERIFY(exec("DROP TABLE t"));
    }

    // A statement that failed to prepare is not kept: once its table exists it runs.
    void failedPrepareIsTriedAgain() {
        server::StatementCache cache(m_db);
        const QString text = QStringLiteral("SELECT w FROM later WHERE w = ?");
        QVERIFY(!cache.run(text, {QStringLiteral("x")}));
        QVERIFY(exec("CREATE TABLE later (w TEXT)"));
        QVERIFY(exec("INSERT INTO later (w) VALUES ('x')"));
        QString found;
        QVERIFY(cache.run(text, {QStringLiteral("x")}, [&](const QStringList& row) { found = row.at(0); }));
        QCOMPARE(found, QStringLiteral("x"));
    }

    // Below the bound only the thread copies the log: the database file takes in what was committed while
    // nothing more is written. Under steady commits the log never outgrows the bound, however the thread
    // is scheduled.
    void logCopiedBesideCommits_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("waitForCopy");
        QTest::newRow("past the limit, then quiet") << server::BackgroundCheckpoints::kDuePages + 200 << true;
        QTest::newRow("steady, three times the bound")
            << 3 * server::BackgroundCheckpoints::kBoundPages << false;
    }
    void logCopiedBesideCommits() {
        QFETCH(int, pages);
        QFETCH(bool, waitForCopy);
        QVERIFY(exec("PRAGMA journal_mode = WAL"));
        QVERIFY(exec("PRAGMA synchronous = NORMAL"));
        server::BackgroundCheckpoints checkpoints;
        QVERIFY(checkpoints.start(server::sql::sqliteConnection(m_db), m_db.databaseName()));
        const qint64 page = scalar("PRAGMA page_size").toLongLong();
        const qint64 before = QFileInfo(m_db.databaseName()).size();
        const QString filler(int(page) - 200, QLatin1Char('x')); // a row a page
        QSqlQuery insert = prepared("INSERT INTO t (v) VALUES (?)");
        for (int k = 0; k < pages; ++k) {
            insert.addBindValue(filler);
            QVERIFY(insert.exec());
        }
        if (waitForCopy)
            QTRY_VERIFY(QFileInfo(m_db.databaseName()).size() > before + page * pages / 2);
        QVERIFY(QFileInfo(m_db.databaseName() + QStringLiteral("-wal")).size() <
                (page + 24) * (server::BackgroundCheckpoints::kBoundPages + 500));
        checkpoints.stop();
        QCOMPARE(scalar("SELECT count(*) FROM t").toInt(), pages);
    }

private:
    bool exec(const char* sql) {
        QSqlQuery query(m_db);
        return query.exec(QString::fromUtf8(sql)) || (qWarning() << query.lastError().text(), false);
    }
    QSqlQuery prepared(const char* sql) {
        QSqlQuery query(m_db);
        if (!query.prepare(QString::fromUtf8(sql)))
            qWarning() << query.lastError().text();
        return query;
    }
    QString scalar(const char* sql) {
        QSqlQuery query(m_db);
        return query.exec(QString::fromUtf8(sql)) && query.next() ? query.value(0).toString() : QString();
    }
    QByteArray stored(int key) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("SELECT hex(CAST(v AS BLOB)) FROM t WHERE k = ?"));
        query.bindValue(0, key);
        return query.exec() && query.next() ? query.value(0).toByteArray() : QByteArray("missing");
    }

    QTemporaryDir m_dir;
    QSqlDatabase m_db;
};

QTEST_GUILESS_MAIN(TestStoreStatements)
#include "TestStoreStatements.moc"
