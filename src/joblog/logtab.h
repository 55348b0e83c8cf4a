// The Log tab: the job log as a table, newest first, with Copy, Export and
// Clear. It shows what the file held at start and every record added since.
#pragma once

#include "logfile.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class LogTab;
}
class QModelIndex;
class LogModel;
class LogSort;

class LogTab : public QWidget {
    Q_OBJECT
  public:
    // Filled from the log's file; each record the log adds later shows too.
    explicit LogTab(joblog::JobLog& log, QWidget* parent = nullptr);
    ~LogTab() override;

    // Shows the record, at the top while the table is newest first.
    void addRecord(const joblog::Record& record);

    // The records in the order the table shows them, and those selected.
    QList<joblog::Record> shownRecords() const;
    QList<joblog::Record> selectedRecords() const;

    // Asks for the file Export writes; an empty answer cancels. Tests put
    // their own in place of the file dialog.
    using SaveFileDialog = std::function<QString(QWidget* parent, const QString& caption,
                                                 const QString& suggested, const QString& filter)>;
    void setSaveFileDialog(SaveFileDialog dialog) { saveFileDialog_ = std::move(dialog); }

    // Why the file could not be read at start; empty when it could.
    QString loadError() const { return loadError_; }

    // Handlers, named after control and event.
    void cmd_log_copy_clicked();
    void cmd_log_export_clicked();
    void cmd_log_clear_clicked();
    void tbl_log_doubleClicked(const QModelIndex& index);

  signals:
    // A double click on a row, for the tab the record came from to take
    // back its entries.
    void recordActivated(const joblog::Record& record);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Rows of the table, top to bottom, as indexes into the records.
    QList<int> recordsInViewOrder(bool selectedOnly) const;
    QList<joblog::Record> recordsOf(const QList<int>& indexes) const;
    void updateButtons();

    joblog::JobLog& log_;
    std::unique_ptr<Ui::LogTab> ui;
    LogModel* model_;
    LogSort* sort_;
    SaveFileDialog saveFileDialog_;
    QString loadError_;
};
