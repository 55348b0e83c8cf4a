// The two intersection windows: point C of the triangle ABC from A, B and two
// angles. "Triangular" takes the interior angles at A and B, "Trilateration"
// the grid bearings from A and from B; only their forms and solvers differ.
#pragma once

#include "trianglesketch.h"

#include <QWidget>

namespace joblog {
class JobLog;
}
class QLineEdit;
class QPushButton;
class QStatusBar;

class TriangleWindow : public QWidget {
    Q_OBJECT
  public:
    // The sketch draws the same choice, so it is one enum.
    using Kind = TriangleSketch::Kind;

    // Deletes itself when closed. Each point C calculated goes to `log`
    // (none: not kept).
    explicit TriangleWindow(Kind kind, joblog::JobLog* log = nullptr, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }

    // Empties the eight fields; focus does not move.
    void Clear_Details();

  signals:
    // Emitted once when the window closes, by "Close" or by the window
    // frame; the window is destroyed right after.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void SSCommand1_clicked(); // Calculate
    void SSCommand2_clicked(); // Close
    void SSCommand3_clicked(); // Clear Details

  private:
    // The controls both forms have, under the names the forms give them.
    struct Controls {
        QLineEdit *txt_E1, *txt_N1, *txt_E2, *txt_N2, *txt_E3, *txt_N3, *txt_anglea, *txt_angleb;
        QPushButton *SSCommand1, *SSCommand2, *SSCommand3;
        TriangleSketch* sketch;
        QStatusBar* statusBar;
    };
    template <class Form> static Controls Load(QWidget* window);

    void addToLog();

    const Kind kind_;
    joblog::JobLog* const log_;
    const Controls ui;
    bool closed_ = false;
};
