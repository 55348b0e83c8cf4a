// The job log as the windows keep it, driven through the real program: what
// each finished calculation writes, what a restart shows, a log that cannot
// be written, a record taken back into its tab, and copying results.
#include "csv.h"
#include "logfile.h"
#include "logtab.h"
#include "modalguard.h"
#include "shell.h"

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

using joblog::Column;
using joblog::Record;

namespace {

const QString kAiry = QStringLiteral("Airy 1830 / National Grid");
// The Spheroid tab's seven fields, and Airy's values as typed by hand.
const QStringList kSpheroidFields{"txt_major", "txt_ecc",  "txt_scale", "txt_fe",
                                  "txt_fn",    "txt_orig", "txt_cm"};
const QStringList kAiryTyped{"6377563.396", "0.00667054", "0.9996012717", "400000",
                             "-100000",     "49 N",       "2 W"};

using Fields = QList<QPair<QString, QString>>; // objectName, text
using ColumnFields = QList<QPair<QString, Column>>;

// Each calculation's fields and the columns they are logged in; entries
// first, then what the window shows.
const QList<QPair<QString, Column>> kGeogToGridColumns{
    {"txt_lat_deg", Column::Lat1Deg},
    {"txt_lat_min", Column::Lat1Min},
    {"txt_lat_sec", Column::Lat1Sec},
    {"txt_ns", Column::Lat1Hemisphere},
    {"txt_long_deg", Column::Long1Deg},
    {"txt_long_min", Column::Long1Min},
    {"txt_long_sec", Column::Long1Sec},
    {"txt_ew", Column::Long1Hemisphere},
    {"txt_height_g2g", Column::EllipsoidalHeight},
    {"txt_easting", Column::Easting},
    {"txt_northing", Column::Northing},
    {"txt_convergence_g2g", Column::GridConvergence},
    {"txt_scale_g2g", Column::PointScaleFactor},
    {"txt_elevation_g2g", Column::ElevationFactor},
    {"txt_combined_g2g", Column::CombinedScaleFactor},
    {"txt_gridref_g2g", Column::GridReference},
    {"lbl_accuracy_g2g", Column::AccuracyWarning}};
const QList<QPair<QString, Column>> kGridToGeogColumns{
    {"txt_east", Column::Easting1},
    {"txt_north", Column::Northing1},
    {"txt_height_g2l", Column::EllipsoidalHeight},
    {"txt_lat", Column::Latitude},
    {"txt_long", Column::Longitude},
    {"txt_convergence_g2l", Column::GridConvergence},
    {"txt_scale_g2l", Column::PointScaleFactor},
    {"txt_elevation_g2l", Column::ElevationFactor},
    {"txt_combined_g2l", Column::CombinedScaleFactor},
    {"txt_gridref_g2l", Column::GridReference},
    {"lbl_accuracy_g2l", Column::AccuracyWarning}};
const QList<QPair<QString, Column>> kDistanceColumns{
    {"txt_lat_deg1", Column::Lat1Deg},
    {"txt_lat_min1", Column::Lat1Min},
    {"txt_lat_sec1", Column::Lat1Sec},
    {"txt_lat_hemis1", Column::Lat1Hemisphere},
    {"txt_long_deg1", Column::Long1Deg},
    {"txt_long_min1", Column::Long1Min},
    {"txt_long_sec1", Column::Long1Sec},
    {"txt_long_hemis1", Column::Long1Hemisphere},
    {"txt_lat_deg2", Column::Lat2Deg},
    {"txt_lat_min2", Column::Lat2Min},
    {"txt_lat_sec2", Column::Lat2Sec},
    {"txt_lat_hemis2", Column::Lat2Hemisphere},
    {"txt_long_deg2", Column::Long2Deg},
    {"txt_long_min2", Column::Long2Min},
    {"txt_long_sec2", Column::Long2Sec},
    {"txt_long_hemis2", Column::Long2Hemisphere},
    {"txt_east1", Column::Easting1},
    {"txt_north1", Column::Northing1},
    {"txt_east2", Column::Easting2},
    {"txt_north2", Column::Northing2},
    {"txt_height1", Column::Height1},
    {"txt_height2", Column::Height2},
    {"lbl_kms", Column::DistanceKms},
    {"lbl_miles", Column::DistanceMiles},
    {"txt_geodesic", Column::EllipsoidalDistance},
    {"txt_grid_distance", Column::GridDistance},
    {"txt_line_scale", Column::LineScaleFactor},
    {"txt_azimuth12", Column::Azimuth12},
    {"txt_azimuth2", Column::Azimuth2},
    {"txt_bearing12", Column::GridBearing12},
    {"txt_ground_distance", Column::GroundDistance},
    {"txt_combined_line", Column::CombinedLineFactor},
    {"lbl_accuracy_dist", Column::AccuracyWarning}};
const QList<QPair<QString, Column>> kTriangleColumns{
    {"txt_E1", Column::Easting1},  {"txt_N1", Column::Northing1},  {"txt_E2", Column::Easting2},
    {"txt_N2", Column::Northing2}, {"txt_anglea", Column::AngleA}, {"txt_angleb", Column::AngleB},
    {"txt_E3", Column::Easting},   {"txt_N3", Column::Northing}};

// The worked examples.
const Fields kGeogToGrid{
    {"txt_lat_deg", "52"},    {"txt_lat_min", "39"},  {"txt_lat_sec", "27.2531"}, {"txt_ns", "N"},
    {"txt_long_deg", "1"},    {"txt_long_min", "43"}, {"txt_long_sec", "4.5177"}, {"txt_ew", "E"},
    {"txt_height_g2g", "120"}};
const Fields kGridToGeog{
    {"txt_east", "651409.903"}, {"txt_north", "313177.270"}, {"txt_height_g2l", "85.5"}};
const Fields kDistanceGeog{
    {"txt_lat_deg1", "52"},      {"txt_lat_min1", "39"},   {"txt_lat_sec1", "27.2531"},
    {"txt_lat_hemis1", "N"},     {"txt_long_deg1", "1"},   {"txt_long_min1", "43"},
    {"txt_long_sec1", "4.5177"}, {"txt_long_hemis1", "E"}, {"txt_lat_deg2", "52"},
    {"txt_lat_min2", "12"},      {"txt_lat_sec2", "30"},   {"txt_lat_hemis2", "N"},
    {"txt_long_deg2", "0"},      {"txt_long_min2", "7"},   {"txt_long_sec2", "15"},
    {"txt_long_hemis2", "E"}};
const Fields kDistanceGrid{{"txt_east1", "651409.903"}, {"txt_north1", "313177.270"},
                           {"txt_east2", "548000"},     {"txt_north2", "262000"},
                           {"txt_height1", "30"},       {"txt_height2", "12.5"}};
const Fields kTriangle{{"txt_E1", "1000"}, {"txt_N1", "2000"},   {"txt_E2", "1500"},
                       {"txt_N2", "2000"}, {"txt_anglea", "60"}, {"txt_angleb", "60"}};

QString textOf(QWidget* w, const QString& name) {
    if (auto* l = w->findChild<QLabel*>(name))
        return l->text();
    return must<QLineEdit>(w, qPrintable(name))->text();
}

void type(QWidget* w, const Fields& fields) {
    for (const auto& [name, text] : fields)
        must<QLineEdit>(w, qPrintable(name))->setText(text);
}

// What the window shows now, by column.
QMap<Column, QString> shown(QWidget* w, const QList<QPair<QString, Column>>& columns) {
    QMap<Column, QString> out;
    for (const auto& [name, column] : columns)
        out[column] = textOf(w, name);
    return out;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void processDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A run of the program on a data folder, which a second run may share.
struct Run {
    QString data;
    QString lock;
    AppState state;
    ModalGuard guard;
    std::unique_ptr<Shell> shell;
    // Every message any status bar showed, in order.
    QStringList statusMessages;

    Run(const QString& folder)
        : data(folder + "/data"), lock(folder + "/run"),
          shell(std::make_unique<Shell>(state, Shell::Options{data, lock})) {}
    ~Run() {
        shell.reset();
        processDeletions();
        // The shell ends with QCoreApplication::exit(); a short loop clears
        // that for the modal boxes of the next test.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    QString logPath() const { return data + "/quillmar/" + joblog::kFileName; }

    void watchStatus(QWidget* w) {
        auto* bar = must<QStatusBar>(w, "statusBar");
        if (!bar->currentMessage().isEmpty()) // shown while the window was made
            statusMessages << bar->currentMessage();
        QObject::connect(must<QStatusBar>(w, "statusBar"), &QStatusBar::messageChanged, w,
                         [this](const QString& m) {
                             if (!m.isEmpty())
                                 statusMessages << m;
                         });
    }
    ConversionWindow* conversion() {
        if (!shell->conversionWindow()) {
            shell->openConversion();
            watchStatus(shell->conversionWindow());
        }
        ConversionWindow* w = shell->conversionWindow();
        w->show();
        QApplication::setActiveWindow(w);
        return w;
    }
    void selectEntry(const QString& name) {
        auto* list = must<QListWidget>(conversion(), "List1");
        const auto found = list->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        list->setCurrentItem(found.first());
    }
    void typeByHand() {
        ConversionWindow* w = conversion();
        tab(ConversionWindow::kSpheroidTab);
        must<QAbstractButton>(w, "SSCommand1")->click(); // Clear details
        for (int i = 0; i < kSpheroidFields.size(); ++i)
            must<QLineEdit>(w, qPrintable(kSpheroidFields[i]))->setText(kAiryTyped[i]);
    }
    void tab(int index) { must<QTabWidget>(conversion(), "SSTab1")->setCurrentIndex(index); }
    // Types the entries on the tab and presses its button; what the window
    // then shows.
    QMap<Column, QString> job(int index, const char* button, const Fields& entries,
                              const QList<QPair<QString, Column>>& columns) {
        tab(index);
        ConversionWindow* w = conversion();
        type(w, entries);
        must<QAbstractButton>(w, button)->click();
        return shown(w, columns);
    }
    // Opens a triangle window and calculates C.
    QWidget* triangle(TriangleWindow::Kind kind, const Fields& entries) {
        if (shell->conversionWindow())
            shell->conversionWindow()->close();
        kind == TriangleWindow::Kind::Angles ? shell->openTriangular() : shell->openTrilateration();
        QWidget* w = shell->loadedWindows().last();
        watchStatus(w);
        QApplication::setActiveWindow(w);
        type(w, entries);
        must<QAbstractButton>(w, "SSCommand1")->click();
        return w;
    }
    LogTab* logTab() { return must<LogTab>(conversion(), "LogTab"); }
    QTableView* table() { return must<QTableView>(conversion(), "tbl_log"); }
    void doubleClickRow(int row) {
        tab(ConversionWindow::kLogTab);
        QTableView* t = table();
        const QModelIndex index = t->model()->index(row, int(Column::Time));
        t->scrollTo(index);
        const QPoint at = t->visualRect(index).center();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(t->viewport(), Qt::LeftButton, {}, at);
    }
};

// The record holds what the window showed, column by column.
bool holds(const Record& r, const QMap<Column, QString>& shown, QByteArray* why) {
    for (auto it = shown.begin(); it != shown.end(); ++it)
        if (r[it.key()] != it.value()) {
            *why = "column " + joblog::Caption(it.key()).toUtf8() + ": logged \"" +
                   r[it.key()].toUtf8() + "\", shown \"" + it.value().toUtf8() + "\"";
            return false;
        }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(ColumnFields)

class TestJobLogWindows : public QObject {
    Q_OBJECT

  private slots:
    void fourJobs_data() {
        QTest::addColumn<bool>("byHand");
        QTest::newRow("catalogue entry selected") << false;
        QTest::newRow("parameter set typed by hand") << true;
    }
    // Three conversions and a triangle give a header and four records that
    // hold what the windows showed; a refusal gives none. The next run's Log
    // tab shows them newest first.
    void fourJobs() {
        QFETCH(bool, byHand);
        QTemporaryDir dir;
        QList<QMap<Column, QString>> seen;
        QStringList sets;
        {
            Run r(dir.path());
            QVERIFY(r.shell->Start());
            if (byHand)
                r.typeByHand();
            else
                r.selectEntry(kAiry);
            // Refused: not logged.
            Fields outside = kGeogToGrid;
            outside[0].second = "91";
            r.guard.expect("Latitude must lie between 90 S and 90 N.");
            r.job(ConversionWindow::kGeogToGridTab, "cmd_convert", outside, {});
            QVERIFY_GUARD(r.guard);
            QVERIFY(!QFile::exists(r.logPath()));

            seen << r.job(ConversionWindow::kGeogToGridTab, "cmd_convert", kGeogToGrid,
                          kGeogToGridColumns);
            seen << r.job(ConversionWindow::kGridToGeogTab, "Command1", kGridToGeog,
                          kGridToGeogColumns);
            seen << r.job(ConversionWindow::kDistanceTab, "cmd_calc", kDistanceGeog + kDistanceGrid,
                          kDistanceColumns);
            seen << shown(r.triangle(TriangleWindow::Kind::Angles, kTriangle), kTriangleColumns);
            QVERIFY_GUARD(r.guard);
            QVERIFY2(r.statusMessages.isEmpty(), qPrintable(r.statusMessages.join('\n')));
            QCOMPARE(seen[0][Column::Easting], "651409.903");
            QCOMPARE(seen[3][Column::Northing], "2433.013");
            QVERIFY(!seen[2][Column::GroundDistance].isEmpty());
        }

        const QByteArray bytes = contents(dir.filePath("data/quillmar/log.csv"));
        QVERIFY(
            bytes.startsWith(joblog::kUtf8Bom.toByteArray() + joblog::CsvLine(joblog::Captions())));
        QCOMPARE(bytes.count('\n'), 5);
        const joblog::ReadResult file = joblog::LogFile(dir.filePath("data/quillmar")).read();
        QCOMPARE(file.records.size(), 4);
        const QStringList calculations{joblog::kGeogToGrid, joblog::kGridToGeog, joblog::kDistance,
                                       joblog::kAngles};
        for (int i = 0; i < 4; ++i) {
            const Record& rec = file.records[i];
            QCOMPARE(rec[Column::Calculation], calculations[i]);
            QVERIFY(QDateTime::fromString(rec[Column::Time], Qt::ISODate).isValid());
            QByteArray why;
            QVERIFY2(holds(rec, seen[i], &why), why.constData());
            if (i == 3) { // a plane triangle has no parameter set
                QCOMPARE(rec.parameters(), (std::array<QString, 7>{}));
                QCOMPARE(rec[Column::ParameterSet], QString());
                continue;
            }
            QCOMPARE(rec[Column::ParameterSet], byHand ? joblog::kTypedByHand : kAiry);
            const std::array<QString, 7> values = rec.parameters();
            if (byHand)
                QCOMPARE(QStringList(values.begin(), values.end()), kAiryTyped);
            QCOMPARE(rec[Column::DegreesAs], joblog::kDegMinSec);
        }

        Run again(dir.path());
        QVERIFY(again.shell->Start());
        again.conversion();
        QList<Record> newestFirst = file.records;
        std::reverse(newestFirst.begin(), newestFirst.end());
        QCOMPARE(again.logTab()->shownRecords(), newestFirst);
        QCOMPARE(again.table()->model()->index(0, int(Column::Calculation)).data().toString(),
                 joblog::kAngles);
        QVERIFY_GUARD(again.guard);
    }

    void unwritableLog_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("unreadable"); // also told once at start
        QTest::newRow("log name is a folder") << "folder" << true;
        QTest::newRow("read-only file") << "read-only" << false;
    }
    // Conversions go on; the status bar says once, in the window where it
    // happened, that the log cannot be written; the run's records still show.
    void unwritableLog() {
        QFETCH(QString, how);
        QFETCH(bool, unreadable);
        QTemporaryDir dir;
        Run r(dir.path());
        QVERIFY(r.shell->Start());
        QByteArray before;
        if (how == "folder") {
            QVERIFY(QDir().mkpath(r.logPath()));
        } else {
            if (geteuid() == 0)
                QSKIP("root writes whatever the permissions (scripts/unprivileged.sh runs this)");
            QVERIFY(joblog::LogFile(QFileInfo(r.logPath()).path())
                        .append(Record::Now("Earlier"))
                        .isEmpty());
            QVERIFY(QFile::setPermissions(r.logPath(), QFile::ReadOwner | QFile::ReadUser));
            before = contents(r.logPath());
        }
        r.selectEntry(kAiry);
        QCOMPARE(r.statusMessages.size(), unreadable ? 1 : 0);
        if (unreadable)
            QVERIFY2(r.statusMessages[0].startsWith("The job log cannot be read: "),
                     qPrintable(r.statusMessages[0]));
        const auto g2g =
            r.job(ConversionWindow::kGeogToGridTab, "cmd_convert", kGeogToGrid, kGeogToGridColumns);
        QCOMPARE(g2g[Column::Easting], "651409.903");
        const auto g2l =
            r.job(ConversionWindow::kGridToGeogTab, "Command1", kGridToGeog, kGridToGeogColumns);
        QVERIFY(!g2l[Column::Latitude].isEmpty());
        const QStringList afterConversions = r.statusMessages;
        QWidget* tri = r.triangle(TriangleWindow::Kind::Bearings, {{"txt_E1", "1000"},
                                                                   {"txt_N1", "2000"},
                                                                   {"txt_E2", "1500"},
                                                                   {"txt_N2", "2000"},
                                                                   {"txt_anglea", "45"},
                                                                   {"txt_angleb", "315"}});
        QCOMPARE(textOf(tri, "txt_E3"), "1250.000");
        QVERIFY_GUARD(r.guard);

        QStringList cannotWrite;
        for (const QString& m : r.statusMessages)
            if (m.startsWith("The job log cannot be written: "))
                cannotWrite << m;
        QCOMPARE(cannotWrite.size(), 1);
        QVERIFY2(cannotWrite[0].contains(QDir::toNativeSeparators(r.logPath())),
                 qPrintable(cannotWrite[0]));
        QCOMPARE(r.statusMessages, afterConversions); // the triangle said nothing more
        QCOMPARE(must<QStatusBar>(r.shell->conversionWindow(), "statusBar")->currentMessage(),
                 cannotWrite[0]);
        QCOMPARE(r.logTab()->shownRecords().size(), how == "read-only" ? 4 : 3);
        if (how == "read-only")
            QCOMPARE(contents(r.logPath()), before);
    }

    void reuse_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("mode"); // the degrees option the record was made in
        QTest::addColumn<QString>("otherMode");
        QTest::addColumn<Fields>("entries");
        QTest::addColumn<QStringList>("results"); // emptied on re-use
        QTest::addColumn<int>("otherSet");        // row of List1 selected after; -1: none
        const QStringList g2gResults{"txt_easting", "txt_northing", "txt_scale_g2g"};
        QTest::newRow("Geog to Grid, Deg Min Sec, same set")
            << int(ConversionWindow::kGeogToGridTab) << "cmd_convert"
            << "opt_long"
            << "opt_short" << kGeogToGrid << g2gResults << -1;
        QTest::newRow("Geog to Grid, Deg Minutes, other set")
            << int(ConversionWindow::kGeogToGridTab) << "cmd_convert"
            << "opt_short"
            << "opt_long" << Fields{{"txt_lat_deg", "52"}, {"txt_lat_min", "39.45421833"},
                                    {"txt_lat_sec", ""},   {"txt_ns", "N"},
                                    {"txt_long_deg", "1"}, {"txt_long_min", "43.075295"},
                                    {"txt_long_sec", ""},  {"txt_ew", "E"},
                                    {"txt_height_g2g", ""}}
            << g2gResults << 3;
        QTest::newRow("Grid to Geog, minutes layout, same set")
            << int(ConversionWindow::kGridToGeogTab) << "Command1"
            << "Option1"
            << "Option2" << kGridToGeog << QStringList{"txt_lat", "txt_long", "txt_combined_g2l"}
            << -1;
        QTest::newRow("Distance, positions in Deg Min Sec, other set")
            << int(ConversionWindow::kDistanceTab) << "cmd_calc"
            << "Option4"
            << "Option3" << kDistanceGeog << QStringList{"txt_geodesic", "txt_bearing12"} << 3;
        // Pins: the grid positions survive the tab change the re-use makes.
        QTest::newRow("Distance, grid positions with heights, same set")
            << int(ConversionWindow::kDistanceTab) << "cmd_calc"
            << "Option4"
            << "Option4" << kDistanceGrid << QStringList{"txt_ground_distance", "txt_combined_line"}
            << -1;
    }
    // A double click on a record selects its tab and fills its entries and
    // degrees mode, not the parameter set; the tab's parameter line says
    // whether the set in force has the record's values, until an entry is
    // edited.
    void reuse() {
        QFETCH(int, tab);
        QFETCH(QString, button);
        QFETCH(QString, mode);
        QFETCH(QString, otherMode);
        QFETCH(Fields, entries);
        QFETCH(QStringList, results);
        QFETCH(int, otherSet);
        QTemporaryDir dir;
        Run r(dir.path());
        QVERIFY(r.shell->Start());
        r.selectEntry(kAiry);
        ConversionWindow* w = r.conversion();
        r.tab(tab);
        must<QRadioButton>(w, qPrintable(mode))->click();
        r.job(tab, qPrintable(button), entries, {});
        for (const QString& name : results)
            QVERIFY2(!textOf(w, name).isEmpty(), qPrintable(name));
        // An older record below, of another calculation.
        r.triangle(TriangleWindow::Kind::Angles, kTriangle)->close();
        w = r.conversion();

        // Everything changed since.
        r.tab(tab);
        must<QRadioButton>(w, qPrintable(otherMode))->click();
        for (const auto& [name, text] : entries)
            must<QLineEdit>(w, qPrintable(name))->setText("7");
        QString setName = kAiry;
        if (otherSet >= 0) {
            r.tab(ConversionWindow::kSpheroidTab);
            auto* list = must<QListWidget>(w, "List1");
            list->setCurrentRow(otherSet);
            setName = list->currentItem()->text();
            QVERIFY(setName != kAiry);
        }
        const QString labelName = tab == ConversionWindow::kGeogToGridTab   ? "lbl_active_g2g"
                                  : tab == ConversionWindow::kGridToGeogTab ? "lbl_active_g2l"
                                                                            : "lbl_active_dist";
        r.doubleClickRow(1); // the triangle's record is the top row
        QCOMPARE(must<QTabWidget>(w, "SSTab1")->currentIndex(), tab);
        for (const auto& [name, text] : entries)
            QCOMPARE(textOf(w, name), text);
        QVERIFY(must<QRadioButton>(w, qPrintable(mode))->isChecked());
        for (const QString& name : results)
            QVERIFY2(textOf(w, name).isEmpty(), qPrintable(name));
        QCOMPARE(textOf(w, labelName),
                 "Parameter set: " + setName +
                     (otherSet < 0 ? QString(" (same values as the record)")
                                   : " (the record's set differs: " + kAiry + ")"));
        // The parameter set in force is not the record's business.
        QCOMPARE(must<QLineEdit>(w, "txt_name")->text(), setName);

        // Converted again, the entries give the record's results.
        must<QAbstractButton>(w, qPrintable(button))->click();
        QVERIFY_GUARD(r.guard);
        if (otherSet < 0) {
            const QList<Record> records = r.logTab()->shownRecords();
            QCOMPARE(records.size(), 3);
            for (int c = int(Column::DegreesAs); c < joblog::kColumnCount; ++c)
                QCOMPARE(records[0][Column(c)], records[2][Column(c)]);
        }
        // Edited, the entries are no longer the record's.
        QLineEdit* first = must<QLineEdit>(w, qPrintable(entries.first().first));
        first->setFocus();
        QTest::keyClick(first, Qt::Key_End);
        QTest::keyClick(first, Qt::Key_0);
        QCOMPARE(textOf(w, labelName), "Parameter set: " + setName);
    }

    // Records of a triangle only show; the window stays as it is.
    void triangleRecordNotReused() {
        QTemporaryDir dir;
        Run r(dir.path());
        QVERIFY(r.shell->Start());
        r.triangle(TriangleWindow::Kind::Bearings, {{"txt_E1", "1000"},
                                                    {"txt_N1", "2000"},
                                                    {"txt_E2", "1500"},
                                                    {"txt_N2", "2000"},
                                                    {"txt_anglea", "45"},
                                                    {"txt_angleb", "315"}})
            ->close();
        ConversionWindow* w = r.conversion();
        r.doubleClickRow(0);
        QCOMPARE(must<QTabWidget>(w, "SSTab1")->currentIndex(), int(ConversionWindow::kLogTab));
        QCOMPARE(r.logTab()->shownRecords().at(0)[Column::Calculation], joblog::kBearings);
    }

    void copyResults_data() {
        QTest::addColumn<int>("window"); // a conversion window tab, or -1 a triangle
        QTest::addColumn<QString>("button");
        QTest::addColumn<Fields>("entries");
        QTest::addColumn<ColumnFields>("columns"); // the results, in order
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("Geog to Grid")
            << int(ConversionWindow::kGeogToGridTab) << "cmd_convert" << kGeogToGrid
            << kGeogToGridColumns.mid(9) << QStringList{"Easting",          "Northing",
                                                        "Grid convergence", "Point scale factor",
                                                        "Elevation factor", "Combined scale factor",
                                                        "Grid reference",   "Accuracy warning"};
        QTest::newRow("Grid to Geog")
            << int(ConversionWindow::kGridToGeogTab) << "Command1" << kGridToGeog
            << kGridToGeogColumns.mid(3)
            << QStringList{"Latitude",           "Longitude",        "Grid convergence",
                           "Point scale factor", "Elevation factor", "Combined scale factor",
                           "Grid reference",     "Accuracy warning"};
        QTest::newRow("Distance")
            << int(ConversionWindow::kDistanceTab) << "cmd_calc" << kDistanceGeog + kDistanceGrid
            << kDistanceColumns.mid(22)
            << QStringList{
                   "Distance (kms)",       "Distance (n. miles)", "Ellipsoidal distance (m)",
                   "Grid distance (m)",    "Line scale factor",   "Azimuth 1→2",
                   "Azimuth at 2",         "Grid bearing 1→2",    "Ground distance (m)",
                   "Combined line factor", "Accuracy warning"};
        QTest::newRow("Triangular") << -1 << "SSCommand1" << kTriangle << kTriangleColumns.mid(6)
                                    << QStringList{"Easting", "Northing"};
    }
    // Ctrl+Shift+C copies the shown tab's results under their captions, and
    // each result field has Copy in its context menu.
    void copyResults() {
        QFETCH(int, window);
        QFETCH(QString, button);
        QFETCH(Fields, entries);
        QFETCH(ColumnFields, columns);
        QFETCH(QStringList, captions);
        QTemporaryDir dir;
        Run r(dir.path());
        QVERIFY(r.shell->Start());
        QWidget* w = nullptr;
        if (window < 0) {
            w = r.triangle(TriangleWindow::Kind::Angles, entries);
        } else {
            r.selectEntry(kAiry);
            r.job(window, qPrintable(button), entries, {});
            w = r.conversion();
        }
        QApplication::clipboard()->clear();
        QWidget* focus = w->focusWidget() ? w->focusWidget() : w;
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QStringList expected;
        for (int i = 0; i < columns.size(); ++i)
            expected << captions[i] + ": " + textOf(w, columns[i].first);
        QCOMPARE(QApplication::clipboard()->text(), expected.join('\n') + '\n');
        QVERIFY(!textOf(w, columns[0].first).isEmpty());
        for (const auto& [name, column] : columns) {
            QWidget* field = must<QWidget>(w, qPrintable(name));
            QCOMPARE(field->contextMenuPolicy(), Qt::CustomContextMenu);
        }
        QVERIFY_GUARD(r.guard);
    }
};

QTEST_MAIN(TestJobLogWindows)
#include "tst_joblogwindows.moc"
