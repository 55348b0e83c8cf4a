// The "Spheroid" tab: choose, add, edit and delete catalogue entries, and set
// the parameter set in force when an entry is chosen.
#pragma once

#include "appstate.h"
#include "store.h"

#include <QWidget>

class QLineEdit;

#include <functional>
#include <memory>

namespace Ui {
class SpheroidTab;
}

class SpheroidTab : public QWidget {
    Q_OBJECT
  public:
    explicit SpheroidTab(AppState& state, QWidget* parent = nullptr);
    ~SpheroidTab() override;

    // The window's clearing operation, which reaches beyond this tab.
    void setClearDetails(std::function<void()> clearDetails) { clearDetails_ = std::move(clearDetails); }

    // Fills the list at window load. False when the program gave up.
    bool Load();
    // Empties the eight fields (part of the window's Clear_Details).
    void ClearFields();

    // The registry dialog, replaceable in tests: true and the texts of the
    // grid chosen, or false when cancelled.
    std::function<bool(QWidget*, catalogue::EntryTexts&)> chooseFromRegistry;

  signals:
    void closeRequested();

  public:
    // Handlers, named after control and event.
    void List1_clicked();
    void txt_cm_changed(const QString& text);
    void txt_cm_lostFocus();
    void txt_orig_changed(const QString& text);
    void SSCommand1_clicked();
    void SSCommand2_clicked();
    void SSCommand3_clicked();
    void SSCommand4_clicked();
    void SSCommand5_clicked();
    void cmd_registry_clicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* field(catalogue::ParameterSet::Field f) const;
    // Puts the parameter set's texts into the fields, without echoing them back.
    void showParameters();
    // Save for a name no entry has; Edit and Delete for a selected entry.
    void updateButtons();
    // Clear details: the fields emptied and nothing selected.
    void startNewEntry();
    // Shows the entry `name` of the catalogue and puts it in force.
    bool selectByName(const QString& name);
    // Runs one catalogue operation; failures are reported here and nowhere
    // else. False when the operation failed.
    bool store(const std::function<void(catalogue::CatalogueStore&)>& op);
    void RefreshList();

    AppState& state_;
    std::unique_ptr<Ui::SpheroidTab> ui;
    std::function<void()> clearDetails_;
    bool refreshing_ = false;
    bool showing_ = false; // the fields are being set from the parameter set
    QString refusedCm_;    // the meridian text last refused
    int rowAtPress_ = -1;
};
