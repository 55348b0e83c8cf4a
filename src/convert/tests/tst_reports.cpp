// The printed reports: the line layout on its own, then each report printed
// to a PDF through the real painting code and read back with pdftotext.
#include "conversionwindow.h"
#include "modalguard.h"
#include "printing.h"
#include "reports.h"
#include "store.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

using namespace reports;

namespace {

// A word as pdftotext -bbox reports it, in points from the page's top left.
struct Word {
    double xMin, yMin, xMax;
    QString text;
};

// The words of the page grouped into printed lines, top to bottom.
using Rows = QList<QList<Word>>;

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

Rows wordRows(const QString& pdf) {
    const QString html =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression re(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    QList<Word> words;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        // pdftotext writes the words as XML text.
        QString text = m.captured(4);
        text.replace(QLatin1String("&apos;"), QLatin1String("'"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        words << Word{m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      text};
    }
    // Words come in drawing order; a printed line is the words of one height.
    std::stable_sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
        return std::abs(a.yMin - b.yMin) > 0.5 ? a.yMin < b.yMin : a.xMin < b.xMin;
    });
    Rows rows;
    for (const Word& w : words) {
        if (rows.isEmpty() || std::abs(rows.last().first().yMin - w.yMin) > 0.5)
            rows.append(QList<Word>());
        rows.last().append(w);
    }
    return rows;
}

// Words of a row from the one starting at x (within half a point) onwards.
QString textFrom(const QList<Word>& row, double x) {
    QStringList out;
    for (const Word& w : row)
        if (w.xMin > x - 0.5)
            out << w.text;
    return out.join(QLatin1Char(' '));
}

// A missing word has NaN edges, so every check on it fails rather than crashes.
Word findWord(const QList<Word>& row, const QString& text) {
    for (const Word& w : row)
        if (w.text == text)
            return w;
    return {qQNaN(), qQNaN(), qQNaN(), QString()};
}

const SpheroidTexts kSpheroid{"Airy 1830", "6377563.396", "0.00667054", "0.9996012717",
                              "400000",    "-100000",     "49N",        "2W"};
// The same texts as "field=text" settings of the window.
const QStringList kSpheroidFields{
    "txt_name=Airy 1830", "txt_major=6377563.396", "txt_ecc=0.00667054",
    "txt_scale=0.9996012717", "txt_fe=400000", "txt_fn=-100000", "txt_orig=49N", "txt_cm=2W"};

} // namespace

class TestReports : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void positionText_data();
    void positionText();
    void reportLines_data();
    void reportLines();
    void placement_data();
    void placement();

    void printedText_data();
    void printedText();
    void columns();
    void cancelPrintsNothing();
    void eachPrintProposesItsOwnFile_data();
    void eachPrintProposesItsOwnFile();
    void failedJobIsReported();

  private:
    // Applies "name=text" settings: a field's or label's text, a radio button
    // checked, a tab chosen by its index.
    void apply(const QStringList& settings);
    // Clicks the button with the dialog answered by printing to `pdf`, after
    // applying `inDialog` as a user might while the dialog is open and
    // choosing three copies.
    void printTo(const char* button, const QString& pdf, const QStringList& inDialog = {});
    void click(const char* button) { must<QPushButton>(window_.get(), button)->click(); }

    QTemporaryDir dir_;
    AppState state_;
    std::unique_ptr<ConversionWindow> window_;
    // The printable area's edges and the column width, in points.
    double topMargin_ = 0;
    double leftMargin_ = 0;
    double charWidth_ = 0;
};

void TestReports::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed to read the printed reports");
    state_.DatabasePath = dir_.filePath(catalogue::kFileName);
    QVERIFY(catalogue::CatalogueStore::InstallDefault(state_.DatabasePath));
}

void TestReports::init() {
    state_.parameters.clear(); // each test starts with nothing in force
    window_ = std::make_unique<ConversionWindow>(state_);
    QVERIFY(window_->Load());
}

void TestReports::cleanup() {
    PrintDialogHook = nullptr;
    window_.reset();
}

void TestReports::apply(const QStringList& settings) {
    for (const QString& s : settings) {
        const QString name = s.section('=', 0, 0);
        const QString text = s.section('=', 1);
        QObject* o = window_->findChild<QObject*>(name);
        if (auto* e = qobject_cast<QLineEdit*>(o))
            e->setText(text);
        else if (auto* l = qobject_cast<QLabel*>(o))
            l->setText(text);
        else if (auto* r = qobject_cast<QRadioButton*>(o))
            r->setChecked(true);
        else if (auto* t = qobject_cast<QTabWidget*>(o))
            t->setCurrentIndex(text.toInt());
        else
            QFAIL(qPrintable("no field " + name));
    }
}

void TestReports::printTo(const char* button, const QString& pdf, const QStringList& inDialog) {
    QPrinter* used = nullptr;
    int offered = 0;
    PrintDialogHook = [=, this, &used, &offered](QPrinter* printer) {
        used = printer;
        offered = printer->copyCount();
        apply(inDialog);
        printer->setCopyCount(3); // as if chosen in the dialog
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        const QRectF area = printer->pageLayout().paintRect(QPageLayout::Point);
        topMargin_ = area.top();
        leftMargin_ = area.left();
        // Columns count in the printer font's average character width.
        charWidth_ =
            QFontMetricsF(QFont(), printer).averageCharWidth() * 72.0 / printer->resolution();
        return true;
    };
    click(button);
    QVERIFY(used);
    // Regression: the count chosen in the dialog was forced back to 1. Each
    // print offers 1 again, whatever the last one used.
    QCOMPARE(offered, 1);
    QCOMPARE(used->copyCount(), 3);
}

// --- the layout functions ---------------------------------------------------

void TestReports::positionText_data() {
    QTest::addColumn<QStringList>("in"); // deg, min, sec, letter
    QTest::addColumn<bool>("withSeconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("leading zeros dropped") << QStringList{"051", "07", "0", "N"} << true
                                           << "51 7 0 N";
    QTest::newRow("minutes mode ignores seconds") << QStringList{"3", "12.5", "40", "W"} << false
                                                  << "3 12.5 W";
    QTest::newRow("empty, seconds mode") << QStringList{"", "", "", ""} << true << "0 0 0 ";
    QTest::newRow("empty, minutes mode") << QStringList{"", "", "", ""} << false << "0 0 ";
}

void TestReports::positionText() {
    QFETCH(QStringList, in);
    QFETCH(bool, withSeconds);
    QTEST(Position_Text(in[0], in[1], in[2], in[3], withSeconds), "expected");
}

void TestReports::reportLines_data() {
    QTest::addColumn<Report>("report");
    QTest::addColumn<QList<QStringList>>("right"); // right-hand texts of lines 1..8

    QTest::newRow("Geog to Grid")
        << Geog_To_Grid_Report(kSpheroid, "LAT", "LON", "EAST", "NORTH")
        << QList<QStringList>{{"Latitude  ", "LAT"}, {"Longitude  ", "LON"}, {},
                              {"     Converts to"},  {},
                              {"Easting  ", "EAST"}, {"Northing  ", "NORTH"}, {}};
    // The grid report's longitude label has one blank, not two.
    QTest::newRow("Grid to Geog")
        << Grid_To_Geog_Report(kSpheroid, "E", "N", "LAT", "LON")
        << QList<QStringList>{{"Easting  ", "E"},    {"Northing  ", "N"},   {},
                              {"     Converts to"},  {},
                              {"Latitude  ", "LAT"}, {"Longitude ", "LON"}, {}};
    QTest::newRow("Distance, empty miles")
        << Distance_Report(kSpheroid, "12.34", QString())
        << QList<QStringList>{{"Kilometers  ", "12.34"}, {"Miles  ", ""}, {}, {}, {}, {}, {}, {}};
}

// Two empty lines, then eight: label at 10, value at 30, right-hand part at 60.
void TestReports::reportLines() {
    QFETCH(Report, report);
    QFETCH(QList<QStringList>, right);
    const QString labels[8] = {"Spheroid name", "Semi Major Axis",    "Eccentricity",
                               "Scale Factor",  "False Easting",      "False Northing",
                               "Latitude of Origin", "Central Meridian"};
    const QString values[8] = {kSpheroid.name, kSpheroid.major, kSpheroid.ecc, kSpheroid.scale,
                               kSpheroid.fe,   kSpheroid.fn,    kSpheroid.orig, kSpheroid.cm};
    Report expected{Line{}, Line{}};
    for (int i = 0; i < 8; ++i) {
        Line line{Item::Tab(10), Item::Text(labels[i]), Item::Tab(30), Item::Text(values[i])};
        if (!right[i].isEmpty())
            line << Item::Tab(60);
        for (const QString& t : right[i])
            line << Item::Text(t);
        expected << line;
    }
    QCOMPARE(report, expected);
}

void TestReports::placement_data() {
    QTest::addColumn<Report>("report");
    QTest::addColumn<QList<Placement>>("expected");

    QTest::newRow("stops at 10, 30, 60")
        << Report{{Item::Tab(10), Item::Text("ab"), Item::Tab(30), Item::Text("cd"), Item::Tab(60),
                   Item::Text("L  "), Item::Text("v")}}
        << QList<Placement>{{0, 9, "ab"}, {0, 29, "cd"}, {0, 59, "L  "}, {0, 62, "v"}};
    QTest::newRow("empty text not placed")
        << Report{{Item::Tab(10), Item::Text(""), Item::Tab(30), Item::Text("y")}}
        << QList<Placement>{{0, 29, "y"}};
    // A text that ends exactly on the next column is not past it.
    QTest::newRow("ends on the column")
        << Report{{Item::Tab(30), Item::Text(QString(30, 'n')), Item::Tab(60), Item::Text("R")}}
        << QList<Placement>{{0, 29, QString(30, 'n')}, {0, 59, "R"}};
    QTest::newRow("one past the column moves down")
        << Report{{Item::Tab(30), Item::Text(QString(31, 'n')), Item::Tab(60), Item::Text("R")},
                  {Item::Tab(10), Item::Text("next")}}
        << QList<Placement>{{0, 29, QString(31, 'n')}, {1, 59, "R"}, {2, 9, "next"}};
}

// In units of one character width, and scaled by a character width of 7.5.
void TestReports::placement() {
    QFETCH(Report, report);
    QFETCH(QList<Placement>, expected);
    QCOMPARE(Place_Report(report, 1.0, [](const QString& s) { return double(s.size()); }),
             expected);
    for (Placement& p : expected)
        p.x *= 7.5;
    QCOMPARE(Place_Report(report, 7.5, [](const QString& s) { return 7.5 * s.size(); }), expected);
}

// --- printed to PDF ---------------------------------------------------------

void TestReports::printedText_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("inDialog");
    QTest::addColumn<QString>("lines"); // the printed lines' words, lines split by "|"

    QTest::newRow("Geog to Grid")
        << "Command2"
        << kSpheroidFields + QStringList{"txt_lat_deg=051", "txt_lat_min=28", "txt_lat_sec=38.012",
                                         "txt_ns=N", "txt_long_deg=3", "txt_long_min=12.5",
                                         "txt_ew=W", "txt_easting=523456.790",
                                         "txt_northing=5234567.800",
                                         "txt_convergence_g2g=+1° 02' 03.45\"",
                                         "txt_scale_g2g=0.99987654",
                                         "txt_elevation_g2g=0.99996083",
                                         "txt_combined_g2g=0.99983737",
                                         "txt_gridref_g2g=SU 23456 34567",
                                         "lbl_accuracy_g2g=18.0° from the central meridian: these "
                                         "series are 25.466 m from the exact projection here. "
                                         "Exact: E 3076934.550, N 4884302.019."}
        << QStringList{}
        << "Spheroid name Airy 1830 Latitude 51 28 38.012 N|"
           "Semi Major Axis 6377563.396 Longitude 3 12.5 0 W|Eccentricity 0.00667054|"
           "Scale Factor 0.9996012717 Converts to|False Easting 400000|"
           "False Northing -100000 Easting 523456.790|Latitude of Origin 49N Northing 5234567.800|"
           "Central Meridian 2W|Grid convergence +1° 02' 03.45\"|Point scale factor 0.99987654|"
           "Elevation factor 0.99996083|Combined scale factor 0.99983737|Grid reference SU 23456 34567|"
           "18.0° from the central meridian: these series are 25.466 m from the exact projection here.|"
           "Exact: E 3076934.550, N 4884302.019.";
    QTest::newRow("Grid to Geog")
        << "Command3"
        << kSpheroidFields + QStringList{"txt_east=400000", "txt_north=100000",
                                         "txt_lat= 51 Deg  28 Min 38.012 Sec N",
                                         "txt_long=003 Deg  12 Min 5.500 Sec W",
                                         "txt_convergence_g2l=-0° 00' 00.01\""}
        << QStringList{}
        << "Spheroid name Airy 1830 Easting 400000|Semi Major Axis 6377563.396 Northing 100000|"
           "Eccentricity 0.00667054|Scale Factor 0.9996012717 Converts to|False Easting 400000|"
           "False Northing -100000 Latitude 51 Deg 28 Min 38.012 Sec N|"
           "Latitude of Origin 49N Longitude 003 Deg 12 Min 5.500 Sec W|Central Meridian 2W|"
           "Grid convergence -0° 00' 00.01\"|Point scale factor|Elevation factor|"
           "Combined scale factor|Grid reference";
    QTest::newRow("Distance")
        << "Command4"
        << kSpheroidFields + QStringList{"lbl_kms=12.35", "lbl_miles=6.67",
                                         "txt_geodesic=12345.678", "txt_grid_distance=12350.001",
                                         "txt_line_scale=1.00035012",
                                         "txt_azimuth12=12° 34' 56.78\"",
                                         "txt_azimuth2=192° 40' 00.00\"",
                                         "txt_bearing12=13° 00' 00.00\""}
        << QStringList{}
        << "Spheroid name Airy 1830 Kilometers 12.35|Semi Major Axis 6377563.396 Miles 6.67|"
           "Eccentricity 0.00667054|Scale Factor 0.9996012717|False Easting 400000|"
           "False Northing -100000|Latitude of Origin 49N|Central Meridian 2W|"
           "Ellipsoidal distance (m) 12345.678|Grid distance (m) 12350.001|"
           "Line scale factor 1.00035012|Azimuth 1→2 12° 34' 56.78\"|"
           "Azimuth at 2 192° 40' 00.00\"|Grid bearing 1→2 13° 00' 00.00\"|"
           "Ground distance (m)|Combined line factor";
    // The tab change empties both results.
    QTest::newRow("Distance right after a tab change")
        << "Command4"
        << kSpheroidFields +
               QStringList{"SSTab1=3", "lbl_kms=12.35", "lbl_miles=6.67", "txt_geodesic=1.000",
                           "SSTab1=0", "SSTab1=3"}
        << QStringList{}
        << "Spheroid name Airy 1830 Kilometers|Semi Major Axis 6377563.396 Miles|"
           "Eccentricity 0.00667054|Scale Factor 0.9996012717|False Easting 400000|"
           "False Northing -100000|Latitude of Origin 49N|Central Meridian 2W|"
           "Ellipsoidal distance (m)|Grid distance (m)|Line scale factor|Azimuth 1→2|"
           "Azimuth at 2|Grid bearing 1→2|Ground distance (m)|Combined line factor";
    // Every value empty: the labels alone, and the position texts of zeros.
    const QString emptyTail = "|Eccentricity|Scale Factor Converts to|False Easting|"
                              "False Northing Easting|Latitude of Origin Northing|Central Meridian|"
                              "Grid convergence|Point scale factor|Elevation factor|"
                              "Combined scale factor|Grid reference";
    QTest::newRow("Geog to Grid, empty, Deg Min Sec")
        << "Command2" << QStringList{} << QStringList{}
        << "Spheroid name Latitude 0 0 0|Semi Major Axis Longitude 0 0 0" + emptyTail;
    // The mode switch writes "0" into the minutes; empty them again.
    QTest::newRow("Geog to Grid, empty, Deg Minutes")
        << "Command2" << QStringList{"opt_short=", "txt_lat_min=", "txt_long_min="}
        << QStringList{} << "Spheroid name Latitude 0 0|Semi Major Axis Longitude 0 0" + emptyTail;
    // The position texts are taken before the dialog, the rest after it.
    QTest::newRow("position taken before the dialog")
        << "Command2" << QStringList{"txt_lat_deg=10", "txt_easting=1.000"}
        << QStringList{"txt_lat_deg=20", "txt_easting=2.000"}
        << "Spheroid name Latitude 10 0 0|Semi Major Axis Longitude 0 0 0|Eccentricity|"
           "Scale Factor Converts to|False Easting|False Northing Easting 2.000|"
           "Latitude of Origin Northing|Central Meridian|Grid convergence|Point scale factor|"
           "Elevation factor|Combined scale factor|Grid reference";
}

void TestReports::printedText() {
    QFETCH(QString, button);
    QFETCH(QStringList, settings);
    QFETCH(QStringList, inDialog);
    QFETCH(QString, lines);
    apply(settings);
    const QString pdf = dir_.filePath(QTest::currentDataTag() + QStringLiteral(".pdf"));
    ModalGuard guard;
    printTo(qPrintable(button), pdf, inDialog);
    QVERIFY_GUARD(guard);
    QStringList printed;
    for (const QList<Word>& row : wordRows(pdf))
        printed << textFrom(row, 0);
    QCOMPARE(printed, lines.split('|'));
}

// The columns on the page, with a spheroid name long enough to push the
// right-hand part of line 1 onto the next line, at column 60.
void TestReports::columns() {
    // The name first: a change of the parameter set empties the results.
    apply(kSpheroidFields);
    apply({"txt_name=International 1924 spheroid with a very long descriptive name"});
    apply({"txt_east=400000", "txt_north=100000", "txt_lat=X", "txt_long=X"});
    const QString pdf = dir_.filePath("columns.pdf");
    printTo("Command3", pdf);
    const Rows rows = wordRows(pdf);
    QCOMPARE(rows.size(), 14); // nine, then the five quantities
    const double x10 = rows[0].first().xMin;
    const double x30 = findWord(rows[0], "International").xMin;
    const double x60 = findWord(rows[2], "Northing").xMin;
    // Column n lies n - 1 character widths from the margin.
    QVERIFY2(std::abs(x10 - leftMargin_ - 9 * charWidth_) < 0.5,
             qPrintable(QString("x10 %1, margin %2, column %3")
                            .arg(x10).arg(leftMargin_).arg(charWidth_)));
    QVERIFY2(std::abs((x60 - x10) / (x30 - x10) - 50.0 / 20.0) < 0.01,
             qPrintable(QString("x10 %1 x30 %2 x60 %3").arg(x10).arg(x30).arg(x60)));
    for (int i : {0, 2, 3, 4, 5, 6, 7, 8}) {
        QCOMPARE(rows[i].first().xMin, x10);
        QVERIFY2(std::any_of(rows[i].begin(), rows[i].end(),
                             [&](const Word& w) { return std::abs(w.xMin - x30) < 0.5; }),
                 qPrintable(QString("line %1 has no value at column 30").arg(i)));
    }
    QCOMPARE(textFrom(rows[1], 0), QString("Easting 400000"));
    QCOMPARE(rows[1].first().xMin, x60);
    QCOMPARE(findWord(rows[6], "Latitude").xMin, x60);
    QCOMPARE(findWord(rows[7], "Longitude").xMin, x60);
    QVERIFY(findWord(rows[4], "Converts").xMin > x60 + 1); // after five blanks
    // "Latitude  " ends in two blanks, "Longitude " in one.
    const double latGap = findWord(rows[6], "X").xMin - findWord(rows[6], "Latitude").xMax;
    const double lonGap = findWord(rows[7], "X").xMin - findWord(rows[7], "Longitude").xMax;
    QVERIFY2(std::abs(lonGap / latGap - 0.5) < 0.1,
             qPrintable(QString("gaps %1 and %2").arg(latGap).arg(lonGap)));
    // Two empty lines above the first.
    const double pitch = rows[2].first().yMin - rows[1].first().yMin;
    QVERIFY2(std::abs(rows[0].first().yMin - topMargin_ - 2 * pitch) < 0.35 * pitch,
             qPrintable(QString("first line at %1, margin %2, pitch %3")
                            .arg(rows[0].first().yMin).arg(topMargin_).arg(pitch)));
    // The layout text, as a reader of the page sees it, keeps the columns.
    const QString layout = run("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(layout.contains(QRegularExpression(R"(\n? *Spheroid name +International 1924 )")));
}

// Cancel, in the system dialog or through the test seam, prints nothing and
// says nothing. The dialog's owner is created on the first print, announced
// once, and never shown.
void TestReports::cancelPrintsNothing() {
    apply(kSpheroidFields);
    delete Control_Form(); // as the shell's shut-down does
    QVERIFY(!Control_Form());
    QList<QWidget*> announced;
    ControlFormLoaded = [&](QWidget* w) { announced << w; };
    QStringList seen; // every modal window that came up
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen << d->objectName();
            d->reject();
        }
    });
    answer.start(10);
    click("Command3");
    QCOMPARE(seen, QStringList{"CmDialog1"});

    const QString pdf = dir_.filePath("cancelled.pdf");
    PrintDialogHook = [&](QPrinter* printer) {
        seen << "hook";
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return false;
    };
    for (const char* b : {"Command2", "Command3", "Command4"})
        click(b);
    ControlFormLoaded = nullptr;
    QCOMPARE(seen, QStringList({"CmDialog1", "hook", "hook", "hook"}));
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(must<QLineEdit>(window_.get(), "txt_name")->text(), QString("Airy 1830"));
    QCOMPARE(announced, QList<QWidget*>{Control_Form()});
    QCOMPARE(Control_Form()->objectName(), QString("ctrlfrm"));
    QCOMPARE(Control_Form()->findChild<QPrintDialog*>("CmDialog1")->parentWidget(), Control_Form());
    QVERIFY(!Control_Form()->isVisible());
}

// Regressions: the dialog always proposed the file of the last report, which
// a second print then overwrote; the copies chosen were forced back to 1.
void TestReports::eachPrintProposesItsOwnFile_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("report");
    QTest::newRow("Geog to Grid") << "Command2" << "geog-to-grid";
    QTest::newRow("Grid to Geog") << "Command3" << "grid-to-geog";
    QTest::newRow("Distance") << "Command4" << "distance";
}
void TestReports::eachPrintProposesItsOwnFile() {
    QFETCH(QString, button);
    QFETCH(QString, report);
    apply(kSpheroidFields);
    const QString first = dir_.filePath("first.pdf");
    printTo(qPrintable(button), first);
    QVERIFY(QFile::exists(first));
    PrintDialogHook = nullptr;
    QString proposed;
    int copies = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto* d = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            if (auto* f = d->findChild<QLineEdit*>(QStringLiteral("filename")))
                proposed = f->text();
            copies = d->printer()->copyCount();
            d->reject();
        }
    });
    answer.start(10);
    click(qPrintable(button));
    QVERIFY2(QFileInfo(proposed).dir() == QFileInfo(first).dir(), qPrintable(proposed));
    QVERIFY2(QFileInfo(proposed).fileName().startsWith("quillmar-" + report + "-") &&
                 proposed.endsWith(".pdf"),
             qPrintable(proposed));
    QCOMPARE(copies, 1);
}

void TestReports::failedJobIsReported() {
    PrintDialogHook = [&](QPrinter* printer) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(dir_.filePath("no-such-folder/report.pdf"));
        return true;
    };
    ModalGuard guard;
    guard.expect("The report could not be printed.");
    click("Command4");
    QVERIFY_GUARD(guard);
    const QString pdf = dir_.filePath("after-failure.pdf"); // still running: a second print works
    printTo("Command4", pdf);
    QVERIFY(QFile::exists(pdf));
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
