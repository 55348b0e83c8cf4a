// A process killed at random moments while it saves, edits and deletes
// entries must leave a catalogue that is whole: every change it reported is
// there, nothing is half-written, and the next run carries on with the file.
//
// The same binary is the worker: "tst_crash --churn FILE SEED KEYS" loops
// over the store's writes and reports each one on stdout.
#include "rawcatalogue.h"
#include "store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

using catalogue::CatalogueStore;
using catalogue::EntryTexts;

namespace {

// Worker lines, tab-separated: "try\tOP\tKEY\t8 texts" before a write,
// "done\tOP\tKEY\t8 texts" once it has returned. OP is save, edit or delete.
QStringList toFields(const EntryTexts& t) {
    return {t.name, t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian};
}

// One write(2) per line: a line is whole in the pipe or not there at all.
void say(const QString& op, const QString& what, qint64 key, const EntryTexts& t) {
    const QByteArray line =
        (QStringList{op, what, QString::number(key)} + toFields(t)).join('\t').toUtf8() + '\n';
    if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
        ::_exit(3);
}

// Texts that read back from the file exactly as written: at most 15
// significant digits, no trailing zero after the point.
EntryTexts randomTexts(QRandomGenerator& rng, const QString& name, bool withMeridian) {
    auto digits = [&](int n) {
        QString s;
        for (int i = 0; i < n - 1; ++i)
            s += QChar('0' + rng.bounded(10));
        return s + QChar('1' + rng.bounded(9));
    };
    EntryTexts t;
    t.name = name;
    t.sma = QString::number(6377000 + rng.bounded(2000)) + '.' + digits(1 + rng.bounded(3));
    t.eccentricity = "0.006" + digits(1 + rng.bounded(9));
    t.Scale = rng.bounded(4) == 0 ? QStringLiteral("1") : "0.999" + digits(1 + rng.bounded(6));
    t.FE = QString::number(rng.bounded(1, 4000000));
    t.FN = QString::number(-rng.bounded(1, 200000)) + (rng.bounded(2) ? "." + digits(2) : "");
    t.Lat = QString::number(rng.bounded(90)) + (rng.bounded(2) ? " N" : " S");
    if (withMeridian)
        t.meridian = QString::number(rng.bounded(181)) + (rng.bounded(2) ? " E" : " W");
    return t;
}

int churn(const QStringList& args) {
    const QString path = args.value(2);
    const quint32 seed = args.value(3).toUInt();
    QList<qint64> keys;
    for (const QString& k : args.value(4).split(',', Qt::SkipEmptyParts))
        keys << k.toLongLong();
    QRandomGenerator rng(seed);
    CatalogueStore store(path);
    say("ready", "-", 0, {});
    // Bounded so that a parent that never kills still gets its turn back.
    for (int n = 0; n < 2000; ++n) {
        const int dice = rng.bounded(100);
        // Names are unique, with some non-ASCII so an encoding slip shows.
        const QString name = QStringLiteral("Gauß %1/%2").arg(seed).arg(n);
        try {
            if (keys.size() < 4 || (dice < 45 && keys.size() < 40)) {
                const EntryTexts t = randomTexts(rng, name, rng.bounded(8) != 0);
                const qint64 key = store.NextKey();
                say("try", "save", key, t);
                keys << store.SaveEntry(key, t);
                say("done", "save", keys.last(), t);
            } else if (dice < 75) {
                const qint64 key = keys[rng.bounded(int(keys.size()))];
                // An empty meridian keeps the stored one.
                const EntryTexts t = randomTexts(rng, name, rng.bounded(5) != 0);
                say("try", "edit", key, t);
                store.UpdateEntry(key, t);
                say("done", "edit", key, t);
            } else {
                const qint64 key = keys.takeAt(rng.bounded(int(keys.size())));
                say("try", "delete", key, {});
                store.DeleteEntry(key);
                say("done", "delete", key, {});
            }
        } catch (const catalogue::StoreError& e) {
            qCritical("worker: %s", qPrintable(e.message()));
            return 2;
        }
    }
    say("end", "-", 0, {});
    return 0;
}

// Starts a transaction too big for the page cache, so pages reach the file
// before the commit and the journal is made hot; then waits to be killed.
int tear(const QString& path) {
    testcat::Raw raw(path);
    raw.run("PRAGMA cache_size = 10");
    raw.run("BEGIN");
    raw.run("UPDATE Spheroid SET name = 'torn ' || name");
    for (int i = 0; i < 400; ++i)
        raw.insert({100 + i, 100 + i, QString("torn %1 ").arg(i).repeated(60)});
    say("torn", "-", 0, {});
    QThread::sleep(60);
    return 1;
}

// The table as rows of id, ref and the eight texts, in stored order.
using Table = QList<QStringList>;

Table readTable(testcat::Raw& raw) {
    QSqlQuery q = raw.run("SELECT id, ref, name, sma, eccentricity, Scale, FE, FN, Lat, meridian "
                          "FROM Spheroid ORDER BY rowid");
    Table out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < 10; ++i) {
            const QVariant v = q.value(i);
            row << (v.isNull()                           ? QString()
                    : v.typeId() == QMetaType::Double ? catalogue::Number_Text(v.toDouble())
                                                      : v.toString());
        }
        out << row;
    }
    return out;
}

// What one reported write does to the table.
void apply(Table& table, const QStringList& line) {
    const QString op = line[1];
    const QString key = line[2];
    const QStringList texts = line.mid(3, 8);
    auto first = [&] {
        for (qsizetype i = 0; i < table.size(); ++i)
            if (table[i][1] == key)
                return i;
        return qsizetype(-1);
    };
    if (op == "save") {
        table << (QStringList{key, key} + texts);
    } else if (op == "edit") {
        const qsizetype i = first();
        if (i < 0)
            qFatal("edit of a key the model does not hold: %s", qPrintable(key));
        const QString meridian = table[i][9];
        table[i] = table[i].mid(0, 2) + texts;
        if (texts[7].isEmpty())
            table[i][9] = meridian;
    } else if (op == "delete") {
        const qsizetype i = first();
        if (i >= 0)
            table.removeAt(i);
    }
}

// A journal the engine must roll back before anyone may read: its header
// carries the magic only once the commit has begun.
bool hotJournal(const QString& path) {
    QFile f(path + "-journal");
    return f.open(QIODevice::ReadOnly) &&
           f.read(8) == QByteArray::fromHex("d9d505f920a163d7");
}

// Starts this binary as a worker and waits for its line starting with
// `marker`; what it printed so far goes to `out`.
bool startWorker(QProcess& worker, const QStringList& args, const QByteArray& marker,
                 QByteArray& out) {
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    worker.start(QCoreApplication::applicationFilePath(), args);
    if (!worker.waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(20000);
    while (!out.contains(marker + '\t') && !deadline.hasExpired() &&
           worker.state() == QProcess::Running)
        if (worker.waitForReadyRead(int(deadline.remainingTime())))
            out += worker.readAllStandardOutput();
    return out.contains(marker + '\t');
}

QString show(const Table& t) {
    QStringList rows;
    for (const QStringList& r : t)
        rows << r.join('|');
    return rows.join('\n');
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

  private slots:
    // QUILLMAR_CRASH_SEED replays another run.
    void killedWorker() {
        const quint32 seed = qEnvironmentVariableIsSet("QUILLMAR_CRASH_SEED")
                                 ? qEnvironmentVariable("QUILLMAR_CRASH_SEED").toUInt()
                                 : 20240611u;
        const int rounds = 40;
        const QString path = dir_.filePath(QString("run%1/QUILLMAR.MDB").arg(seed));
        QString error;
        QVERIFY2(CatalogueStore::InstallDefault(path, &error), qPrintable(error));
        Table model;
        {
            testcat::Raw raw(path);
            model = readTable(raw);
        }
        QCOMPARE(model.size(), 25);
        QRandomGenerator rng(seed);
        int doneTotal = 0, inFlightKills = 0, inFlightLanded = 0, journals = 0, hotJournals = 0;
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < rounds; ++round) {
            const QByteArray context =
                QStringLiteral("seed %1, round %2").arg(seed).arg(round).toUtf8();
            QStringList keys;
            for (const QStringList& r : model)
                keys << r[1];
            QProcess worker;
            QByteArray out;
            QVERIFY2(startWorker(worker,
                                 {"--churn", path, QString::number(rng.generate()), keys.join(',')},
                                 "ready", out),
                     context.constData());
            // Short delays hit the first write; longer ones let several
            // writes finish before the kill. On fast storage a write is over
            // in a blink, so every third kill follows a write's start closely.
            switch (round % 3) {
            case 0:
                QThread::msleep(rng.bounded(30));
                break;
            case 1:
                QThread::msleep(rng.bounded(300));
                break;
            default: {
                const qsizetype starts = out.count("try\t") + 1 + rng.bounded(5);
                QDeadlineTimer deadline(20000);
                while (out.count("try\t") < starts && !deadline.hasExpired() &&
                       worker.state() == QProcess::Running)
                    if (worker.waitForReadyRead(int(deadline.remainingTime())))
                        out += worker.readAllStandardOutput();
                QThread::usleep(rng.bounded(2000));
            }
            }
            worker.kill();
            QVERIFY2(worker.waitForFinished(10000), context.constData());
            out += worker.readAllStandardOutput();
            // A worker that finished its loop or failed on its own is a fault too.
            QVERIFY2(worker.exitStatus() == QProcess::CrashExit, context.constData());
            if (QFile::exists(path + "-journal"))
                ++journals;
            if (hotJournal(path))
                ++hotJournals;

            // Only whole lines count; the last "try" without its "done" is the
            // write the kill may have caught.
            std::optional<QStringList> inFlight;
            for (const QByteArray& l : out.split('\n')) {
                const QStringList line = QString::fromUtf8(l).split('\t');
                if (line.size() != 11 || (line[0] != "try" && line[0] != "done"))
                    continue;
                if (line[0] == "try") {
                    QVERIFY2(!inFlight, context.constData());
                    inFlight = line;
                } else {
                    QVERIFY2(inFlight && inFlight->mid(1) == line.mid(1), context.constData());
                    apply(model, line);
                    inFlight.reset();
                    ++doneTotal;
                }
            }
            Table alternative = model;
            if (inFlight) {
                ++inFlightKills;
                apply(alternative, *inFlight);
            }

            // The command-line tool reads with a read-only open, perhaps
            // before the program has opened the file again.
            QStringList names;
            try {
                names = CatalogueStore(path, true).ListNames();
            } catch (const catalogue::StoreError& e) {
                QFAIL(qPrintable(QString("%1: read-only read after the kill: %2")
                                     .arg(context, e.message())));
            }

            testcat::Raw raw(path);
            QSqlQuery check = raw.run("PRAGMA integrity_check");
            QStringList integrity;
            while (check.next())
                integrity << check.value(0).toString();
            QVERIFY2(integrity == QStringList{"ok"},
                     qPrintable(context + ": " + integrity.join('\n')));
            const Table actual = readTable(raw);
            if (inFlight && actual == alternative && actual != model) {
                ++inFlightLanded;
                model = alternative;
            }
            QVERIFY2(actual == model,
                     qPrintable(QString("%1\nin flight: %2\nfile:\n%3\nexpected:\n%4")
                                    .arg(context, inFlight ? inFlight->join('|') : "none",
                                         show(actual), show(model))));
            QStringList expectedNames;
            for (const QStringList& r : model)
                expectedNames << r[2];
            QVERIFY2(names == expectedNames, context.constData());
        }
        qInfo("%d rounds in %lld ms: %d writes reported, %d kills during a write (%d of them "
              "committed), %d left a rollback journal (%d of them in the commit)",
              rounds, clock.elapsed(), doneTotal, inFlightKills, inFlightLanded, journals,
              hotJournals);
        // Without these the run proved little: the kills must have caught
        // writes half-way, and writes must have finished between kills.
        QVERIFY2(inFlightKills >= rounds / 4, "too few kills during a write");
        QVERIFY2(doneTotal >= rounds, "too few writes finished");
    }

    // A reader holds the file, so the worker's save waits in its commit with
    // the row written to its cache and the journal begun; killed there, it
    // must leave the table as it was. The journal on disk is what makes this
    // safe: kept in memory or switched off, a kill in the commit tears pages.
    void killedWhileCommitWaits() {
        const QString path = dir_.filePath("waiting/QUILLMAR.MDB");
        testcat::create(path, {{1, 1, "A"}, {2, 2, "B"}, {3, 3, "C"}});
        testcat::Raw reader(path);
        reader.run("BEGIN");
        reader.run("SELECT COUNT(*) FROM Spheroid");
        QProcess worker;
        QByteArray out;
        // Fewer than four rows: the first write is a save.
        QVERIFY(startWorker(worker, {"--churn", path, "7", "1,2,3"}, "try", out));
        QVERIFY(out.contains("try\tsave\t4\t"));
        QDeadlineTimer deadline(1500); // the store waits 2 s for the lock
        bool journal = false;
        while (!(journal = QFile::exists(path + "-journal")) && !deadline.hasExpired())
            QThread::usleep(500);
        worker.kill();
        QVERIFY(worker.waitForFinished(10000));
        out += worker.readAllStandardOutput();
        QVERIFY2(journal, "the store's write kept no rollback journal on disk");
        QCOMPARE(worker.exitStatus(), QProcess::CrashExit);
        QVERIFY(!out.contains("done\t"));
        reader.run("ROLLBACK");
        QSqlQuery check = reader.run("PRAGMA integrity_check");
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toString(), "ok");
        QCOMPARE(reader.rows(), (QStringList{"1/1/A", "2/2/B", "3/3/C"}));
    }

    void tornWrite_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QStringList>("after"); // id/ref/name rows once the op is done
        const QStringList abc{"1/1/A", "2/2/B", "3/3/C"};
        QTest::newRow("ListNames") << "ListNames" << false << abc;
        QTest::newRow("FindByName") << "FindByName" << false << abc;
        QTest::newRow("NextKey") << "NextKey" << false << abc;
        QTest::newRow("SaveEntry") << "SaveEntry" << false << abc + QStringList{"4/4/New"};
        QTest::newRow("UpdateEntry") << "UpdateEntry" << false
                                     << QStringList{"1/1/A", "2/2/New", "3/3/C"};
        QTest::newRow("DeleteEntry") << "DeleteEntry" << false << QStringList{"1/1/A", "3/3/C"};
        // Regression rows: a read-only open (the command-line tool's) right
        // after a writer died mid-commit reads the last committed state
        // instead of refusing until the program opens the file again.
        QTest::newRow("read-only ListNames") << "ListNames" << true << abc;
        QTest::newRow("read-only FindByName") << "FindByName" << true << abc;
        QTest::newRow("read-only NextKey") << "NextKey" << true << abc;
    }
    // A writer killed after part of its transaction reached the file: the
    // next opening, whatever it does, sees the state before that transaction.
    void tornWrite() {
        QFETCH(QString, op);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, after);
        const QString path = dir_.filePath(QString("torn-%1-%2/QUILLMAR.MDB").arg(op).arg(readOnly));
        testcat::create(path, {{1, 1, "A"}, {2, 2, "B"}, {3, 3, "C"}});
        const QByteArray before = testcat::digest(path);
        QProcess writer;
        QByteArray out;
        const bool torn = startWorker(writer, {"--tear", path}, "torn", out);
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        QVERIFY(torn);
        QVERIFY2(hotJournal(path), "the writer left no hot journal");
        QVERIFY2(testcat::digest(path) != before, "no page of the transaction reached the file");

        CatalogueStore store(path, readOnly);
        try {
            if (op == "ListNames") {
                QCOMPARE(store.ListNames(), (QStringList{"A", "B", "C"}));
            } else if (op == "FindByName") {
                QCOMPARE(store.FindByName("b").value().ref, 2);
            } else if (op == "NextKey") {
                QCOMPARE(store.NextKey(), 4);
            } else if (op == "SaveEntry") {
                QCOMPARE(store.SaveEntry(4, testcat::texts("New")), 4);
            } else if (op == "UpdateEntry") {
                store.UpdateEntry(2, testcat::texts("New"));
            } else if (op == "DeleteEntry") {
                store.DeleteEntry(2);
            }
        } catch (const catalogue::StoreError& e) {
            QFAIL(qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(path + "-journal"));
        testcat::Raw raw(path);
        QSqlQuery check = raw.run("PRAGMA integrity_check");
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toString(), "ok");
        QCOMPARE(raw.rows(), after);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--churn") == 0)
        return churn(app.arguments());
    if (argc > 2 && qstrcmp(argv[1], "--tear") == 0)
        return tear(app.arguments()[2]);
    TestCrash test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
