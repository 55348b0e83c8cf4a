// The job log file: what is written reads back, what was there is never
// rewritten, a crash loses nothing already written, and a log that cannot be
// written is reported, not thrown.
#include "csv.h"
#include "logfile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using joblog::Column;
using joblog::LogFile;
using joblog::Record;

namespace {

Record sample(int n, const QString& name = QStringLiteral("NZGD2000 / NZTM")) {
    Record r;
    r[Column::Time] = QStringLiteral("2026-12-08T14:%1:00+13:00").arg(n % 60, 2, 10, QChar('0'));
    r[Column::Calculation] = joblog::kGridToGeog;
    r.setParameters(name, {"6378137", "0.00669438", "0.9996", "1600000", "10000000", "0", "173 E"});
    r[Column::Easting1] = QString::number(1750000 + n);
    r[Column::Latitude] = QStringLiteral("36° 51' 13.3\" S");
    return r;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray header() {
    return joblog::kUtf8Bom.toByteArray() + joblog::CsvLine(joblog::Captions());
}

// Runs `body` in a child process that then ends as `end` says: 0 exits, 1
// aborts, 2 is killed. False when the body failed or the child died unasked.
bool inChild(const std::function<bool()>& body, int end = 0) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(30); // a child that hangs dies, and the test fails instead of waiting
        if (!body())
            ::_exit(3);
        if (end == 1)
            std::abort();
        if (end == 2)
            ::kill(::getpid(), SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) ? WEXITSTATUS(status) == 0 : end != 0;
}

} // namespace

class TestLogFile : public QObject {
    Q_OBJECT

  private slots:
    void roundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << "Zone 56, south";
        QTest::newRow("quotes") << "the \"old\" grid \"\"";
        QTest::newRow("line breaks") << "one\ntwo\r\nthree\rfour";
        QTest::newRow("non-ASCII") << "Ngāruawāhia 37° 40′ 12″ S → Gauß-Krüger 北";
        QTest::newRow("blanks at the ends") << "  12.5 ";
        QTest::newRow("empty") << "";
        QTest::newRow("comma and quote at the ends") << "\",\"";
    }
    // The text in three columns of a record between two plain ones: all read
    // back whole, under one header marked as UTF-8 for spreadsheets.
    void roundTrip() {
        QFETCH(QString, text);
        QTemporaryDir dir;
        LogFile log(dir.filePath(QStringLiteral("share/quillmar"))); // made when missing
        Record odd = sample(2, text);
        odd[Column::GridBearing12] = odd[Column::Lat1Deg] = text;
        for (const Record& r : {sample(1), odd, sample(3)})
            QCOMPARE(log.append(r), QString());
        const joblog::ReadResult got = log.read();
        QCOMPARE(got.damaged, 0);
        QCOMPARE(got.records, (QList<Record>{sample(1), odd, sample(3)}));
        const QByteArray bytes = contents(log.path());
        QVERIFY(bytes.startsWith(header()));
        QCOMPARE(bytes.count("Time,Calculation,"), 1);
    }

    // The bytes of one field in a file (RFC 4180) and on the clipboard.
    void fieldText_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("tsv");
        QTest::newRow("number") << "-5920000.125" << QByteArray("-5920000.125") << "-5920000.125";
        QTest::newRow("comma") << "a,b" << QByteArray("\"a,b\"") << "a,b";
        QTest::newRow("tab") << "a\tb" << QByteArray("a\tb") << "\"a\tb\"";
        QTest::newRow("line break") << "a\nb" << QByteArray("\"a\nb\"") << "\"a\nb\"";
        // Pins: seconds marks were quoted on the clipboard, pasting as 13.3"" S.
        QTest::newRow("seconds mark") << "13.3\" S" << QByteArray("\"13.3\"\" S\"") << "13.3\" S";
        QTest::newRow("leading quote") << "\"x" << QByteArray("\"\"\"x\"") << "\"\"\"x\"";
        // Pins: a spreadsheet drops unquoted blanks at a field's ends.
        QTest::newRow("leading blank") << " 7" << QByteArray("\" 7\"") << " 7";
    }
    void fieldText() {
        QFETCH(QString, field);
        QFETCH(QByteArray, csv);
        QFETCH(QString, tsv);
        QCOMPARE(joblog::CsvLine({QStringLiteral("x"), field}), "x," + csv + "\r\n");
        QCOMPARE(joblog::TsvLine({QStringLiteral("x"), field}), "x\t" + tsv + "\n");
    }

    void timeText_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("text");
        const QDate d(2026, 12, 8);
        const QTime t(14, 30, 12);
        // Pins: Qt writes a zero offset as "Z", which reads as UTC, not local time.
        QTest::newRow("zero offset") << QDateTime(d, t, Qt::UTC) << "2026-12-08T14:30:12+00:00";
        QTest::newRow("half-hour offset")
            << QDateTime(d, t, Qt::OffsetFromUTC, 19800) << "2026-12-08T14:30:12+05:30";
        QTest::newRow("west") << QDateTime(d, t, Qt::OffsetFromUTC, -3 * 3600)
                              << "2026-12-08T14:30:12-03:00";
    }
    void timeText() {
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QCOMPARE(joblog::TimeText(when), text);
        QCOMPARE(QDateTime::fromString(text, Qt::ISODate), when);
    }

    // Found by caption: a file rearranged in a spreadsheet still reads.
    void columnsByCaption() {
        QTemporaryDir dir;
        LogFile log(dir.path());
        writeRaw(log.path(), "Time,Easting,Height,Calculation\n2026-12-08T10:00:00+00:00,300,"
                             "12,Angles\n");
        const joblog::ReadResult got = log.read();
        QCOMPARE(got.records.size(), 1);
        QCOMPARE(got.records[0][Column::Calculation], joblog::kAngles);
        QCOMPARE(got.records[0][Column::Easting], "300");
    }

    // The file cut as by a crash mid-write (`cut` bytes off its end, or,
    // negative, all but its first -`cut` bytes), then one more record added:
    // the cut bytes stay as they were, the new record starts on a line of its
    // own, only the cut record is lost.
    void damagedLastLine_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("lastName");
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("survivors");
        QTest::addColumn<int>("damaged");
        QTest::newRow("empty file") << 0 << "" << 0 << 0 << 0;
        QTest::newRow("cut in a bare field") << 3 << "plain" << 20 << 2 << 1;
        QTest::newRow("cut inside quotes") << 3 << "a, b, \"c\" and d" << 150 << 2 << 1;
        QTest::newRow("cut inside a quoted line break")
            << 3 << "one\ntwo,\nthree, longer than the rest of the record" << 179 << 2 << 1;
        QTest::newRow("only the line feed lost") << 2 << "plain" << 1 << 2 << 0;
        // Pins: the cut header was taken for the header, and every later
        // record, being longer, was left out as damaged.
        QTest::newRow("first write cut inside the header") << 1 << "plain" << -100 << 0 << 0;
    }
    void damagedLastLine() {
        QFETCH(int, records);
        QFETCH(QString, lastName);
        QFETCH(int, cut);
        QFETCH(int, survivors);
        QFETCH(int, damaged);
        QTemporaryDir dir;
        LogFile log(dir.path());
        for (int i = 1; i <= records; ++i)
            QCOMPARE(log.append(sample(i, i == records ? lastName : "plain")), QString());
        QByteArray bytes = contents(log.path());
        QVERIFY(qAbs(cut) <= bytes.size());
        cut < 0 ? bytes.truncate(-cut) : bytes.chop(cut);
        writeRaw(log.path(), bytes);

        QCOMPARE(log.append(sample(99)), QString());
        const QByteArray after = contents(log.path());
        QVERIFY2(after.startsWith(bytes), "what was there was rewritten");
        QCOMPARE(after.mid(bytes.size()),
                 (bytes.isEmpty() ? header() : QByteArray(bytes.endsWith('\n') ? "" : "\r\n")) +
                     joblog::CsvLine(sample(99).toList()));
        const joblog::ReadResult got = log.read();
        QCOMPARE(got.damaged, damaged);
        QCOMPARE(got.records.size(), survivors + 1);
        for (int i = 0; i < survivors; ++i)
            QCOMPARE(got.records[i][Column::Easting1], sample(i + 1)[Column::Easting1]);
        QCOMPARE(got.records.back(), sample(99));
    }

    void writeFailure_data() {
        QTest::addColumn<QString>("setup");
        QTest::newRow("log.csv is a folder") << "folder";
        QTest::newRow("disk full") << "full";
        QTest::newRow("catalogue folder is a file") << "notdir";
        QTest::newRow("read-only file") << "readonly";
        QTest::newRow("read-only folder, no file yet") << "readonlydir";
    }
    // Never thrown; the reason names the file; the record still reaches the
    // Log tab, and the message comes only the first time.
    void writeFailure() {
        QFETCH(QString, setup);
        if (setup.startsWith(QLatin1String("readonly")) && ::geteuid() == 0)
            QSKIP("root writes whatever the permissions (scripts/unprivileged.sh runs this)");
        QTemporaryDir dir;
        QString folder = dir.filePath(QStringLiteral("quillmar"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = QDir(folder).filePath(joblog::kFileName);
        if (setup == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(file));
        if (setup == QLatin1String("full"))
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), file));
        if (setup == QLatin1String("notdir")) {
            writeRaw(dir.filePath(QStringLiteral("plain")), "x");
            folder = dir.filePath(QStringLiteral("plain/quillmar"));
        }
        if (setup == QLatin1String("readonly")) {
            QCOMPARE(LogFile(folder).append(sample(1)), QString());
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        }
        // Never read /dev/full: it has no end.
        const bool regular = setup == QLatin1String("readonly");
        const QByteArray before = regular ? contents(file) : QByteArray();
        if (setup == QLatin1String("readonlydir"))
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

        joblog::JobLog log(folder);
        QSignalSpy added(&log, &joblog::JobLog::added);
        QSignalSpy failed(&log, &joblog::JobLog::writeFailed);
        QString first, second;
        try {
            first = log.add(sample(2));
            second = log.add(sample(3));
        } catch (...) {
            QFAIL("writing the log threw");
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(first.startsWith("The job log cannot be written: " + QDir(folder).path()),
                 qPrintable(first));
        QCOMPARE(second, QString());
        QCOMPARE(added.size(), 2);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), first);
        if (regular)
            QCOMPARE(contents(file), before);
        // Pins: reading a device in the log's place never ended. Tried in a
        // child with little memory, so a return of the fault cannot hurt.
        if (setup == QLatin1String("full"))
            QVERIFY(inChild([&] {
#if !defined(__SANITIZE_ADDRESS__)
                // AddressSanitizer maps terabytes of shadow memory up front.
                const rlimit limit{1u << 30, 1u << 30};
                ::setrlimit(RLIMIT_AS, &limit);
#endif
                return !LogFile(folder).read().error.isEmpty();
            }));
    }

    void clear_data() {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("movedTo");
        QTest::newRow("the time's name") << QStringList{} << "log-2026-12-08T143012.csv";
        QTest::newRow("name taken")
            << QStringList{"log-2026-12-08T143012.csv"} << "log-2026-12-08T143012-2.csv";
        QTest::newRow("two names taken")
            << QStringList{"log-2026-12-08T143012.csv", "log-2026-12-08T143012-2.csv"}
            << "log-2026-12-08T143012-3.csv";
        QTest::newRow("no log file: nothing moved") << QStringList{} << "";
    }
    // The old file kept whole under the new name, files already there left
    // alone, and the next record starts a new file with its header.
    void clear() {
        QFETCH(QStringList, taken);
        QFETCH(QString, movedTo);
        QTemporaryDir dir;
        LogFile log(dir.path());
        log.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 30, 12)); });
        for (const QString& name : taken)
            writeRaw(dir.filePath(name), name.toUtf8());
        for (int i = 1; !movedTo.isEmpty() && i <= 2; ++i)
            QCOMPARE(log.append(sample(i)), QString());
        const QByteArray before = contents(log.path());

        const joblog::ClearResult cleared = log.clear();
        QCOMPARE(cleared.error, QString());
        QCOMPARE(cleared.movedTo, movedTo.isEmpty() ? QString() : dir.filePath(movedTo));
        QVERIFY(!QFile::exists(log.path()));
        if (!movedTo.isEmpty())
            QCOMPARE(contents(dir.filePath(movedTo)), before);
        for (const QString& name : taken)
            QCOMPARE(contents(dir.filePath(name)), name.toUtf8());
        QCOMPARE(log.append(sample(3)), QString());
        QCOMPARE(contents(log.path()), header() + joblog::CsvLine(sample(3).toList()));
    }

    void clearRefused() {
        if (::geteuid() == 0)
            QSKIP("root writes whatever the permissions (scripts/unprivileged.sh runs this)");
        QTemporaryDir dir;
        LogFile log(dir.path());
        QCOMPARE(log.append(sample(1)), QString());
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const joblog::ClearResult cleared = log.clear();
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!cleared.error.isEmpty());
        QCOMPARE(log.read().records, QList<Record>{sample(1)});
    }

    void crashAfterAppend_data() {
        QTest::addColumn<int>("end");
        QTest::newRow("_exit, no clean-up") << 0;
        QTest::newRow("abort") << 1;
        QTest::newRow("killed") << 2;
    }
    // A process dies at once after its last append returned: every record
    // it was told was written is in the file.
    void crashAfterAppend() {
        QFETCH(int, end);
        QTemporaryDir dir;
        QVERIFY(inChild(
            [&] {
                ::signal(SIGABRT, SIG_DFL);
                for (int i = 1; i <= 5; ++i)
                    if (!LogFile(dir.path()).append(sample(i)).isEmpty())
                        return false;
                return true;
            },
            end));
        const joblog::ReadResult got = LogFile(dir.path()).read();
        QCOMPARE(got.damaged, 0);
        QCOMPARE(got.records.size(), 5);
        QCOMPARE(got.records.back(), sample(5));
    }

    // Copies of the program adding at once: one header, every record whole,
    // each writer's records in its order.
    void concurrentWriters() {
        QTemporaryDir dir;
        constexpr int kWriters = 4, kEach = 60;
        QList<pid_t> children;
        for (int w = 0; w < kWriters; ++w) {
            const pid_t child = ::fork();
            if (child == 0) {
                for (int i = 0; i < kEach; ++i)
                    if (!LogFile(dir.path())
                             .append(sample(w * 1000 + i, QStringLiteral("writer %1").arg(w)))
                             .isEmpty())
                        ::_exit(3);
                ::_exit(0);
            }
            children << child;
        }
        for (pid_t child : children) {
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        LogFile log(dir.path());
        const joblog::ReadResult got = log.read();
        QCOMPARE(got.damaged, 0);
        QCOMPARE(got.records.size(), kWriters * kEach);
        QCOMPARE(contents(log.path()).count("Time,Calculation"), 1);
        QList<int> next(kWriters, 0);
        for (const Record& r : got.records) {
            const int w = r[Column::ParameterSet].section(' ', 1).toInt();
            QCOMPARE(r[Column::Easting1], sample(w * 1000 + next[w]++)[Column::Easting1]);
        }
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
