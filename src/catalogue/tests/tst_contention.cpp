// Another program holding the catalogue locked: every operation gives up
// within the busy timeout with a report, leaves the file alone, and works
// again once the lock is gone; in the window as well as in the store.
//
// The same binary is the other program: "tst_contention --hold FILE KIND"
// takes the lock, says so on stdout and keeps it until its stdin closes.
#include "spheroidtab.h"
#include "store.h"
#include "tabwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

using catalogue::CatalogueStore;
using catalogue::StoreError;
using namespace testcat;

namespace {

// exclusive: nobody may read or write. reserved: a write is under way, reads
// go on. shared: a read is under way, so no write may commit.
int hold(const QString& path, const QString& kind) {
    Raw raw(path);
    if (kind == "exclusive") {
        raw.run("BEGIN EXCLUSIVE");
    } else if (kind == "reserved") {
        raw.run("BEGIN IMMEDIATE");
    } else if (kind == "shared") {
        raw.run("BEGIN");
        raw.run("SELECT COUNT(*) FROM Spheroid");
    } else {
        return 2;
    }
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    char buf[64];
    while (std::fgets(buf, sizeof buf, stdin))
        ;
    raw.run("ROLLBACK");
    return 0;
}

// The other program, killed at the latest when the test is done with it.
class Holder {
  public:
    bool start(const QString& path, const QString& kind) {
        p_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p_.start(QCoreApplication::applicationFilePath(), {"--hold", path, kind});
        if (!p_.waitForStarted(10000))
            return false;
        QByteArray out;
        QDeadlineTimer deadline(20000);
        while (!out.contains("held\n") && !deadline.hasExpired() &&
               p_.state() == QProcess::Running)
            if (p_.waitForReadyRead(int(deadline.remainingTime())))
                out += p_.readAllStandardOutput();
        return out.contains("held\n");
    }
    // True when it let go and ended normally.
    bool release() {
        p_.closeWriteChannel();
        return p_.waitForFinished(10000) && p_.exitStatus() == QProcess::NormalExit &&
               p_.exitCode() == 0;
    }
    ~Holder() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished(10000);
        }
    }

  private:
    QProcess p_;
};

enum Op { List, Find, Next, Save, Update, Delete };
const char* const kOpNames[] = {"ListNames", "FindByName", "NextKey",
                                "SaveEntry", "UpdateEntry", "DeleteEntry"};

// Runs the operation and returns what it found or did, as one line.
QString run(CatalogueStore& s, int op) {
    switch (op) {
    case List:
        return s.ListNames().join(',');
    case Find:
        return QString::number(s.FindByName("b").value_or(catalogue::Entry{}).ref);
    case Next:
        return QString::number(s.NextKey());
    case Save:
        return QString::number(s.SaveEntry(4, texts("New")));
    case Update:
        s.UpdateEntry(2, texts("New"));
        return "updated";
    case Delete:
        s.DeleteEntry(2);
        return "deleted";
    }
    return {};
}

// What a store failure under a lock says; `verb` is "read" or "written".
// The stage the engine gave up at (statement, row, commit) is not named:
// the user can do nothing with it.
QString lockedMessage(const QString& verb) {
    return QStringLiteral("The catalogue could not be %1: another program kept it locked for 5 "
                          "seconds. It was left as it was.")
        .arg(verb);
}

// Stays well clear of a hang, and of the 5 s the engine waits for the lock.
constexpr qint64 kPromptMs = 10000;

const QList<Row> kRows{{1, 1, "A"}, {2, 2, "B"}, {3, 3, "C"}};

struct Window : TabWindow {
    Window() : TabWindow(kRows) {}
};

} // namespace

class TestContention : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int files_ = 0;

  private slots:
    void storeOperation_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("message"); // empty: the operation goes through
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("after"); // id/ref/name rows once it went through
        const QStringList abc{"1/1/A", "2/2/B", "3/3/C"};
        const QString results[] = {"A,B,C", "2", "4", "4", "updated", "deleted"};
        const QStringList afters[] = {abc, abc, abc, abc + QStringList{"4/4/New"},
                                      {"1/1/A", "2/2/New", "3/3/C"}, {"1/1/A", "3/3/C"}};
        for (int op = List; op <= Delete; ++op) {
            QTest::addRow("exclusive: %s", kOpNames[op])
                << "exclusive" << op
                << lockedMessage(op >= Save ? "written" : "read")
                << results[op] << afters[op];
        }
        for (int op = List; op <= Delete; ++op) {
            QTest::addRow("reserved: %s", kOpNames[op])
                << "reserved" << op
                << (op >= Save ? lockedMessage("written") : QString())
                << results[op] << afters[op];
        }
        for (int op = List; op <= Delete; ++op) {
            QTest::addRow("shared: %s", kOpNames[op])
                << "shared" << op
                << (op >= Save ? lockedMessage("written")
                               : QString())
                << results[op] << afters[op];
        }
    }
    void storeOperation() {
        QFETCH(QString, kind);
        QFETCH(int, op);
        QFETCH(QString, message);
        QFETCH(QString, result);
        QFETCH(QStringList, after);
        const QString path = dir_.filePath(QString("cat%1/QUILLMAR.MDB").arg(++files_));
        create(path, kRows);
        const QByteArray before = digest(path);
        CatalogueStore store(path);
        {
            Holder holder;
            QVERIFY(holder.start(path, kind));
            QElapsedTimer clock;
            clock.start();
            try {
                const QString got = run(store, op);
                QVERIFY2(message.isEmpty(), qPrintable("no error, got " + got));
                QCOMPARE(got, result);
            } catch (const StoreError& e) {
                QCOMPARE(e.kind(), StoreError::Kind::Failed);
                QCOMPARE(e.message(), message);
            }
            QVERIFY2(clock.elapsed() < kPromptMs, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(digest(path), before);
            QVERIFY(holder.release());
        }
        QVERIFY(!QFile::exists(path + "-journal"));
        if (!message.isEmpty()) {
            QCOMPARE(digest(path), before);
            QCOMPARE(run(store, op), result); // the lock is gone: it works
        }
        QCOMPARE(Raw(path).rows(), after);
    }

    void spheroidTab_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("buttons"); // Save, Edit, Delete after the failure
        const QString readFailed = lockedMessage("read");
        const QString writeFailed = lockedMessage("written");
        QTest::newRow("save, file locked") << "exclusive" << "save" << readFailed << "E--";
        // The renamed entry may also be saved as a new one.
        QTest::newRow("edit, file locked") << "exclusive" << "edit" << writeFailed << "EEE";
        QTest::newRow("delete, file locked") << "exclusive" << "delete" << writeFailed << "-EE";
        // Regression row: after a failed selection Edit and Delete must not
        // act on the entry selected before, which the user no longer sees.
        QTest::newRow("select, file locked") << "exclusive" << "select" << readFailed << "---";
        QTest::newRow("save while another program reads")
            << "shared" << "save" << lockedMessage("written")
            << "E--";
        QTest::newRow("edit while another program writes")
            << "reserved" << "edit" << lockedMessage("written") << "EEE";
    }
    void spheroidTab() {
        QFETCH(QString, kind);
        QFETCH(QString, action);
        QFETCH(QString, message);
        QFETCH(QString, buttons);
        Window t;
        if (action == "save") {
            t.type("txt_name", "New");
            t.type("txt_major", "6378137");
            t.type("txt_ecc", "0.00669438");
            for (const char* f : {"txt_scale", "txt_fe", "txt_fn"})
                t.type(f, "1");
            t.type("txt_orig", "0 N");
            t.type("txt_cm", "3 E"); // the saved entry is selected: no question about it
        } else {
            t.select("B");
            if (action == "edit")
                t.type("txt_name", "B renamed");
        }
        const QString shownName = t.get("txt_name")->text();
        auto act = [&] {
            if (action == "select")
                t.select("C");
            else
                t.click(action == "save" ? "SSCommand2" : action == "edit" ? "SSCommand3"
                                                                            : "SSCommand4");
        };
        const QByteArray before = digest(t.path);
        {
            Holder holder;
            QVERIFY(holder.start(t.path, kind));
            if (action == "delete")
                t.guard.expect("Delete B from the catalogue?", "Quillmar",
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            t.guard.expect(message, "Quillmar", QMessageBox::Ok);
            QElapsedTimer clock;
            clock.start();
            act();
            QVERIFY_GUARD(t.guard);
            QVERIFY2(clock.elapsed() < kPromptMs, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(digest(t.path), before);
            QCOMPARE(t.terminations, 0);
            QCOMPARE(t.names(), (QStringList{"A", "B", "C"}));
            QCOMPARE(t.buttons(), buttons);
            // What the user typed or chose is still there for another try.
            if (action != "select")
                QCOMPARE(t.get("txt_name")->text(), shownName);
            QVERIFY(holder.release());
        }
        QCOMPARE(digest(t.path), before);
        // The same action again, now that nobody holds the file.
        if (action == "delete")
            t.guard.expect("Delete B from the catalogue?", "Quillmar",
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        act();
        QVERIFY_GUARD(t.guard);
        const QStringList rows = Raw(t.path).rows();
        if (action == "save") {
            QCOMPARE(rows, (QStringList{"1/1/A", "2/2/B", "3/3/C", "4/4/New"}));
            QCOMPARE(t.names().last(), "New");
        } else if (action == "edit") {
            QCOMPARE(rows, (QStringList{"1/1/A", "2/2/B renamed", "3/3/C"}));
            QCOMPARE(t.names(), (QStringList{"A", "B renamed", "C"}));
        } else if (action == "delete") {
            QCOMPARE(rows, (QStringList{"1/1/A", "3/3/C"}));
            QCOMPARE(t.names(), (QStringList{"A", "C"}));
        } else {
            QCOMPARE(t.get("txt_name")->text(), "C");
            QCOMPARE(t.state.parameters.selectedRef().value_or(0), qint64(3));
            QCOMPARE(t.buttons(), "-EE");
        }
    }
};

int main(int argc, char** argv) {
    if (argc > 3 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return hold(app.arguments()[2], app.arguments()[3]);
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestContention test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_contention.moc"
