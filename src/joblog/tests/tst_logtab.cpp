// The Log tab driven through its controls, headless: what the table shows,
// and what Copy, Export, Clear and a double click give the user.
#include "csv.h"
#include "logtab.h"
#include "modalguard.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using joblog::Column;
using joblog::Record;

namespace {

// Records told apart by their Easting 1; times a minute apart, oldest first.
Record job(int n, const QString& easting, const QString& calculation = joblog::kGridToGeog) {
    Record r;
    r[Column::Time] = QStringLiteral("2026-12-08T09:%1:00+13:00").arg(n, 2, 10, QChar('0'));
    r[Column::Calculation] = calculation;
    r.setParameters(joblog::kTypedByHand, {"6378137", "0.00669438", "0.9996", "1600000",
                                           "10000000", "0", "173 E"});
    r[Column::Easting1] = easting;
    r[Column::Northing1] = QStringLiteral("5920000");
    r[Column::Latitude] = QStringLiteral("36° 51' 13.3\" S");
    return r;
}

QStringList eastings(const QList<Record>& records) {
    QStringList out;
    for (const Record& r : records)
        out << r[Column::Easting1];
    return out;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A log file holding the records, and a tab made from it.
struct Fixture {
    QTemporaryDir dir;
    joblog::JobLog log{dir.path()};
    std::unique_ptr<LogTab> tab;
    QTableView* table = nullptr;

    explicit Fixture(const QList<Record>& records) {
        for (const Record& r : records)
            if (!log.file().append(r).isEmpty())
                qFatal("cannot write the test log");
        log.file().setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 30, 12)); });
        tab = std::make_unique<LogTab>(log);
        tab->resize(900, 400);
        tab->show();
        table = must<QTableView>(tab.get(), "tbl_log");
    }
    QPushButton* button(const char* name) { return must<QPushButton>(tab.get(), name); }
    QModelIndex cell(int row, Column c) const { return table->model()->index(row, int(c)); }
    int rows() const { return table->model()->rowCount(); }
    // The middle of a cell, brought into view first.
    QPoint at(int row, Column c) const {
        table->scrollTo(cell(row, c));
        return table->visualRect(cell(row, c)).center();
    }

    // A click on the column's header, as the user sorts.
    void clickHeader(Column c) {
        QHeaderView* h = table->horizontalHeader();
        table->scrollTo(cell(0, c));
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(int(c)) + 4, h->height() / 2));
    }
    // Selects the rows shown at these places, as ctrl-clicks do.
    void selectRows(const QList<int>& rows) {
        table->clearSelection();
        for (int r : rows)
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              at(r, Column::Time));
    }
};

const QList<Record> kThree{job(1, "1750000"), job(2, "-20.5"), job(3, "999")};

} // namespace

class TestLogTab : public QObject {
    Q_OBJECT

  private slots:
    void init() { QApplication::clipboard()->clear(); }

    // ---- what the table shows -----------------------------------------------

    void filledNewestFirst() {
        Fixture f(kThree);
        QCOMPARE(eastings(f.tab->shownRecords()), (QStringList{"999", "-20.5", "1750000"}));
        QCOMPARE(f.table->model()->columnCount(), joblog::kColumnCount);
        QCOMPARE(f.table->model()->headerData(int(Column::Easting1), Qt::Horizontal).toString(),
                 "Easting 1");
        QCOMPARE(f.cell(0, Column::Latitude).data().toString(), "36° 51' 13.3\" S");
    }

    void sorting_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("order");
        // The user's records: 1750000, -20.5, 999, "" (no easting) and 85
        // (an Angles record), oldest first.
        QTest::newRow("eastings by value, not as text")
            << int(Column::Easting1) << 1 << QStringList{"-20.5", "85", "999", "1750000", ""};
        QTest::newRow("eastings by value, descending")
            << int(Column::Easting1) << 2 << QStringList{"", "1750000", "999", "85", "-20.5"};
        QTest::newRow("calculation as text, newest first within")
            << int(Column::Calculation) << 1 << QStringList{"85", "", "999", "-20.5", "1750000"};
        // Pins: times from two offsets sorted as text put a later record first.
        QTest::newRow("time back to oldest first")
            << int(Column::Time) << 1 << QStringList{"1750000", "-20.5", "999", "", "85"};
    }
    void sorting() {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QStringList, order);
        QList<Record> records = kThree;
        records << job(4, QString()) << job(5, "85", joblog::kAngles);
        // Written later, but at a clock time that reads earlier as text.
        records[4][Column::Time] = QStringLiteral("2026-12-08T08:06:00+12:00");
        Fixture f(records);
        // A stable sort keeps newest first among equals.
        for (int i = 0; i < clicks; ++i)
            f.clickHeader(Column(column));
        if (column == int(Column::Calculation))
            QCOMPARE(f.table->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(eastings(f.tab->shownRecords()), order);
    }

    // A new record comes at the top of a newest-first table, and where it
    // belongs in a table sorted otherwise.
    void addRecord_data() {
        QTest::addColumn<int>("sortedBy");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("newest first: at the top")
            << -1 << QStringList{"500", "999", "-20.5", "1750000"};
        QTest::newRow("sorted by easting: in its place")
            << int(Column::Easting1) << QStringList{"-20.5", "500", "999", "1750000"};
    }
    void addRecord() {
        QFETCH(int, sortedBy);
        QFETCH(QStringList, order);
        Fixture f(kThree);
        if (sortedBy >= 0)
            f.clickHeader(Column(sortedBy));
        QVERIFY(f.log.add(job(4, "500")).isEmpty());
        QCOMPARE(eastings(f.tab->shownRecords()), order);
        // What the log added is in the file too, for the next start.
        QCOMPARE(f.log.file().read().records.size(), 4);
    }

    // ---- Copy ---------------------------------------------------------------

    void copy_data() {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QStringList>("copied");
        QTest::newRow("one row, button") << QList<int>{1} << false << QStringList{"-20.5"};
        QTest::newRow("two rows apart, button")
            << QList<int>{2, 0} << false << QStringList{"999", "1750000"};
        // Pins: the table's own Ctrl+C copied a single cell.
        QTest::newRow("two rows, Ctrl+C") << QList<int>{0, 1} << true
                                          << QStringList{"999", "-20.5"};
    }
    // Tab-separated rows in the table's order under the captions, each line
    // with every column, so a spreadsheet pastes them into the right columns.
    void copy() {
        QFETCH(QList<int>, rows);
        QFETCH(bool, byKey);
        QFETCH(QStringList, copied);
        Fixture f(kThree);
        QVERIFY(!f.button("cmd_log_copy")->isEnabled());
        f.selectRows(rows);
        QVERIFY(f.button("cmd_log_copy")->isEnabled());
        if (byKey) {
            f.table->setFocus();
            QTest::keyClick(f.table, Qt::Key_C, Qt::ControlModifier);
        } else {
            f.button("cmd_log_copy")->click();
        }
        QStringList lines = QApplication::clipboard()->text().split('\n');
        QCOMPARE(lines.takeLast(), QString()); // the last line ends too
        QCOMPARE(lines.takeFirst(), joblog::Captions().join('\t'));
        QCOMPARE(lines.size(), copied.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QStringList fields = lines[i].split('\t');
            QCOMPARE(fields.size(), joblog::kColumnCount);
            QCOMPARE(fields[int(Column::Easting1)], copied[i]);
            QCOMPARE(fields, f.tab->selectedRecords().at(i).toList());
        }
    }

    // Text that would split a cell is quoted, as spreadsheets read pasted text.
    void copyQuotesAwkwardText() {
        QList<Record> records = kThree;
        records[1][Column::ParameterSet] = QStringLiteral("tab\there, \"quoted\"\nand two lines");
        Fixture f(records);
        f.selectRows({1});
        f.button("cmd_log_copy")->click();
        const QString text = QApplication::clipboard()->text();
        QVERIFY2(text.contains("\t\"tab\there, \"\"quoted\"\"\nand two lines\"\t"),
                 qPrintable(text));
    }

    // ---- Export ---------------------------------------------------------------

    void exportFile_data() {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("selected rows") << QList<int>{0, 2} << QStringList{"999", "1750000"};
        QTest::newRow("nothing selected: all rows")
            << QList<int>{} << QStringList{"999", "-20.5", "1750000"};
    }
    void exportFile() {
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, written);
        Fixture f(kThree);
        const QString target = f.dir.filePath(QStringLiteral("export.csv"));
        QString asked;
        f.tab->setSaveFileDialog([&](QWidget*, const QString& caption, const QString&,
                                     const QString& filter) {
            asked = caption + '|' + filter;
            return target;
        });
        f.selectRows(rows);
        f.button("cmd_log_export")->click();
        QVERIFY(asked.contains("*.csv"));
        const QByteArray bytes = contents(target);
        QVERIFY(bytes.startsWith(joblog::kUtf8Bom.toByteArray() +
                                 joblog::CsvLine(joblog::Captions())));
        const joblog::CsvTable got = joblog::ReadCsv(bytes, joblog::Captions());
        QCOMPARE(got.damaged, 0);
        QStringList gotEastings;
        for (const QStringList& row : got.rows)
            gotEastings << row[int(Column::Easting1)];
        QCOMPARE(gotEastings, written);
        QCOMPARE(got.rows.front(), f.tab->shownRecords().front().toList());
    }

    void exportCancelled() {
        Fixture f(kThree);
        f.tab->setSaveFileDialog(
            [](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
        ModalGuard guard;
        f.button("cmd_log_export")->click();
        QVERIFY_GUARD(guard);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"log.csv"});
    }

    // ---- Clear ------------------------------------------------------------------

    void clear_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps everything") << false;
        QTest::newRow("Yes moves the file aside") << true;
    }
    void clear() {
        QFETCH(bool, yes);
        Fixture f(kThree);
        const QByteArray before = contents(f.log.file().path());
        // The button that Enter would press, seen while the box is up.
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                defaultButton = box->standardButton(box->defaultButton());
        });
        watch.start(1);
        ModalGuard guard;
        guard.expect("Clear the log? The file is kept as log-2026-12-08T143012.csv.",
                     "Quillmar", QMessageBox::Yes | QMessageBox::No,
                     yes ? QMessageBox::Yes : QMessageBox::No);
        f.button("cmd_log_clear")->click();
        QVERIFY_GUARD(guard);
        QCOMPARE(defaultButton, QMessageBox::No);

        const QString kept = f.dir.filePath(QStringLiteral("log-2026-12-08T143012.csv"));
        if (!yes) {
            QCOMPARE(contents(f.log.file().path()), before);
            QVERIFY(!QFile::exists(kept));
            QCOMPARE(f.rows(), 3);
            return;
        }
        QCOMPARE(contents(kept), before);
        QVERIFY(!QFile::exists(f.log.file().path()));
        QCOMPARE(f.rows(), 0);
        QVERIFY(!f.button("cmd_log_clear")->isEnabled());
        // The next record starts the log afresh.
        QVERIFY(f.log.add(job(4, "500")).isEmpty());
        QCOMPARE(eastings(f.tab->shownRecords()), QStringList{"500"});
        QCOMPARE(eastings(f.log.file().read().records), QStringList{"500"});
    }

    // ---- Re-use ---------------------------------------------------------------

    void doubleClick_data() {
        QTest::addColumn<int>("sortedBy");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("easting");
        QTest::newRow("newest first, top row") << -1 << 0 << "999";
        QTest::newRow("newest first, last row") << -1 << 2 << "1750000";
        // Pins the row-to-record link surviving a sort.
        QTest::newRow("sorted by easting, top row") << int(Column::Easting1) << 0 << "-20.5";
    }
    void doubleClick() {
        QFETCH(int, sortedBy);
        QFETCH(int, row);
        QFETCH(QString, easting);
        Fixture f(kThree);
        if (sortedBy >= 0)
            f.clickHeader(Column(sortedBy));
        QSignalSpy activated(f.tab.get(), &LogTab::recordActivated);
        const QPoint at = f.at(row, Column::Time);
        // As a real double click arrives: press, release, double click, release.
        QTest::mouseClick(f.table->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(f.table->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(f.table->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(activated.size(), 1);
        const Record r = activated[0][0].value<Record>();
        QCOMPARE(r[Column::Easting1], easting);
        QCOMPARE(r, f.tab->shownRecords().at(row));
    }
};

QTEST_MAIN(TestLogTab)
#include "tst_logtab.moc"
