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

// Told apart by Easting 1; a minute apart, oldest first.
Record job(int n, const QString& easting, const QString& calculation = joblog::kGridToGeog) {
    Record r;
    r[Column::Time] = QStringLiteral("2026-12-08T09:%1:00+13:00").arg(n, 2, 10, QChar('0'));
    r[Column::Calculation] = calculation;
    r.setParameters(joblog::kTypedByHand,
                    {"6378137", "0.00669438", "0.9996", "1600000", "10000000", "0", "173 E"});
    r[Column::Easting1] = easting;
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

// Five records in the file: 1750000, -20.5, 999, no easting, and an Angles
// record written last with a time that reads earlier as text.
struct Fixture {
    QTemporaryDir dir;
    joblog::JobLog log{dir.path()};
    std::unique_ptr<LogTab> tab;
    QTableView* table = nullptr;

    Fixture() {
        QList<Record> records{job(1, "1750000"), job(2, "-20.5"), job(3, "999"), job(4, QString()),
                              job(5, "85", joblog::kAngles)};
        records[4][Column::Time] = QStringLiteral("2026-12-08T08:06:00+12:00");
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
    QPoint at(int row, Column c) const {
        table->scrollTo(cell(row, c));
        return table->visualRect(cell(row, c)).center();
    }
    void clickHeader(int column) {
        QHeaderView* h = table->horizontalHeader();
        table->scrollTo(cell(0, Column(column)));
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 4, h->height() / 2));
    }
    void selectRows(const QList<int>& rows) {
        for (int r : rows)
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              at(r, Column::Time));
    }
};

} // namespace

class TestLogTab : public QObject {
    Q_OBJECT

  private slots:
    void init() { QApplication::clipboard()->clear(); }

    void sorting_data() {
        QTest::addColumn<int>("column"); // -1: as opened
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("as opened: newest first")
            << -1 << 0 << QStringList{"85", "", "999", "-20.5", "1750000"};
        QTest::newRow("eastings by value, empty last")
            << int(Column::Easting1) << 1 << QStringList{"-20.5", "85", "999", "1750000", ""};
        QTest::newRow("eastings descending")
            << int(Column::Easting1) << 2 << QStringList{"", "1750000", "999", "85", "-20.5"};
        QTest::newRow("calculation, newest first among equals")
            << int(Column::Calculation) << 1 << QStringList{"85", "", "999", "-20.5", "1750000"};
        // Pins: times with two offsets sorted as text put the last record first.
        QTest::newRow("time ascending: in the order written")
            << int(Column::Time) << 1 << QStringList{"1750000", "-20.5", "999", "", "85"};
    }
    // Sorted by clicks on the header; then a new record comes where it
    // belongs, which in a newest-first table is the top.
    void sorting() {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QStringList, order);
        Fixture f;
        for (int i = 0; i < clicks; ++i)
            f.clickHeader(column);
        QCOMPARE(eastings(f.tab->shownRecords()), order);
        QVERIFY(f.log.add(job(6, "500")).isEmpty());
        const QStringList after = eastings(f.tab->shownRecords());
        if (column < 0)
            QCOMPARE(after.front(), "500");
        if (column == int(Column::Easting1))
            QCOMPARE(after.indexOf("500"), clicks == 1 ? 2 : 3);
        QCOMPARE(f.log.file().read().records.size(), 6);
    }

    void copy_data() {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QStringList>("copied");
        QTest::newRow("rows apart, button")
            << QList<int>{3, 1} << false << QStringList{"", "-20.5"};
        // Pins: the table's own Ctrl+C copied a single cell.
        QTest::newRow("two rows, Ctrl+C")
            << QList<int>{2, 4} << true << QStringList{"999", "1750000"};
    }
    // Tab-separated rows in the table's order under the captions, every
    // column in every line, ready for a spreadsheet.
    void copy() {
        QFETCH(QList<int>, rows);
        QFETCH(bool, byKey);
        QFETCH(QStringList, copied);
        Fixture f;
        QVERIFY(!f.button("cmd_log_copy")->isEnabled());
        f.selectRows(rows);
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
            QCOMPARE(lines[i].split('\t')[int(Column::Easting1)], copied[i]);
            QCOMPARE(lines[i].split('\t'), f.tab->selectedRecords().at(i).toList());
        }
    }

    void exportFile_data() {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("selected rows") << QList<int>{4, 0} << false << QStringList{"85", "1750000"};
        QTest::newRow("nothing selected: all rows")
            << QList<int>{} << false << QStringList{"85", "", "999", "-20.5", "1750000"};
        QTest::newRow("cancelled: no file") << QList<int>{} << true << QStringList{};
    }
    // A CSV of the rows a spreadsheet opens: marked UTF-8, header first.
    void exportFile() {
        QFETCH(QList<int>, rows);
        QFETCH(bool, cancel);
        QFETCH(QStringList, written);
        Fixture f;
        const QString target = f.dir.filePath(QStringLiteral("export.csv"));
        QString filter;
        f.tab->setSaveFileDialog([&](QWidget*, const QString&, const QString&, const QString& ff) {
            filter = ff;
            return cancel ? QString() : target;
        });
        f.selectRows(rows);
        ModalGuard guard;
        f.button("cmd_log_export")->click();
        QVERIFY_GUARD(guard);
        QVERIFY(filter.contains("*.csv"));
        const QByteArray bytes = contents(target);
        QCOMPARE(QFile::exists(target), !cancel);
        if (cancel)
            return;
        QVERIFY(
            bytes.startsWith(joblog::kUtf8Bom.toByteArray() + joblog::CsvLine(joblog::Captions())));
        const joblog::CsvTable got = joblog::ReadCsv(bytes, joblog::Captions());
        QCOMPARE(got.rows.size(), written.size());
        for (qsizetype i = 0; i < written.size(); ++i)
            QCOMPARE(got.rows[i][int(Column::Easting1)], written[i]);
        QCOMPARE(got.rows.back(), f.tab->shownRecords().back().toList());
    }

    void clear_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps everything") << false;
        QTest::newRow("Yes moves the file aside") << true;
    }
    void clear() {
        QFETCH(bool, yes);
        Fixture f;
        const QByteArray before = contents(f.log.file().path());
        // The button Enter would press, seen while the box is up.
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                defaultButton = box->standardButton(box->defaultButton());
        });
        watch.start(1);
        ModalGuard guard;
        guard.expect("Clear the log? The file is kept as log-2026-12-08T143012.csv.", "Quillmar",
                     QMessageBox::Yes | QMessageBox::No, yes ? QMessageBox::Yes : QMessageBox::No);
        f.button("cmd_log_clear")->click();
        QVERIFY_GUARD(guard);
        QCOMPARE(defaultButton, QMessageBox::No);

        const QString kept = f.dir.filePath(QStringLiteral("log-2026-12-08T143012.csv"));
        QCOMPARE(contents(yes ? kept : f.log.file().path()), before);
        QCOMPARE(QFile::exists(kept), yes);
        QCOMPARE(f.table->model()->rowCount(), yes ? 0 : 5);
        QCOMPARE(f.button("cmd_log_clear")->isEnabled(), !yes);
        if (yes) { // the log starts afresh
            QVERIFY(f.log.add(job(6, "500")).isEmpty());
            QCOMPARE(eastings(f.tab->shownRecords()), QStringList{"500"});
            QCOMPARE(eastings(f.log.file().read().records), QStringList{"500"});
        }
    }

    void doubleClick_data() {
        QTest::addColumn<int>("sortedBy");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("easting");
        QTest::newRow("newest first, top row") << -1 << 0 << "85";
        QTest::newRow("newest first, last row") << -1 << 4 << "1750000";
        // Pins the row-to-record link surviving a sort.
        QTest::newRow("sorted by easting, top row") << int(Column::Easting1) << 0 << "-20.5";
    }
    void doubleClick() {
        QFETCH(int, sortedBy);
        QFETCH(int, row);
        QFETCH(QString, easting);
        Fixture f;
        if (sortedBy >= 0)
            f.clickHeader(sortedBy);
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
    void newRecordShown_data() {
        QTest::addColumn<bool>("emptyAtStart");
        // Pins: a log empty at start kept every column at the default width,
        // so a time or a latitude showed cut off.
        QTest::newRow("log empty at start") << true;
        QTest::newRow("log with records at start") << false;
    }
    // A record added during the run shows whole: its columns widen to it.
    void newRecordShown() {
        QFETCH(bool, emptyAtStart);
        QTemporaryDir dir;
        joblog::JobLog log(dir.path());
        if (!emptyAtStart)
            QVERIFY(log.file().append(job(1, "1")).isEmpty());
        LogTab tab(log);
        tab.show();
        auto* table = must<QTableView>(&tab, "tbl_log");
        Record r = job(2, "1750000.125");
        r[Column::Latitude] =
            QStringLiteral(" 36 Deg  51 Min 13.300 Sec S, as the window shows it");
        QVERIFY(log.add(r).isEmpty());
        const QFontMetrics fm(table->font());
        for (Column c : {Column::Time, Column::Easting1, Column::Latitude})
            QVERIFY2(table->horizontalHeader()->sectionSize(int(c)) > fm.horizontalAdvance(r[c]),
                     qPrintable(joblog::Caption(c)));
    }
};

QTEST_MAIN(TestLogTab)
#include "tst_logtab.moc"
