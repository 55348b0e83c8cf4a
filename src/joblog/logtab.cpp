#include "logtab.h"

#include "csv.h"
#include "messages.h"
#include "ui_logtab.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

using joblog::Column;
using joblog::Record;

namespace {

// Index of the row's record in records_, on the Time cell.
constexpr int kRecordRole = Qt::UserRole + 1;

// Sorting as a spreadsheet would: numbers by value, other text with its
// digit runs as numbers, empty cells after filled ones; the Time column in
// the order the records were written.
class Cell : public QTableWidgetItem {
  public:
    explicit Cell(const QString& text) : QTableWidgetItem(text) {}

    bool operator<(const QTableWidgetItem& other) const override {
        if (column() == int(Column::Time))
            return data(kRecordRole).toInt() < other.data(kRecordRole).toInt();
        const QString a = text(), b = other.text();
        if (a.isEmpty() != b.isEmpty())
            return b.isEmpty();
        bool aNumber = false, bNumber = false;
        const double x = a.toDouble(&aNumber), y = b.toDouble(&bNumber);
        if (aNumber && bNumber)
            return x < y;
        static const QCollator collator = [] {
            QCollator c;
            c.setNumericMode(true);
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        return collator.compare(a, b) < 0;
    }
};

} // namespace

LogTab::LogTab(joblog::JobLog& log, QWidget* parent)
    : QWidget(parent), log_(log), ui(std::make_unique<Ui::LogTab>()) {
    ui->setupUi(this);
    QTableWidget* t = ui->tbl_log;
    t->setColumnCount(joblog::kColumnCount);
    t->setHorizontalHeaderLabels(joblog::Captions());
    t->horizontalHeader()->setSectionsMovable(false);
    t->horizontalHeader()->setSortIndicatorShown(true);
    t->installEventFilter(this);

    saveFileDialog_ = [](QWidget* p, const QString& caption, const QString& suggested,
                         const QString& filter) {
        return QFileDialog::getSaveFileName(p, caption, suggested, filter);
    };

    for (const Record& r : log_.file().read().records)
        insertRow(r);
    t->horizontalHeader()->setSortIndicator(int(Column::Time), Qt::DescendingOrder);
    t->setSortingEnabled(true);
    t->resizeColumnsToContents();

    connect(ui->cmd_log_copy, &QPushButton::clicked, this, &LogTab::cmd_log_copy_clicked);
    connect(ui->cmd_log_export, &QPushButton::clicked, this, &LogTab::cmd_log_export_clicked);
    connect(ui->cmd_log_clear, &QPushButton::clicked, this, &LogTab::cmd_log_clear_clicked);
    connect(t, &QTableWidget::doubleClicked, this, &LogTab::tbl_log_doubleClicked);
    connect(t, &QTableWidget::itemSelectionChanged, this, &LogTab::updateButtons);
    connect(&log_, &joblog::JobLog::added, this, &LogTab::addRecord);
    updateButtons();
}

LogTab::~LogTab() = default;

void LogTab::addRecord(const Record& record) {
    QTableWidget* t = ui->tbl_log;
    // Cells set while sorting is on move their row at once; sort once, after.
    t->setSortingEnabled(false);
    QTableWidgetItem* time = insertRow(record);
    t->setSortingEnabled(true);
    t->scrollToItem(time);
    updateButtons();
}

QTableWidgetItem* LogTab::insertRow(const Record& record) {
    QTableWidget* t = ui->tbl_log;
    const int index = int(records_.size());
    records_ << record;
    t->insertRow(0);
    for (int c = 0; c < joblog::kColumnCount; ++c)
        t->setItem(0, c, new Cell(record.fields[std::size_t(c)]));
    QTableWidgetItem* time = t->item(0, int(Column::Time));
    time->setData(kRecordRole, index);
    return time;
}

QList<int> LogTab::rowsInViewOrder(bool selectedOnly) const {
    QList<int> rows;
    const QTableWidget* t = ui->tbl_log;
    if (selectedOnly) {
        for (const QModelIndex& i : t->selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
    } else {
        for (int r = 0; r < t->rowCount(); ++r)
            rows << r;
    }
    return rows;
}

QList<Record> LogTab::recordsOf(const QList<int>& rows) const {
    QList<Record> out;
    for (int r : rows)
        out << records_.at(ui->tbl_log->item(r, int(Column::Time))->data(kRecordRole).toInt());
    return out;
}

QList<Record> LogTab::shownRecords() const { return recordsOf(rowsInViewOrder(false)); }
QList<Record> LogTab::selectedRecords() const { return recordsOf(rowsInViewOrder(true)); }

QString LogTab::rowsAsText(bool all) const {
    QString text = joblog::TsvLine(joblog::Captions());
    for (const Record& r : recordsOf(rowsInViewOrder(!all)))
        text += joblog::TsvLine(r.toList());
    return text;
}

void LogTab::cmd_log_copy_clicked() {
    if (selectedRecords().isEmpty())
        return;
    QApplication::clipboard()->setText(rowsAsText());
}

void LogTab::cmd_log_export_clicked() {
    QList<Record> records = selectedRecords();
    if (records.isEmpty())
        records = shownRecords();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = saveFileDialog_(
        this, QStringLiteral("Export the log"),
        QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(QStringLiteral("log.csv")),
        QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QByteArray bytes = joblog::kUtf8Bom.toByteArray() + joblog::CsvLine(joblog::Captions());
    for (const Record& r : records)
        bytes += joblog::CsvLine(r.toList());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        common::Show_Message(this, QStringLiteral("The log cannot be exported: ") +
                                       QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                                       file.errorString());
}

void LogTab::cmd_log_clear_clicked() {
    const joblog::LogFile& file = log_.file();
    QString text = QStringLiteral("Clear the log?");
    if (QFileInfo::exists(file.path()))
        text += QStringLiteral(" The file is kept as %1.")
                    .arg(QFileInfo(file.clearTarget()).fileName());
    QMessageBox box(QMessageBox::NoIcon, common::kAppTitle, text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    if (box.exec() != QMessageBox::Yes)
        return;
    const joblog::ClearResult cleared = file.clear();
    if (!cleared.error.isEmpty()) {
        common::Show_Message(this, QStringLiteral("The log cannot be cleared: ") + cleared.error);
        return;
    }
    ui->tbl_log->setRowCount(0);
    records_.clear();
    updateButtons();
}

void LogTab::tbl_log_doubleClicked(const QModelIndex& index) {
    if (!index.isValid())
        return;
    emit recordActivated(recordsOf({index.row()}).front());
}

bool LogTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->tbl_log) {
        // The table's own Ctrl+C copies one cell; here it copies the rows,
        // as the Copy button does.
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            cmd_log_copy_clicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LogTab::updateButtons() {
    const bool any = ui->tbl_log->rowCount() > 0;
    ui->cmd_log_copy->setEnabled(ui->tbl_log->selectionModel()->hasSelection());
    ui->cmd_log_export->setEnabled(any);
    ui->cmd_log_clear->setEnabled(any);
}
