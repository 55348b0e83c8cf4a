// The conversion window: the Spheroid tab and the three working tabs.
// Created once per run and afterwards only hidden and shown again, so its
// fields, options and button states last for the whole run.
#pragma once

#include "appstate.h"
#include "conversions.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

namespace Ui {
class ConversionWindow;
}
class SpheroidTab;
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
    // The working tabs' line naming the parameter set in force.
    void showParameterSet();
    // Any change of the parameter set empties every tab's results.
    void parametersChanged();
    void connectWorkingTabs(); // workingtabs.cpp
    void connectPrinting();    // printing.cpp

    AppState& state_;
    std::unique_ptr<Ui::ConversionWindow> ui;
    SpheroidTab* spheroid_ = nullptr;
};
