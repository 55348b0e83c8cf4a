// Start-up, the main menu and shut-down.
//
// The menu is the hub: each task button hides it and shows one working
// window, and each working window's close shows it again, so exactly one
// window is visible at a time. Closing the menu unloads every loaded window,
// newest first, and ends the run.
#pragma once

#include "appstate.h"
#include "conversionwindow.h"
#include "trianglewindow.h"

#include <QLocalServer>
#include <QLockFile>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

namespace Ui {
class MainMenu;
}
class Shell;

class MainMenu : public QWidget {
    Q_OBJECT
  public:
    MainMenu(Shell& shell, QWidget* parent = nullptr);
    ~MainMenu() override;

    void SSCommand1_clicked();
    void SSCommand2_clicked();
    void SSCommand3_clicked();
    void SSCommand4_clicked();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Shell& shell_;
    std::unique_ptr<Ui::MainMenu> ui;
};

class Shell : public QObject {
    Q_OBJECT
  public:
    struct Options {
        QString dataFolder; // the user's data folder; the catalogue lives in quillmar/ inside
        QString lockFolder; // where the single-instance lock is kept
    };
    Shell(AppState& state, Options options);

    // Names, window icon, and no quit on the last window closed: the menu
    // decides when the run ends. Call once the QApplication exists.
    static void SetUpApplication();
    // The user's data folder, and a lock folder no other user shares.
    static Options UserOptions();
    ~Shell() override;

    // The start-up sequence. False when this run must end at once (another
    // copy is running); otherwise the menu is showing.
    bool Start();

    MainMenu* menu() const { return menu_; }
    ConversionWindow* conversionWindow() const { return conversionWindow_; }
    // Windows loaded and not yet unloaded, oldest first.
    QList<QWidget*> loadedWindows() const;
    bool terminated() const { return terminated_; }

    // Menu actions.
    void openTriangular();
    void openTrilateration();
    void openConversion();
    // Unloads every window, newest first, and ends the run.
    void shutDown();
    // The catalogue vanished: every window closes and the run ends now.
    void terminate();

  private:
    void load(QWidget* w);
    void showMenu();
    void openTriangle(TriangleWindow::Kind kind);

    AppState& state_;
    Options options_;
    std::unique_ptr<QLockFile> lock_;
    // The running copy listens here; a second start asks it to come forward.
    QLocalServer* raiseServer_ = nullptr;
    void bringForward();
    QPointer<MainMenu> menu_;
    QPointer<ConversionWindow> conversionWindow_;
    std::vector<QPointer<QWidget>> loaded_;
    bool terminated_ = false;
    bool shuttingDown_ = false;
};
