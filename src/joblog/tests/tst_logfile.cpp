// The job log file: what is written reads back, what was there is never
// rewritten, a crash loses nothing already written, and a log that cannot be
// written is reported, not thrown.
#include "csv.h"
#include "logfile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <csignal>

#include <sys/stat.h>
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
    r.setParameters(name, {"6378137", "0.00669438", "0.9996", "1600000", "10000000", "0",
                           "173 E"});
    r[Column::Easting1] = QString::number(1750000 + n);
    r[Column::Northing1] = QStringLiteral("5920000");
    r[Column::Latitude] = QStringLiteral("36° 51' 13.3\" S");
    r[Column::Longitude] = QStringLiteral("174° 45' 48.1\" E");
    r[Column::GridConvergence] = QStringLiteral("-1° 00' 31\"");
    r[Column::PointScaleFactor] = QStringLiteral("1.000245");
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

QByteArray headerBytes() { return joblog::kUtf8Bom.toByteArray() + joblog::CsvLine(joblog::Captions()); }

} // namespace

class TestLogFile : public QObject {
    Q_OBJECT

  private slots:
    // ---- writing and reading back ----------------------------------------

    void roundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "Transverse Mercator";
        QTest::newRow("comma") << "Zone 56, south";
        QTest::newRow("quotes") << "the \"old\" grid \"\"";
        QTest::newRow("line break") << "first line\nsecond line";
        QTest::newRow("CRLF line break") << "first line\r\nsecond line";
        QTest::newRow("lone CR") << "before\rafter";
        QTest::newRow("non-ASCII") << "Ngāruawāhia 37° 40′ 12″ S → Gauß-Krüger 北";
        QTest::newRow("leading and trailing blanks") << "  12.5 ";
        QTest::newRow("tab") << "a\tb";
        QTest::newRow("empty") << "";
        QTest::newRow("only a quote") << "\"";
        QTest::newRow("comma and quote at the ends") << "\",\"";
    }
    // The text in the parameter-set name, in the last column and in an input,
    // between two plain records: all three records read back whole.
    void roundTrip() {
        QFETCH(QString, text);
        QTemporaryDir dir;
        LogFile log(dir.path());
        Record odd = sample(2, text);
        odd[Column::GridBearing12] = text;
        odd[Column::Lat1Deg] = text;
        for (const Record& r : {sample(1), odd, sample(3)})
            QCOMPARE(log.append(r), QString());
        const joblog::ReadResult got = log.read();
        QCOMPARE(got.error, QString());
        QCOMPARE(got.damaged, 0);
        QCOMPARE(got.records.size(), 3);
        QCOMPARE(got.records[0], sample(1));
        QCOMPARE(got.records[1].toList(), odd.toList());
        QCOMPARE(got.records[2], sample(3));
        // One header, at the very start, marked as UTF-8 for spreadsheets.
        const QByteArray bytes = contents(log.path());
        QVERIFY(bytes.startsWith(headerBytes()));
        QCOMPARE(bytes.count("Time,Calculation,Parameter set,"), 1);
        QVERIFY(bytes.endsWith("\r\n"));
    }

    // The bytes a spreadsheet sees for one field (RFC 4180).
    void csvField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("number stays bare") << "-5920000.125" << QByteArray("-5920000.125");
        QTest::newRow("comma quoted") << "a,b" << QByteArray("\"a,b\"");
        QTest::newRow("quote doubled") << "5\" S" << QByteArray("\"5\"\" S\"");
        QTest::newRow("line break quoted") << "a\nb" << QByteArray("\"a\nb\"");
        // Pins: a spreadsheet drops unquoted blanks at a field's ends.
        QTest::newRow("leading blank quoted") << " 7" << QByteArray("\" 7\"");
        QTest::newRow("UTF-8") << "37°" << QByteArray("37\xC2\xB0");
    }
    void csvField() {
        QFETCH(QString, field);
        QFETCH(QByteArray, bytes);
        QCOMPARE(joblog::CsvLine({QStringLiteral("x"), field}), "x," + bytes + "\r\n");
    }

    // The same for one field pasted from the clipboard.
    void tsvField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        // Pins: seconds marks were quoted, and pasted into plain text as "13.3"" S".
        QTest::newRow("seconds mark stays bare") << "13.3\" S" << "13.3\" S";
        QTest::newRow("comma stays bare") << "a,b" << "a,b";
        QTest::newRow("tab quoted") << "a\tb" << "\"a\tb\"";
        QTest::newRow("line break quoted") << "a\nb" << "\"a\nb\"";
        QTest::newRow("leading quote quoted") << "\"x\" y" << "\"\"\"x\"\" y\"";
    }
    void tsvField() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QCOMPARE(joblog::TsvLine({QStringLiteral("x"), field}), "x\t" + text + "\n");
    }

    void timeText_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("text");
        const QDate d(2026, 12, 8);
        const QTime t(14, 30, 12);
        // Pins: Qt writes a zero offset as "Z", which reads as UTC, not local time.
        QTest::newRow("UTC has +00:00") << QDateTime(d, t, Qt::UTC)
                                        << "2026-12-08T14:30:12+00:00";
        QTest::newRow("half-hour offset") << QDateTime(d, t, Qt::OffsetFromUTC, 19800)
                                          << "2026-12-08T14:30:12+05:30";
        QTest::newRow("west of Greenwich")
            << QDateTime(d, t, Qt::OffsetFromUTC, -3 * 3600)
            << "2026-12-08T14:30:12-03:00";
    }
    void timeText() {
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QCOMPARE(joblog::TimeText(when), text);
    }

    void nowIsLocalWithOffset() {
        const Record r = Record::Now(joblog::kAngles);
        QCOMPARE(r[Column::Calculation], joblog::kAngles);
        static const QRegularExpression iso(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
        QVERIFY2(iso.match(r[Column::Time]).hasMatch(), qPrintable(r[Column::Time]));
        const QDateTime back = QDateTime::fromString(r[Column::Time], Qt::ISODate);
        QVERIFY(qAbs(back.secsTo(QDateTime::currentDateTime())) < 5);
    }

    // Columns are found by caption: a file written by another version, or
    // rearranged in a spreadsheet, still reads.
    void columnsByCaption_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("calculation");
        QTest::addColumn<QString>("easting");
        QTest::newRow("reordered, no mark")
            << QByteArray("Time,Easting,Calculation\r\n2026-12-08T10:00:00+00:00,300,Angles\r\n")
            << "Angles" << "300";
        QTest::newRow("unknown column ignored")
            << QByteArray("\xEF\xBB\xBFTime,Calculation,Height,Easting\n"
                          "2026-12-08T10:00:00+00:00,Bearings,12,400\n")
            << "Bearings" << "400";
    }
    void columnsByCaption() {
        QFETCH(QByteArray, file);
        QFETCH(QString, calculation);
        QFETCH(QString, easting);
        QTemporaryDir dir;
        LogFile log(dir.path());
        writeRaw(log.path(), file);
        const joblog::ReadResult got = log.read();
        QCOMPARE(got.damaged, 0);
        QCOMPARE(got.records.size(), 1);
        QCOMPARE(got.records[0][Column::Calculation], calculation);
        QCOMPARE(got.records[0][Column::Easting], easting);
        QCOMPARE(got.records[0][Column::Northing], QString());
    }

    void missingFileIsEmpty() {
        QTemporaryDir dir;
        const joblog::ReadResult got = LogFile(dir.filePath(QStringLiteral("none"))).read();
        QCOMPARE(got.error, QString());
        QVERIFY(got.records.isEmpty());
    }

    void missingFolderIsMade() {
        QTemporaryDir dir;
        LogFile log(dir.filePath(QStringLiteral("share/quillmar")));
        QCOMPARE(log.append(sample(1)), QString());
        QCOMPARE(log.read().records, QList<Record>{sample(1)});
    }

    void emptyFileGetsHeader() {
        QTemporaryDir dir;
        LogFile log(dir.path());
        writeRaw(log.path(), {});
        QCOMPARE(log.append(sample(1)), QString());
        QCOMPARE(contents(log.path()), headerBytes() + joblog::CsvLine(sample(1).toList()));
    }

    // ---- a damaged end ------------------------------------------------------

    // The file is cut `cut` bytes before its end (or, negative, after its
    // first -`cut` bytes) as by a crash mid-write, then one
    // more record is added: the cut bytes stay exactly as they were, the new
    // record starts on a line of its own, and only the cut record is lost.
    void damagedLastLine_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("lastName");
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("survivors");
        QTest::addColumn<int>("damaged");
        QTest::newRow("cut in a bare field") << 3 << "plain" << 20 << 2 << 1;
        QTest::newRow("cut inside quotes") << 3 << "a, b, \"c\" and d" << 200 << 2 << 1;
        QTest::newRow("cut inside a quoted line break")
            << 3 << "line one\nline two,\nline three, longer than the rest of the record" << 230
            << 2 << 1;
        // Only the line feed lost: the record itself is whole.
        QTest::newRow("cut after the carriage return") << 2 << "plain" << 1 << 2 << 0;
        // Pins: the cut header was taken for the header, and every later
        // record, being longer, was left out as damaged.
        QTest::newRow("first write cut inside the header") << 1 << "plain" << -100 << 0 << 0;
        QTest::newRow("first write cut after the header") << 1 << "plain" << 50 << 0 << 1;
    }
    void damagedLastLine() {
        QFETCH(int, records);
        QFETCH(QString, lastName);
        QFETCH(int, cut);
        QFETCH(int, survivors);
        QFETCH(int, damaged);
        QTemporaryDir dir;
        LogFile log(dir.path());
        for (int i = 1; i < records; ++i)
            QCOMPARE(log.append(sample(i)), QString());
        QCOMPARE(log.append(sample(records, lastName)), QString());
        QByteArray bytes = contents(log.path());
        QVERIFY(qAbs(cut) < bytes.size());
        if (cut < 0)
            bytes.truncate(-cut);
        else
            bytes.chop(cut);
        writeRaw(log.path(), bytes);

        QCOMPARE(log.append(sample(99)), QString());
        const QByteArray after = contents(log.path());
        QVERIFY2(after.startsWith(bytes), "the damaged line was rewritten");
        QVERIFY(after.endsWith("\r\n" + joblog::CsvLine(sample(99).toList())));

        const joblog::ReadResult got = log.read();
        QCOMPARE(got.damaged, damaged);
        QCOMPARE(got.records.size(), survivors + 1);
        for (int i = 0; i < survivors; ++i)
            QCOMPARE(got.records[i][Column::Easting1], sample(i + 1)[Column::Easting1]);
        QCOMPARE(got.records.back(), sample(99));
    }

    // ---- a log that cannot be written --------------------------------------

    void writeFailure_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("needsUser"); // root may write anywhere
        QTest::newRow("log.csv is a folder") << "folder" << false;
        QTest::newRow("disk full") << "full" << false;
        QTest::newRow("catalogue folder is a file") << "notdir" << false;
        QTest::newRow("read-only file") << "readonly" << true;
        QTest::newRow("read-only folder, no file yet") << "readonlydir" << true;
    }
    // Never thrown; the reason names the file; the log adds the record all
    // the same and says so only the first time.
    void writeFailure() {
        QFETCH(QString, setup);
        QFETCH(bool, needsUser);
        if (needsUser && ::geteuid() == 0)
            QSKIP("root writes whatever the permissions (scripts/unprivileged.sh runs this)");
        QTemporaryDir dir;
        QString folder = dir.filePath(QStringLiteral("quillmar"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = QDir(folder).filePath(joblog::kFileName);
        QByteArray before;
        if (setup == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(file));
        } else if (setup == QLatin1String("full")) {
            if (!QFile::exists(QStringLiteral("/dev/full")))
                QSKIP("no /dev/full here");
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), file));
        } else if (setup == QLatin1String("notdir")) {
            writeRaw(dir.filePath(QStringLiteral("plain")), "x");
            folder = dir.filePath(QStringLiteral("plain/quillmar"));
        } else if (setup == QLatin1String("readonly")) {
            QCOMPARE(LogFile(folder).append(sample(1)), QString());
            before = contents(file);
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        } else if (setup == QLatin1String("readonlydir")) {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        }

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
        QVERIFY2(first.startsWith(QStringLiteral("The job log cannot be written: ")),
                 qPrintable(first));
        QVERIFY2(first.contains(QStringLiteral("quillmar")), qPrintable(first));
        QCOMPARE(second, QString());
        QVERIFY(log.failed());
        QCOMPARE(added.size(), 2);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), first);
        if (setup == QLatin1String("readonly")) {
            QCOMPARE(contents(file), before);
            QCOMPARE(LogFile(folder).read().records, QList<Record>{sample(1)});
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // ---- clearing -------------------------------------------------------------

    void clear_data() {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("movedTo");
        QTest::newRow("moved to the time's name") << QStringList{} << "log-2026-12-08T143012.csv";
        QTest::newRow("name taken")
            << QStringList{"log-2026-12-08T143012.csv"} << "log-2026-12-08T143012-2.csv";
        QTest::newRow("two names taken")
            << QStringList{"log-2026-12-08T143012.csv", "log-2026-12-08T143012-2.csv"}
            << "log-2026-12-08T143012-3.csv";
    }
    // The old file is kept whole under the new name, files already there are
    // untouched, and the next record starts a new file with its header.
    void clear() {
        QFETCH(QStringList, taken);
        QFETCH(QString, movedTo);
        QTemporaryDir dir;
        LogFile log(dir.path());
        log.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 30, 12)); });
        for (const QString& name : taken)
            writeRaw(dir.filePath(name), name.toUtf8());
        QCOMPARE(log.append(sample(1)), QString());
        QCOMPARE(log.append(sample(2)), QString());
        const QByteArray before = contents(log.path());

        QCOMPARE(log.clearTarget(), dir.filePath(movedTo));
        const joblog::ClearResult cleared = log.clear();
        QCOMPARE(cleared.error, QString());
        QCOMPARE(cleared.movedTo, dir.filePath(movedTo));
        QVERIFY(!QFile::exists(log.path()));
        QCOMPARE(contents(dir.filePath(movedTo)), before);
        for (const QString& name : taken)
            QCOMPARE(contents(dir.filePath(name)), name.toUtf8());
        QVERIFY(log.read().records.isEmpty());

        QCOMPARE(log.append(sample(3)), QString());
        QCOMPARE(contents(log.path()), headerBytes() + joblog::CsvLine(sample(3).toList()));
    }

    void clearWithoutFile() {
        QTemporaryDir dir;
        const joblog::ClearResult cleared = LogFile(dir.path()).clear();
        QCOMPARE(cleared.error, QString());
        QCOMPARE(cleared.movedTo, QString());
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

    // ---- crashes and other writers ------------------------------------------

    void crashAfterAppend_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("_exit, no clean-up") << 0;
        QTest::newRow("abort") << 1;
        QTest::newRow("killed") << 2;
    }
    // A child process adds records and dies at once after the last one
    // returned: every record it was told was written is in the file.
    void crashAfterAppend() {
        QFETCH(int, how);
        QTemporaryDir dir;
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // No core file for the deliberate abort.
            ::signal(SIGABRT, SIG_DFL);
            LogFile log(dir.path());
            for (int i = 1; i <= 5; ++i)
                if (!log.append(sample(i)).isEmpty())
                    ::_exit(3);
            if (how == 1)
                std::abort();
            if (how == 2)
                ::kill(::getpid(), SIGKILL);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(!(WIFEXITED(status) && WEXITSTATUS(status) == 3));
        const joblog::ReadResult got = LogFile(dir.path()).read();
        QCOMPARE(got.damaged, 0);
        QCOMPARE(got.records.size(), 5);
        QCOMPARE(got.records.back(), sample(5));
    }

    // Several copies of the program adding at once: one header, every record
    // whole.
    void concurrentWriters() {
        QTemporaryDir dir;
        constexpr int kWriters = 4, kEach = 60;
        QList<pid_t> children;
        for (int w = 0; w < kWriters; ++w) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                LogFile log(dir.path());
                for (int i = 0; i < kEach; ++i)
                    if (!log.append(sample(w * 1000 + i, QStringLiteral("writer %1").arg(w)))
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
        // Each writer's records in the order it wrote them.
        QList<int> next(kWriters, 0);
        for (const Record& r : got.records) {
            const int w = r[Column::ParameterSet].section(' ', 1).toInt();
            QCOMPARE(r[Column::Easting1], sample(w * 1000 + next[w]++)[Column::Easting1]);
        }
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
