#include "logtab.h"

#include "csv.h"
#include "messages.h"
#include "ui_logtab.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QStandardPaths>

#include <algorithm>

using joblog::Column;
using joblog::Record;

// The records in the order they were written; row n is records[n].
class LogModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    QList<Record> records;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(records.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : joblog::kColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        return records.at(index.row()).fields[std::size_t(index.column())];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < joblog::kColumnCount)
            return joblog::Captions().at(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    void add(const Record& r) {
        beginInsertRows({}, int(records.size()), int(records.size()));
        records << r;
        endInsertRows();
    }
    void reset(QList<Record> all) {
        beginResetModel();
        records = std::move(all);
        endResetModel();
    }
};

// Sorting as a spreadsheet would: numbers by value, other text with its
// digit runs as numbers, empty cells after filled ones; the Time column in
// the order the records were written, whatever offsets the times carry.
class LogSort : public QSortFilterProxyModel {
  public:
    explicit LogSort(QObject* parent) : QSortFilterProxyModel(parent) {
        collator_.setNumericMode(true);
        collator_.setCaseSensitivity(Qt::CaseInsensitive);
    }

  protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
        if (left.column() == int(Column::Time))
            return left.row() < right.row();
        const auto* model = static_cast<const LogModel*>(sourceModel());
        const std::size_t c = std::size_t(left.column());
        const QString& a = model->records.at(left.row()).fields[c];
        const QString& b = model->records.at(right.row()).fields[c];
        if (a.isEmpty() != b.isEmpty())
            return b.isEmpty();
        bool aNumber = false, bNumber = false;
        const double x = a.toDouble(&aNumber), y = b.toDouble(&bNumber);
        if (aNumber && bNumber)
            return x < y;
        return collator_.compare(a, b) < 0;
    }

  private:
    QCollator collator_;
};

LogTab::LogTab(joblog::JobLog& log, QWidget* parent)
    : QWidget(parent), log_(log), ui(std::make_unique<Ui::LogTab>()), model_(new LogModel(this)),
      sort_(new LogSort(this)) {
    ui->setupUi(this);
    joblog::ReadResult read = log_.file().read();
    loadError_ = read.error;
    model_->reset(std::move(read.records));
    sort_->setSourceModel(model_);
    QTableView* t = ui->tbl_log;
    t->setModel(sort_);
    t->horizontalHeader()->setSortIndicatorShown(true);
    // Columns dragged to where they are wanted; Copy and Export keep the file's order.
    t->horizontalHeader()->setSectionsMovable(true);
    t->sortByColumn(int(Column::Time), Qt::DescendingOrder);
    t->resizeColumnsToContents();
    t->installEventFilter(this);

    saveFileDialog_ = [](QWidget* p, const QString& caption, const QString& suggested,
                         const QString& filter) {
        return QFileDialog::getSaveFileName(p, caption, suggested, filter);
    };

    connect(ui->cmd_log_copy, &QPushButton::clicked, this, &LogTab::cmd_log_copy_clicked);
    connect(ui->cmd_log_export, &QPushButton::clicked, this, &LogTab::cmd_log_export_clicked);
    connect(ui->cmd_log_clear, &QPushButton::clicked, this, &LogTab::cmd_log_clear_clicked);
    connect(t, &QTableView::doubleClicked, this, &LogTab::tbl_log_doubleClicked);
    connect(t->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LogTab::updateButtons);
    connect(&log_, &joblog::JobLog::added, this, &LogTab::addRecord);
    updateButtons();
}

LogTab::~LogTab() = default;

void LogTab::addRecord(const Record& record) {
    model_->add(record);
    // Columns widen to show the new record whole (a log empty at start has
    // them all at the default width); none narrows, so widths the user set
    // for wider texts stay.
    QTableView* t = ui->tbl_log;
    const int row = model_->rowCount() - 1;
    for (int c = 0; c < joblog::kColumnCount; ++c) {
        const int need = t->sizeHintForIndex(sort_->mapFromSource(model_->index(row, c))).width() +
                         (t->showGrid() ? 1 : 0);
        if (t->horizontalHeader()->sectionSize(c) < need)
            t->horizontalHeader()->resizeSection(c, need);
    }
    ui->tbl_log->scrollTo(sort_->mapFromSource(model_->index(model_->rowCount() - 1, 0)));
    updateButtons();
}

QList<int> LogTab::recordsInViewOrder(bool selectedOnly) const {
    QList<int> rows;
    if (selectedOnly) {
        for (const QModelIndex& i : ui->tbl_log->selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
    } else {
        for (int r = 0; r < sort_->rowCount(); ++r)
            rows << r;
    }
    for (int& r : rows)
        r = sort_->mapToSource(sort_->index(r, 0)).row();
    return rows;
}

QList<Record> LogTab::recordsOf(const QList<int>& indexes) const {
    QList<Record> out;
    for (int i : indexes)
        out << model_->records.at(i);
    return out;
}

QList<Record> LogTab::shownRecords() const {
    return recordsOf(recordsInViewOrder(false));
}
QList<Record> LogTab::selectedRecords() const {
    return recordsOf(recordsInViewOrder(true));
}

void LogTab::cmd_log_copy_clicked() {
    const QList<Record> records = selectedRecords();
    if (records.isEmpty())
        return;
    QString text = joblog::TsvLine(joblog::Captions());
    for (const Record& r : records)
        text += joblog::TsvLine(r.toList());
    QApplication::clipboard()->setText(text);
}

void LogTab::cmd_log_export_clicked() {
    QList<Record> records = selectedRecords();
    if (records.isEmpty())
        records = shownRecords();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = saveFileDialog_(this, QStringLiteral("Export the log"),
                                         QDir(folder.isEmpty() ? QDir::homePath() : folder)
                                             .filePath(QStringLiteral("quillmar-log.csv")),
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
    model_->reset({});
    updateButtons();
}

void LogTab::tbl_log_doubleClicked(const QModelIndex& index) {
    if (!index.isValid())
        return;
    emit recordActivated(model_->records.at(sort_->mapToSource(index).row()));
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
    const bool any = model_->rowCount() > 0;
    ui->cmd_log_copy->setEnabled(ui->tbl_log->selectionModel()->hasSelection());
    ui->cmd_log_export->setEnabled(any);
    ui->cmd_log_clear->setEnabled(any);
}
