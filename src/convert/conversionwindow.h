// The conversion window: the Spheroid tab, the three working tabs and the
// Log tab.
// Created once per run and afterwards only hidden and shown again, so its
// fields, options and button states last for the whole run.
#pragma once

#include "appstate.h"
#include "conversions.h"
#include "record.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

namespace Ui {
class ConversionWindow;
}
class SpheroidTab;
class LogTab;
class QLineEdit;

class ConversionWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ConversionWindow(AppState& state, QWidget* parent = nullptr);
    ~ConversionWindow() override;

    // Window load: the Spheroid tab selected, the list filled. False when
    // the catalogue could not be read and the program is giving up.
    bool Load();

    // Empties the Spheroid fields (nothing is then in force) and the grid
    // entries and results.
    void Clear_Details();
    void Show_Result_Minutes();
    void Show_Result_Seconds();

    SpheroidTab* spheroidTab() const { return spheroid_; }
    // Null when the run has no job log (no catalogue path).
    LogTab* logTab() const { return logTab_; }

    // The tabs by position; other code counts on these.
    enum Tab { kSpheroidTab, kGridToGeogTab, kGeogToGridTab, kDistanceTab, kLogTab };

    // A record of Geog to Grid, Grid to Geog or Distance back in its tab:
    // the tab selected, its entries and degrees mode as the record has them,
    // its results emptied. The parameter set stays; the tab's parameter line
    // says whether it has the record's seven values. Other records do nothing.
    void Use_Record(const joblog::Record& record);

  signals:
    // The user closed the window (its Close button or the frame's close
    // control); the menu shows itself again.
    void closed();

  public:
    // Handlers, named after control and event.
    void SSTab1_changed(int index);
    void opt_long_clicked();
    void opt_short_clicked();
    void Option1_clicked();
    void Option2_clicked();
    // The working tabs (workingtabs.cpp).
    void cmd_convert_clicked();
    void Command1_clicked();
    void cmd_calc_clicked();
    void Option3_clicked();
    void Option4_clicked();
    // The printed reports (printing.cpp).
    void Command2_clicked();
    void Command3_clicked();
    void Command4_clicked();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void setGeogEntryGeometry(bool withSeconds);
    void showGeogSeconds(bool shown);
    void showDistanceSeconds(bool shown); // workingtabs.cpp
    // Folds the seconds into the minutes (plain number text), the seconds
    // field emptied; a field left empty or overflowing stays as it is.
    void Fold_Seconds(QLineEdit* min, QLineEdit* sec);
    // The quantities beside a tab's results go whenever its results go.
    enum class Factors { GeogToGrid, GridToGeog, Distance };
    void clearFactors(Factors which);
    // A tab's warning line: the warning, and the nearer catalogue entry
    // when there is one (workingtabs.cpp).
    QString accuracyLine(const std::optional<convert::InexactAt>& at, const std::string& warning) const;
    // The working tabs' line naming the parameter set in force, and for a
    // tab whose entries came from a record, whether the set matches it.
    void showParameterSet();
    QString recordNote(const joblog::Record& record) const;
    // Adds a finished conversion to the job log, with the set in force; a
    // log that cannot be written is told in the status bar (workingtabs.cpp).
    void addToLog(joblog::Record record);
    // Any change of the parameter set empties every tab's results.
    void parametersChanged();
    void connectWorkingTabs(); // workingtabs.cpp
    void connectPrinting();    // printing.cpp

    AppState& state_;
    std::unique_ptr<Ui::ConversionWindow> ui;
    SpheroidTab* spheroid_ = nullptr;
    LogTab* logTab_ = nullptr;
    // The working tab last shown: looking at the log and back clears nothing.
    int workingTab_ = kSpheroidTab;
    // Per working tab, the record its entries were taken from, until edited.
    enum Recalled { kRecalledGridToGeog, kRecalledGeogToGrid, kRecalledDistance, kRecalledCount };
    std::optional<joblog::Record> recalled_[kRecalledCount];
};
