// The "Trilateration" window: point C from A, B and the grid bearings
// from A and from B.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class Trig2Frm;
}

class Trig2Frm : public QWidget {
    Q_OBJECT
  public:
    // Deletes itself when closed.
    explicit Trig2Frm(QWidget* parent = nullptr);
    ~Trig2Frm() override;

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
    std::unique_ptr<Ui::Trig2Frm> ui;
    bool closed_ = false;
};
