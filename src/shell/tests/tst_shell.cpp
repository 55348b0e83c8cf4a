// Start-up, the main menu and shut-down, through a real Shell pointed at a
// temporary data folder and lock folder.
#include "modalguard.h"
#include "shell.h"
#include "store.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

QList<QWidget*> visibleWindows() {
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !qobject_cast<QMessageBox*>(w))
            out << w;
    return out;
}

void processDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

catalogue::EntryTexts entry(const QString& name) {
    return {name, "1", "0", "1", "0", "0", "0 N", "3 W"};
}

struct Run {
    QTemporaryDir dir;
    QString data = dir.filePath("data");
    QString lock = dir.filePath("run");
    QString lockFile = lock + "/quillmar.lock";
    QString catalogue = data + "/quillmar/QUILLMAR.MDB";
    AppState state;
    ModalGuard guard;
    std::unique_ptr<Shell> shell;

    bool start() {
        shell = std::make_unique<Shell>(state, Shell::Options{data, lock});
        return shell->Start();
    }
    QWidget* menu() { return shell->menu(); }
    void click(QWidget* window, const QString& button) {
        QTest::mouseClick(must<QPushButton>(window, qPrintable(button)), Qt::LeftButton);
    }
    // The one visible window; null when there is not exactly one.
    QWidget* only() {
        const auto v = visibleWindows();
        return v.size() == 1 ? v.first() : nullptr;
    }
    ~Run() {
        shell.reset();
        processDeletions();
        // The shell ends the run with QCoreApplication::exit(), which outside
        // an event loop makes every later modal box return at once. Running
        // the application loop briefly clears that for the next test.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT

  private slots:
    void startUp_data() {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("entries");
        QTest::newRow("first run installs the catalogue") << false << 25;
        QTest::newRow("existing catalogue kept as it is") << true << 1;
    }
    void startUp() {
        QFETCH(bool, existing);
        QFETCH(int, entries);
        Run r;
        if (existing) {
            QVERIFY(catalogue::CatalogueStore::CreateEmpty(r.catalogue));
            catalogue::CatalogueStore(r.catalogue).SaveEntry(1, entry("Mine"));
        }
        const QByteArray before = contents(r.catalogue);
        QCOMPARE(before.isEmpty(), !existing);
        QVERIFY(r.start());
        QVERIFY_GUARD(r.guard);
        QCOMPARE(r.state.InstallFolder, r.data + "/quillmar");
        QCOMPARE(r.state.DatabasePath, r.catalogue);
        if (existing)
            QCOMPARE(contents(r.catalogue), before);
        QCOMPARE(r.only(), r.menu());
        QCOMPARE(r.menu()->windowTitle(), "Menu");
        const std::pair<const char*, const char*> captions[] = {
            {"SSCommand1", "Calculate position using bearings to new position."},
            {"SSCommand2", "Calculate position using angles of known positions."},
            {"SSCommand3", "Exit"},
            {"SSCommand4", "Quillmar calculations"}};
        for (auto [button, caption] : captions)
            QCOMPARE(must<QPushButton>(r.menu(), button)->text(), caption);
        r.click(r.menu(), "SSCommand4");
        QCOMPARE(must<QListWidget>(r.shell->conversionWindow(), "List1")->count(), entries);
        QVERIFY_GUARD(r.guard);
    }

    void uninstallableCatalogue_data() {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("data folder is a file") << "data";
        QTest::newRow("install folder is a file") << "data/quillmar";
        QTest::newRow("catalogue name is a folder") << "data/quillmar/QUILLMAR.MDB/";
        QTest::newRow("data folder not writable") << "readonly";
    }
    // The warning does not stop the run: the menu comes up, and only the
    // conversion window, which needs the catalogue, ends the run.
    void uninstallableCatalogue() {
        QFETCH(QString, blocker);
        Run r;
        if (blocker == "readonly") {
            if (geteuid() == 0)
                QSKIP("root writes into any folder");
            QVERIFY(QDir().mkpath(r.data));
            QVERIFY(QFile::setPermissions(r.data, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        } else if (blocker.endsWith('/')) {
            QVERIFY(QDir().mkpath(r.dir.filePath(blocker)));
        } else {
            QVERIFY(QDir().mkpath(QFileInfo(r.dir.filePath(blocker)).absolutePath()));
            QFile f(r.dir.filePath(blocker));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        r.guard.expect("Can't find database (Quillmar.mdb)", "Quillmar");
        QVERIFY(r.start());
        QVERIFY_GUARD(r.guard);
        QVERIFY(!QFileInfo(r.catalogue).isFile());
        QCOMPARE(r.only(), r.menu());
        r.guard.expect("Can't find database.", "Quillmar");
        r.click(r.menu(), "SSCommand4");
        QVERIFY_GUARD(r.guard);
        QVERIFY(r.shell->terminated());
        processDeletions();
        QVERIFY(visibleWindows().isEmpty());
        QVERIFY(r.shell->loadedWindows().isEmpty());
        QFile::setPermissions(r.data, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    }

    // Pins: a first load that failed on a damaged catalogue left a window
    // with an empty list behind, shown as it was on every later opening.
    void damagedCatalogueRetried() {
        Run r;
        QVERIFY(QDir().mkpath(QFileInfo(r.catalogue).absolutePath()));
        {
            QFile f(r.catalogue);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not a catalogue") > 0);
        }
        QString message;
        try {
            catalogue::CatalogueStore(r.catalogue).ListNames();
        } catch (const catalogue::StoreError& e) {
            message = e.message();
        }
        QVERIFY(!message.isEmpty());
        QVERIFY(r.start());
        r.guard.expect(message, "Quillmar");
        r.click(r.menu(), "SSCommand4");
        QVERIFY_GUARD(r.guard);
        QVERIFY(!r.shell->terminated());
        processDeletions();
        QCOMPARE(r.only(), r.menu());
        QVERIFY(!r.shell->conversionWindow());

        QVERIFY(QFile::remove(r.catalogue));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(r.catalogue));
        r.click(r.menu(), "SSCommand4");
        QVERIFY_GUARD(r.guard);
        QWidget* conv = r.only();
        QVERIFY(conv && conv == r.shell->conversionWindow());
        QCOMPARE(must<QListWidget>(conv, "List1")->count(), 25);
    }

    void singleInstance_data() {
        QTest::addColumn<bool>("live");
        QTest::addColumn<bool>("empty");
        QTest::newRow("lock held by a running copy: refused") << true << false;
        QTest::newRow("lock left by a run that died: taken over") << false << false;
        // Pins: a crash while the lock was written left an empty file that
        // blocked every later start.
        QTest::newRow("empty lock file: taken over") << false << true;
    }
    void singleInstance() {
        QFETCH(bool, live);
        QFETCH(bool, empty);
        Run r;
        QVERIFY(QDir().mkpath(r.lock));
        QLockFile first(r.lockFile);
        if (live) {
            QVERIFY(first.tryLock(0));
            r.guard.expect("Program is already running", "Quillmar");
        } else if (empty) {
            QFile f(r.lockFile);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else {
            // The lock file of a shell that wrote its own process id and ended.
            QProcess gone;
            gone.start("sh", {"-c", "echo $$"});
            QVERIFY(gone.waitForFinished());
            const QByteArray deadPid = gone.readAllStandardOutput().trimmed();
            QVERIFY(!deadPid.isEmpty());
            QFile f(r.lockFile);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(deadPid + "\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
                    QSysInfo::machineHostName().toUtf8() + "\n");
        }
        QCOMPARE(r.start(), !live);
        QVERIFY_GUARD(r.guard);
        if (!live) {
            QCOMPARE(r.only(), r.menu());
            return;
        }
        QVERIFY(!r.menu());
        QVERIFY(visibleWindows().isEmpty());
        // The refused run goes no further than the lock: nothing is installed,
        // and the first copy keeps its lock.
        QVERIFY(!QFile::exists(r.catalogue));
        QVERIFY(first.isLocked());
    }

    // Regression: a second start said "Program is already running" but left
    // the running window behind others (here: minimized).
    void secondStartBringsFirstForward() {
        Run r;
        QVERIFY(r.start());
        r.menu()->showMinimized();
        QTRY_VERIFY(r.menu()->isMinimized());
        AppState other;
        Shell second(other, Shell::Options{r.data, r.lock});
        r.guard.expect("Program is already running", "Quillmar");
        QVERIFY(!second.Start());
        QVERIFY_GUARD(r.guard);
        QTRY_VERIFY(!r.menu()->isMinimized());
        QVERIFY(r.menu()->isVisible());
    }

    void menuNavigation_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("closeButton");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("kept"); // hidden on close, else unloaded
        QTest::newRow("SSCommand1 opens trig1frm")
            << "SSCommand1" << "trig1frm" << "Triangular" << "SSCommand2" << "txt_E1" << false;
        QTest::newRow("SSCommand2 opens trig2frm")
            << "SSCommand2" << "trig2frm" << "Trilateration" << "SSCommand2" << "txt_E1" << false;
        QTest::newRow("SSCommand4 opens MenuFrm") << "SSCommand4" << "MenuFrm"
                                                  << "Quillmar calculations" << "SSCommand5"
                                                  << "txt_name" << true;
    }
    // Opened, typed into, closed and opened again: a triangle window starts
    // afresh, the conversion window comes back as it was left.
    void menuNavigation() {
        QFETCH(QString, button);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(QString, closeButton);
        QFETCH(QString, field);
        QFETCH(bool, kept);
        Run r;
        QVERIFY(r.start());
        QPointer<QWidget> first;
        for (int round = 0; round < 2; ++round) {
            r.click(r.menu(), button);
            QWidget* w = r.only();
            QVERIFY(w);
            QCOMPARE(w->objectName(), window);
            QCOMPARE(w->windowTitle(), caption);
            QVERIFY(r.shell->loadedWindows().contains(w));
            auto* f = must<QLineEdit>(w, qPrintable(field));
            if (round == 0) {
                first = w;
                f->setText("1000");
                // Names added behind the window's back are not shown on reopening.
                catalogue::CatalogueStore(r.catalogue).SaveEntry(26, entry("Added elsewhere"));
            } else {
                QCOMPARE(w == first, kept);
                QCOMPARE(f->text(), kept ? "1000" : "");
            }
            r.click(w, closeButton);
            processDeletions();
            QCOMPARE(r.only(), r.menu());
            QCOMPARE(r.shell->loadedWindows().size(), kept ? 2 : 1);
            QCOMPARE(first.isNull(), !kept);
        }
        if (kept)
            QCOMPARE(must<QListWidget>(first, "List1")->count(), 25);
        QVERIFY_GUARD(r.guard);
    }

    void exitUnloadsNewestFirst_data() {
        QTest::addColumn<QStringList>("opened"); // buttons pressed and closed again, in order
        QTest::addColumn<bool>("leaveTriangleOpen");
        QTest::addColumn<QStringList>("unloaded");
        QTest::newRow("menu only") << QStringList{} << false << QStringList{"MainMenufrm"};
        QTest::newRow("conversion window hidden")
            << QStringList{"SSCommand4"} << false << QStringList{"MenuFrm", "MainMenufrm"};
        QTest::newRow("triangle windows already gone")
            << QStringList{"SSCommand1", "SSCommand4", "SSCommand2"} << false
            << QStringList{"MenuFrm", "MainMenufrm"};
        // Shut down while a triangle window is still loaded (the program's own
        // end, not the Exit button, which needs the menu in view).
        QTest::newRow("triangle window still loaded")
            << QStringList{"SSCommand4"} << true
            << QStringList{"trig2frm", "MenuFrm", "MainMenufrm"};
    }
    void exitUnloadsNewestFirst() {
        QFETCH(QStringList, opened);
        QFETCH(bool, leaveTriangleOpen);
        QFETCH(QStringList, unloaded);
        Run r;
        QVERIFY(r.start());
        for (const QString& b : opened) {
            r.click(r.menu(), b);
            QWidget* w = r.only();
            QVERIFY(w);
            r.click(w, b == "SSCommand4" ? "SSCommand5" : "SSCommand2");
            processDeletions();
        }
        if (leaveTriangleOpen)
            r.click(r.menu(), "SSCommand2");
        const QList<QWidget*> loaded = r.shell->loadedWindows();
        QCOMPARE(loaded.size(), unloaded.size());
        QCOMPARE(loaded.first(), r.menu());
        QStringList order;
        for (QWidget* w : loaded)
            connect(w, &QObject::destroyed, this, [&order, n = w->objectName()] { order << n; });
        if (leaveTriangleOpen)
            r.shell->shutDown();
        else
            r.click(r.menu(), "SSCommand3");
        QVERIFY(visibleWindows().isEmpty());
        processDeletions();
        QCOMPARE(order, unloaded);
        QVERIFY(r.shell->loadedWindows().isEmpty());
        QVERIFY(!r.shell->terminated());
        QVERIFY(QLockFile(r.lockFile).tryLock(0)); // the next run may start
        QVERIFY_GUARD(r.guard);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
