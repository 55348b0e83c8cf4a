// Start-up, the main menu and shut-down, through a real Shell pointed at a
// temporary data folder and lock folder.
#include "modalguard.h"
#include "shell.h"
#include "store.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
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

const QString kNoCatalogue = QStringLiteral("Can't find database (Quillmar.mdb)");
const QString kGone = QStringLiteral("Can't find database.");
const QString kRunning = QStringLiteral("Program is already running");

QList<QWidget*> visibleWindows() {
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !qobject_cast<QMessageBox*>(w))
            out << w;
    return out;
}

QByteArray digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void processDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

struct Run {
    QTemporaryDir dir;
    QString data;
    QString lock;
    AppState state;
    ModalGuard guard;
    std::unique_ptr<Shell> shell;

    Run() : data(dir.filePath(QStringLiteral("data"))), lock(dir.filePath(QStringLiteral("run"))) {}
    QString catalogue() const { return data + QStringLiteral("/quillmar/QUILLMAR.MDB"); }
    bool start() {
        shell = std::make_unique<Shell>(state, Shell::Options{data, lock});
        return shell->Start();
    }
    void click(QWidget* window, const char* button) {
        QTest::mouseClick(must<QPushButton>(window, button), Qt::LeftButton);
    }
    // The one visible window; fails the test when there is not exactly one.
    QWidget* only() {
        const auto v = visibleWindows();
        if (v.size() != 1) {
            QStringList names;
            for (QWidget* w : v)
                names << w->objectName();
            qWarning("visible windows: %s", qPrintable(names.join(QLatin1Char(' '))));
            return nullptr;
        }
        return v.first();
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
    void firstRunInstallsCatalogue();
    void existingCatalogueKept();
    void uninstallableCatalogue_data();
    void uninstallableCatalogue();
    void catalogueDeletedWhileRunning();
    void secondInstanceRefused();
    void staleLockDoesNotBlock();
    void lockFreedAtShutDown();
    void menuNavigation_data();
    void menuNavigation();
    void conversionWindowKeepsState();
    void triangleWindowsStartEmpty_data();
    void triangleWindowsStartEmpty();
    void exitUnloadsNewestFirst_data();
    void exitUnloadsNewestFirst();
    void menuCaptionsAndKeyboardOrder();
};

void TestShell::firstRunInstallsCatalogue() {
    Run r;
    QVERIFY(!QFile::exists(r.catalogue()));
    QVERIFY(r.start());
    QVERIFY_GUARD(r.guard);
    QVERIFY(QFile::exists(r.catalogue()));
    QCOMPARE(r.state.InstallFolder, r.data + QStringLiteral("/quillmar"));
    QCOMPARE(r.state.DatabasePath, r.catalogue());
    QCOMPARE(catalogue::CatalogueStore(r.catalogue()).ListNames().size(), 25);
    QCOMPARE(r.only(), static_cast<QWidget*>(r.shell->menu()));
    QCOMPARE(r.shell->menu()->windowTitle(), QStringLiteral("Menu"));
}

void TestShell::existingCatalogueKept() {
    Run r;
    QVERIFY(catalogue::CatalogueStore::CreateEmpty(r.catalogue()));
    catalogue::CatalogueStore(r.catalogue())
        .SaveEntry(1, {QStringLiteral("Mine"), QStringLiteral("1"), QStringLiteral("0"),
                       QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"),
                       QStringLiteral("0 N"), QStringLiteral("3 W")});
    const QByteArray before = digest(r.catalogue());
    QVERIFY(r.start());
    QVERIFY_GUARD(r.guard);
    QCOMPARE(digest(r.catalogue()), before);
    r.click(r.shell->menu(), "SSCommand4");
    QCOMPARE(must<QListWidget>(r.shell->conversionWindow(), "List1")->count(), 1);
}

void TestShell::uninstallableCatalogue_data() {
    QTest::addColumn<QString>("blocker");
    QTest::newRow("data folder is a file") << "data";
    QTest::newRow("install folder is a file") << "data/quillmar";
    QTest::newRow("catalogue name is a folder") << "data/quillmar/QUILLMAR.MDB/";
    QTest::newRow("data folder not writable") << "readonly";
}

// The warning does not stop the run: the menu comes up, the triangle
// windows work, and only the conversion window ends the run.
void TestShell::uninstallableCatalogue() {
    QFETCH(QString, blocker);
    Run r;
    if (blocker == QLatin1String("readonly")) {
        if (geteuid() == 0)
            QSKIP("root writes into any folder");
        QVERIFY(QDir().mkpath(r.data));
        QVERIFY(QFile::setPermissions(r.data, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else if (blocker.endsWith(QLatin1Char('/'))) {
        QVERIFY(QDir().mkpath(r.dir.filePath(blocker)));
    } else {
        QVERIFY(QDir().mkpath(QFileInfo(r.dir.filePath(blocker)).absolutePath()));
        QFile f(r.dir.filePath(blocker));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    r.guard.expect(kNoCatalogue, QStringLiteral("Quillmar"));
    QVERIFY(r.start());
    QVERIFY_GUARD(r.guard);
    QVERIFY(!QFileInfo(r.catalogue()).isFile());
    QCOMPARE(r.only(), static_cast<QWidget*>(r.shell->menu()));

    r.click(r.shell->menu(), "SSCommand1");
    QVERIFY_GUARD(r.guard);
    QWidget* trig = r.only();
    QVERIFY(trig);
    QCOMPARE(trig->objectName(), QStringLiteral("trig1frm"));
    r.click(trig, "SSCommand2");
    processDeletions();
    QCOMPARE(r.only(), static_cast<QWidget*>(r.shell->menu()));

    r.guard.expect(kGone, QStringLiteral("Quillmar"));
    r.click(r.shell->menu(), "SSCommand4");
    QVERIFY_GUARD(r.guard);
    QVERIFY(r.shell->terminated());
    processDeletions();
    QVERIFY(visibleWindows().isEmpty());
    QVERIFY(r.shell->loadedWindows().isEmpty());
    if (blocker == QLatin1String("readonly"))
        QFile::setPermissions(r.data, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
}

void TestShell::catalogueDeletedWhileRunning() {
    Run r;
    QVERIFY(r.start());
    r.click(r.shell->menu(), "SSCommand4");
    MenuFrm* conv = r.shell->conversionWindow();
    QVERIFY(conv);
    QVERIFY(QFile::remove(r.catalogue()));
    r.guard.expect(kGone, QStringLiteral("Quillmar"));
    auto* list = must<QListWidget>(conv, "List1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QVERIFY_GUARD(r.guard);
    QVERIFY(r.shell->terminated());
    processDeletions();
    QVERIFY(visibleWindows().isEmpty());
    QVERIFY(!QFile::exists(r.catalogue()));
}

void TestShell::secondInstanceRefused() {
    Run r;
    QVERIFY(QDir().mkpath(r.lock));
    QLockFile first(r.lock + QStringLiteral("/quillmar.lock"));
    QVERIFY(first.tryLock(0));
    r.guard.expect(kRunning, QStringLiteral("Quillmar"));
    QVERIFY(!r.start());
    QVERIFY_GUARD(r.guard);
    QVERIFY(!r.shell->menu());
    QVERIFY(visibleWindows().isEmpty());
    // The refused run goes no further than the lock: nothing is installed.
    QVERIFY(!QFile::exists(r.catalogue()));
    // The first copy is not affected.
    QVERIFY(first.isLocked());
}

void TestShell::staleLockDoesNotBlock() {
    Run r;
    QVERIFY(QDir().mkpath(r.lock));
    // A lock file left by a run that died: the shell that wrote its own
    // process id here has ended.
    QProcess gone;
    gone.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
    QVERIFY(gone.waitForFinished());
    const QByteArray deadPid = gone.readAllStandardOutput().trimmed();
    QVERIFY(!deadPid.isEmpty());
    QFile f(r.lock + QStringLiteral("/quillmar.lock"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(deadPid + "\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
            QSysInfo::machineHostName().toUtf8() + "\n");
    f.close();
    QVERIFY(r.start());
    QVERIFY_GUARD(r.guard);
    QCOMPARE(r.only(), static_cast<QWidget*>(r.shell->menu()));
}

void TestShell::lockFreedAtShutDown() {
    Run r;
    QVERIFY(r.start());
    r.click(r.shell->menu(), "SSCommand3");
    processDeletions();
    QLockFile next(r.lock + QStringLiteral("/quillmar.lock"));
    QVERIFY(next.tryLock(0));
}

void TestShell::menuNavigation_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("closeButton");
    QTest::newRow("SSCommand1 opens trig1frm") << "SSCommand1" << "trig1frm" << "Triangular"
                                               << "SSCommand2";
    QTest::newRow("SSCommand2 opens trig2frm") << "SSCommand2" << "trig2frm" << "Trilateration"
                                               << "SSCommand2";
    QTest::newRow("SSCommand4 opens MenuFrm") << "SSCommand4" << "MenuFrm" << "Quillmar calculations"
                                              << "SSCommand5";
}

void TestShell::menuNavigation() {
    QFETCH(QString, button);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(QString, closeButton);
    Run r;
    QVERIFY(r.start());
    for (int round = 0; round < 2; ++round) {
        r.click(r.shell->menu(), button.toLatin1().constData());
        QWidget* w = r.only();
        QVERIFY(w);
        QCOMPARE(w->objectName(), window);
        QCOMPARE(w->windowTitle(), caption);
        QVERIFY(r.shell->loadedWindows().contains(w));
        r.click(w, closeButton.toLatin1().constData());
        processDeletions();
        QCOMPARE(r.only(), static_cast<QWidget*>(r.shell->menu()));
    }
    QVERIFY_GUARD(r.guard);
}

void TestShell::conversionWindowKeepsState() {
    Run r;
    QVERIFY(r.start());
    r.click(r.shell->menu(), "SSCommand4");
    QPointer<MenuFrm> first = r.shell->conversionWindow();
    must<QLineEdit>(first, "txt_name")->setText(QStringLiteral("Unsaved entry"));
    r.click(first, "SSCommand5");
    // Names added behind the window's back are not shown on reopening.
    catalogue::CatalogueStore(r.catalogue())
        .SaveEntry(26, {QStringLiteral("Added elsewhere"), QStringLiteral("1"), QStringLiteral("0"),
                        QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"),
                        QStringLiteral("0 N"), QStringLiteral("3 W")});
    processDeletions();
    r.click(r.shell->menu(), "SSCommand4");
    QVERIFY(first);
    QCOMPARE(r.shell->conversionWindow(), first.data());
    QCOMPARE(r.only(), static_cast<QWidget*>(first.data()));
    QCOMPARE(must<QLineEdit>(first, "txt_name")->text(), QStringLiteral("Unsaved entry"));
    QCOMPARE(must<QListWidget>(first, "List1")->count(), 25);
    QVERIFY_GUARD(r.guard);
}

void TestShell::triangleWindowsStartEmpty_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("trig1frm") << "SSCommand1";
    QTest::newRow("trig2frm") << "SSCommand2";
}

void TestShell::triangleWindowsStartEmpty() {
    QFETCH(QString, button);
    Run r;
    QVERIFY(r.start());
    r.click(r.shell->menu(), button.toLatin1().constData());
    QPointer<QWidget> first = r.only();
    QVERIFY(first);
    must<QLineEdit>(first, "txt_E1")->setText(QStringLiteral("1000"));
    r.click(first, "SSCommand2");
    processDeletions();
    QVERIFY(!first);
    QCOMPARE(r.shell->loadedWindows().size(), 1);
    r.click(r.shell->menu(), button.toLatin1().constData());
    QWidget* second = r.only();
    QVERIFY(second);
    QCOMPARE(must<QLineEdit>(second, "txt_E1")->text(), QString());
    QVERIFY_GUARD(r.guard);
}

void TestShell::exitUnloadsNewestFirst_data() {
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
        << QStringList{"SSCommand4"} << true << QStringList{"trig2frm", "MenuFrm", "MainMenufrm"};
}

void TestShell::exitUnloadsNewestFirst() {
    QFETCH(QStringList, opened);
    QFETCH(bool, leaveTriangleOpen);
    QFETCH(QStringList, unloaded);
    Run r;
    QVERIFY(r.start());
    for (const QString& b : opened) {
        r.click(r.shell->menu(), b.toLatin1().constData());
        QWidget* w = r.only();
        QVERIFY(w);
        r.click(w, b == QLatin1String("SSCommand4") ? "SSCommand5" : "SSCommand2");
        processDeletions();
    }
    if (leaveTriangleOpen)
        r.click(r.shell->menu(), "SSCommand2");
    QList<QWidget*> loaded = r.shell->loadedWindows();
    QCOMPARE(loaded.size(), unloaded.size());
    QCOMPARE(loaded.first(), static_cast<QWidget*>(r.shell->menu()));
    QStringList order;
    QList<QPointer<QWidget>> watched;
    for (QWidget* w : loaded) {
        watched << w;
        connect(w, &QObject::destroyed, this, [&order, name = w->objectName()] { order << name; });
    }
    if (leaveTriangleOpen)
        r.shell->shutDown();
    else
        r.click(r.shell->menu(), "SSCommand3");
    QVERIFY(visibleWindows().isEmpty());
    processDeletions();
    QCOMPARE(order, unloaded);
    for (const auto& w : watched)
        QVERIFY(!w);
    QVERIFY(r.shell->loadedWindows().isEmpty());
    QVERIFY(!r.shell->terminated());
    QVERIFY_GUARD(r.guard);
}

void TestShell::menuCaptionsAndKeyboardOrder() {
    Run r;
    QVERIFY(r.start());
    MainMenufrm* menu = r.shell->menu();
    const QStringList order{"SSCommand1", "SSCommand2", "SSCommand3", "SSCommand4"};
    const QStringList captions{"Calculate position using bearings to new position.",
                               "Calculate position using angles of known positions.", "Exit",
                               "Quillmar calculations"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(must<QPushButton>(menu, order[i].toLatin1().constData())->text(), captions[i]);
    QApplication::setActiveWindow(menu);
    must<QPushButton>(menu, "SSCommand1")->setFocus();
    QStringList seen{menu->focusWidget()->objectName()};
    for (int i = 1; i < 4; ++i) {
        QTest::keyClick(menu->focusWidget(), Qt::Key_Tab);
        seen << menu->focusWidget()->objectName();
    }
    QCOMPARE(seen, order);
    QVERIFY_GUARD(r.guard);
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
