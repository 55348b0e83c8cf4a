#include "shell.h"

#include "conversionwindow.h"
#include "messages.h"
#include "paths.h"
#include "printing.h"
#include "store.h"
#include "trianglewindow.h"
#include "ui_mainmenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLocalSocket>
#include <QIcon>
#include <QStandardPaths>

#include <unistd.h>

MainMenu::MainMenu(Shell& shell, QWidget* parent)
    : QWidget(parent), shell_(shell), ui(std::make_unique<Ui::MainMenu>()) {
    ui->setupUi(this);
    connect(ui->SSCommand1, &QPushButton::clicked, this, &MainMenu::SSCommand1_clicked);
    connect(ui->SSCommand2, &QPushButton::clicked, this, &MainMenu::SSCommand2_clicked);
    connect(ui->SSCommand3, &QPushButton::clicked, this, &MainMenu::SSCommand3_clicked);
    connect(ui->SSCommand4, &QPushButton::clicked, this, &MainMenu::SSCommand4_clicked);
}

MainMenu::~MainMenu() = default;

// The buttons open the windows named here, whatever their captions say.
void MainMenu::SSCommand1_clicked() { shell_.openTriangular(); }
void MainMenu::SSCommand2_clicked() { shell_.openTrilateration(); }
void MainMenu::SSCommand4_clicked() { shell_.openConversion(); }
void MainMenu::SSCommand3_clicked() { close(); }

void MainMenu::closeEvent(QCloseEvent* event) {
    // Closing the menu always ends the run.
    event->accept();
    shell_.shutDown();
}

void Shell::SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    QApplication::setDesktopFileName(QStringLiteral("quillmar"));
    // Bitmaps rendered from quillmar.svg: Qt's SVG plugin may be missing.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quillmar-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QApplication::setQuitOnLastWindowClosed(false);
}

Shell::Options Shell::UserOptions() {
    QString lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockFolder.isEmpty()) // the temp folder is shared: keep users apart
        lockFolder = QDir::tempPath() + QStringLiteral("/quillmar-") + QString::number(getuid());
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), lockFolder};
}

Shell::Shell(AppState& state, Options options) : state_(state), options_(std::move(options)) {
    state_.terminate = [this] { terminate(); };
    // The never-shown print dialog holder is a loaded window like the others.
    reports::ControlFormLoaded = [this](QWidget* w) { load(w); };
}

Shell::~Shell() {
    reports::ControlFormLoaded = nullptr;
    for (auto& w : loaded_)
        delete w.data();
}

bool Shell::Start() {
    // There is one installation folder on this platform: quillmar/ in the
    // user's data folder.
    state_.InstallFolder = QDir::cleanPath(options_.dataFolder + QStringLiteral("/quillmar"));
    state_.DatabasePath = state_.InstallFolder + QLatin1Char('/') + catalogue::kFileName;

    QDir().mkpath(options_.lockFolder);
    lock_ = std::make_unique<QLockFile>(options_.lockFolder + QStringLiteral("/quillmar.lock"));
    // Only a live process holds the lock; one left by a crashed run is
    // recognised by its dead process id and taken over.
    lock_->setStaleLockTime(0);
    bool locked = lock_->tryLock(0);
    if (!locked && lock_->error() == QLockFile::LockFailedError) {
        // A lock that names no process (a crash while it was written) is
        // no evidence of a running copy.
        qint64 pid = 0;
        QString host, app;
        if (!lock_->getLockInfo(&pid, &host, &app) || pid <= 0) {
            lock_->removeStaleLockFile();
            locked = lock_->tryLock(0);
        }
    }
    const QString raiseName = options_.lockFolder + QStringLiteral("/quillmar.raise");
    if (!locked) {
        if (lock_->error() == QLockFile::LockFailedError) {
            // The running copy comes forward before this one ends, so the
            // user sees the window the message speaks of.
            QLocalSocket ask;
            ask.connectToServer(raiseName);
            if (ask.waitForConnected(1000)) {
                ask.write("raise\n");
                ask.waitForBytesWritten(1000);
                ask.disconnectFromServer();
            }
            common::Show_Message(nullptr, QStringLiteral("Program is already running"));
            lock_.reset();
            return false;
        }
        // The lock folder cannot be written: run without the guard rather
        // than refuse to run at all.
        lock_.reset();
    } else {
        // A socket left by a crashed run is stale now that the lock is ours.
        QLocalServer::removeServer(raiseName);
        raiseServer_ = new QLocalServer(this);
        raiseServer_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(raiseServer_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = raiseServer_->nextPendingConnection()) {
                connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
                bringForward();
            }
        });
        raiseServer_->listen(raiseName);
    }

    const QString path = state_.InstallFolder + QLatin1Char('/') + catalogue::kFileName;
    if (common::FileExists(path)) {
        state_.DatabasePath = path;
    } else if (!catalogue::CatalogueStore::InstallDefault(path) && !common::FileExists(path)) {
        // First run installs the shipped catalogue, as an installer would;
        // only when that is impossible does the user hear about it.
        common::Show_Message(nullptr, QStringLiteral("Can't find database (Quillmar.mdb)"));
    }

    // One job log for the run, beside the catalogue.
    state_.log();

    menu_ = new MainMenu(*this);
    load(menu_);
    showMenu();
    return true;
}

void Shell::load(QWidget* w) { loaded_.emplace_back(w); }

void Shell::bringForward() {
    for (QWidget* w : loadedWindows()) {
        if (!w->isVisible())
            continue;
        if (w->isMinimized())
            w->showNormal();
        w->raise();
        w->activateWindow();
    }
}

QList<QWidget*> Shell::loadedWindows() const {
    QList<QWidget*> out;
    for (const auto& w : loaded_)
        if (w)
            out << w.data();
    return out;
}

void Shell::showMenu() {
    if (menu_ && !shuttingDown_)
        menu_->show();
}

void Shell::openTriangular() {
    openTriangle(TriangleWindow::Kind::Angles);
}

void Shell::openTrilateration() {
    openTriangle(TriangleWindow::Kind::Bearings);
}

void Shell::openTriangle(TriangleWindow::Kind kind) {
    auto* w = new TriangleWindow(kind, state_.log());
    load(w);
    connect(w, &TriangleWindow::closed, this, &Shell::showMenu);
    menu_->hide();
    w->show();
}

void Shell::openConversion() {
    menu_->hide();
    if (!conversionWindow_) {
        auto* w = new ConversionWindow(state_);
        conversionWindow_ = w;
        load(w);
        connect(w, &ConversionWindow::closed, this, &Shell::showMenu);
        if (!w->Load()) {
            // Reported already. Unless the run is ending, unload the window
            // so the next opening tries the catalogue again.
            if (!terminated_) {
                conversionWindow_ = nullptr;
                w->deleteLater();
                showMenu();
            }
            return;
        }
    }
    conversionWindow_->show();
}

void Shell::shutDown() {
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    // Newest first. Deferred deletion: the caller may be a handler of one
    // of these very windows.
    for (auto it = loaded_.rbegin(); it != loaded_.rend(); ++it) {
        if (*it) {
            (*it)->hide();
            (*it)->deleteLater();
        }
    }
    if (lock_)
        lock_->unlock();
    QCoreApplication::exit(0);
}

void Shell::terminate() {
    terminated_ = true;
    shutDown();
    QCoreApplication::exit(1);
}
