// The printed reports: the line layout on its own, then each report printed
// to a PDF through the real painting code and read back with pdftotext.
#include "menufrm.h"
#include "modalguard.h"
#include "printing.h"
#include "reports.h"
#include "store.h"

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        words << Word{m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4)};
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

SpheroidTexts sampleSpheroid() {
    return {QStringLiteral("Airy 1830"),  QStringLiteral("6377563.396"),
            QStringLiteral("0.00667054"), QStringLiteral("0.9996012717"),
            QStringLiteral("400000"),     QStringLiteral("-100000"),
            QStringLiteral("49N"),        QStringLiteral("2W")};
}

// Monospace measure for the layout tests: one unit per character.
double chars(const QString& s) {
    return s.size();
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();

    void positionText_data();
    void positionText();
    void reportLine_data();
    void reportLine();
    void reportShape();
    void placement_data();
    void placement();

    void printsEachReport_data();
    void printsEachReport();
    void emptyGeogFields_data();
    void emptyGeogFields();
    void positionTakenBeforeDialog();
    void longNamePushesRightPart();
    void distanceAfterTabChange();
    void gridToGeogLongitudeHasOneBlank();
    void cancelPrintsNothing();
    void systemDialogCancelled();
    void controlFormAnnouncedOnce();
    void failedJobIsReported();
    void copyCountSetToOne();

  private:
    void makeWindow();
    // Clicks the button with the dialog answered by printing to `pdf`.
    void printTo(const char* button, const QString& pdf);
    void fillSpheroid(const SpheroidTexts& s);
    QLineEdit* field(const char* name) { return must<QLineEdit>(window_.get(), name); }

    QTemporaryDir dir_;
    AppState state_;
    std::unique_ptr<MenuFrm> window_;
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

void TestReports::cleanup() {
    PrintDialogHook = nullptr;
    window_.reset();
}

void TestReports::makeWindow() {
    window_ = std::make_unique<MenuFrm>(state_);
    QVERIFY(window_->Load());
}

void TestReports::fillSpheroid(const SpheroidTexts& s) {
    field("txt_name")->setText(s.name);
    field("txt_major")->setText(s.major);
    field("txt_ecc")->setText(s.ecc);
    field("txt_scale")->setText(s.scale);
    field("txt_fe")->setText(s.fe);
    field("txt_fn")->setText(s.fn);
    field("txt_orig")->setText(s.orig);
    field("txt_cm")->setText(s.cm);
}

void TestReports::printTo(const char* button, const QString& pdf) {
    PrintDialogHook = [&](QPrinter* printer) {
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
    must<QPushButton>(window_.get(), button)->click();
}

// --- the layout functions ---------------------------------------------------

void TestReports::positionText_data() {
    QTest::addColumn<QString>("deg");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("sec");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<bool>("withSeconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("seconds mode") << "51"
                                  << "28"
                                  << "38.012"
                                  << "N" << true << "51 28 38.012 N";
    QTest::newRow("minutes mode ignores seconds") << "3"
                                                  << "12.5"
                                                  << "40"
                                                  << "W" << false << "3 12.5 W";
    QTest::newRow("leading zero dropped") << "051"
                                          << "07"
                                          << "0"
                                          << "N" << true << "51 7 0 N";
    QTest::newRow("empty, seconds mode") << ""
                                         << ""
                                         << ""
                                         << "" << true << "0 0 0 ";
    QTest::newRow("empty, minutes mode") << ""
                                         << ""
                                         << ""
                                         << "" << false << "0 0 ";
    QTest::newRow("lenient reading") << "12,5"
                                     << "1 5"
                                     << "x"
                                     << "S" << true << "12 15 0 S";
    QTest::newRow("letter printed as typed") << "1"
                                             << "2"
                                             << "3"
                                             << "NE" << true << "1 2 3 NE";
    QTest::newRow("fifteen digits") << "0"
                                    << "30.33333333333333333"
                                    << ""
                                    << "E" << false << "0 30.3333333333333 E";
}

void TestReports::positionText() {
    QFETCH(QString, deg);
    QFETCH(QString, min);
    QFETCH(QString, sec);
    QFETCH(QString, letter);
    QFETCH(bool, withSeconds);
    QFETCH(QString, expected);
    QCOMPARE(Position_Text(deg, min, sec, letter, withSeconds), expected);
}

void TestReports::reportLine_data() {
    QTest::addColumn<Report>("report");
    QTest::addColumn<int>("line"); // 1..8
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("right");

    const SpheroidTexts s = sampleSpheroid();
    const Report g2g = Geog_To_Grid_Report(s, QStringLiteral("LAT"), QStringLiteral("LON"),
                                           QStringLiteral("EAST"), QStringLiteral("NORTH"));
    QTest::newRow("geog 1") << g2g << 1 << "Spheroid name" << s.name
                            << QStringList{"Latitude  ", "LAT"};
    QTest::newRow("geog 2") << g2g << 2 << "Semi Major Axis" << s.major
                            << QStringList{"Longitude  ", "LON"};
    QTest::newRow("geog 3") << g2g << 3 << "Eccentricity" << s.ecc << QStringList{};
    QTest::newRow("geog 4") << g2g << 4 << "Scale Factor" << s.scale
                            << QStringList{"     Converts to"};
    QTest::newRow("geog 5") << g2g << 5 << "False Easting" << s.fe << QStringList{};
    QTest::newRow("geog 6") << g2g << 6 << "False Northing" << s.fn
                            << QStringList{"Easting  ", "EAST"};
    QTest::newRow("geog 7") << g2g << 7 << "Latitude of Origin" << s.orig
                            << QStringList{"Northing  ", "NORTH"};
    QTest::newRow("geog 8") << g2g << 8 << "Central Meridian" << s.cm << QStringList{};

    const Report grid = Grid_To_Geog_Report(s, QStringLiteral("E"), QStringLiteral("N"),
                                            QStringLiteral("LAT"), QStringLiteral("LON"));
    QTest::newRow("grid 1") << grid << 1 << "Spheroid name" << s.name
                            << QStringList{"Easting  ", "E"};
    QTest::newRow("grid 2") << grid << 2 << "Semi Major Axis" << s.major
                            << QStringList{"Northing  ", "N"};
    QTest::newRow("grid 4") << grid << 4 << "Scale Factor" << s.scale
                            << QStringList{"     Converts to"};
    QTest::newRow("grid 6") << grid << 6 << "False Northing" << s.fn
                            << QStringList{"Latitude  ", "LAT"};
    // The grid report's longitude label has one blank, not two.
    QTest::newRow("grid 7 one blank")
        << grid << 7 << "Latitude of Origin" << s.orig << QStringList{"Longitude ", "LON"};
    QTest::newRow("grid 8") << grid << 8 << "Central Meridian" << s.cm << QStringList{};

    const Report dist = Distance_Report(s, QStringLiteral("12.34"), QString());
    QTest::newRow("distance 1") << dist << 1 << "Spheroid name" << s.name
                                << QStringList{"Kilometers  ", "12.34"};
    QTest::newRow("distance 2 empty value")
        << dist << 2 << "Semi Major Axis" << s.major << QStringList{"Miles  ", ""};
    QTest::newRow("distance 4 no converts")
        << dist << 4 << "Scale Factor" << s.scale << QStringList{};
    QTest::newRow("distance 7") << dist << 7 << "Latitude of Origin" << s.orig << QStringList{};
}

void TestReports::reportLine() {
    QFETCH(Report, report);
    QFETCH(int, line);
    QFETCH(QString, label);
    QFETCH(QString, value);
    QFETCH(QStringList, right);
    Line expected{Item::Tab(10), Item::Text(label), Item::Tab(30), Item::Text(value)};
    if (!right.isEmpty()) {
        expected << Item::Tab(60);
        for (const QString& t : right)
            expected << Item::Text(t);
    }
    QCOMPARE(report.at(line + 1), expected);
}

void TestReports::reportShape() {
    const SpheroidTexts s;
    for (const Report& r : {Geog_To_Grid_Report(s, {}, {}, {}, {}),
                            Grid_To_Geog_Report(s, {}, {}, {}, {}), Distance_Report(s, {}, {})}) {
        QCOMPARE(r.size(), 10);
        QVERIFY(r.at(0).isEmpty());
        QVERIFY(r.at(1).isEmpty());
    }
}

void TestReports::placement_data() {
    QTest::addColumn<Report>("report");
    QTest::addColumn<QList<Placement>>("expected");

    QTest::newRow("stops at 10, 30, 60")
        << Report{{Item::Tab(10), Item::Text("ab"), Item::Tab(30), Item::Text("cd"), Item::Tab(60),
                   Item::Text("L  "), Item::Text("v")}}
        << QList<Placement>{{0, 9, "ab"}, {0, 29, "cd"}, {0, 59, "L  "}, {0, 62, "v"}};
    QTest::newRow("empty lines advance")
        << Report{{}, {}, {Item::Tab(10), Item::Text("x")}} << QList<Placement>{{2, 9, "x"}};
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
    QTest::newRow("long label pushes value")
        << Report{{Item::Tab(10), Item::Text(QString(25, 'l')), Item::Tab(30), Item::Text("v")}}
        << QList<Placement>{{0, 9, QString(25, 'l')}, {1, 29, "v"}};
}

void TestReports::placement() {
    QFETCH(Report, report);
    QFETCH(QList<Placement>, expected);
    QCOMPARE(Place_Report(report, 1.0, chars), expected);
    // Scaling the character width scales every position the same way.
    QList<Placement> scaled = expected;
    for (Placement& p : scaled)
        p.x *= 7.5;
    QCOMPARE(Place_Report(report, 7.5, [](const QString& s) { return 7.5 * s.size(); }), scaled);
}

// --- printed to PDF ---------------------------------------------------------

void TestReports::printsEachReport_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("right"); // right-hand text of lines 1..8, "" for none

    QTest::newRow("geog to grid")
        << "Command2"
        << QStringList{"Latitude 51 28 38.012 N", "Longitude 3 12.5 0 W", "", "Converts to", "",
                       "Easting 523456.790",      "Northing 5234567.800", ""};
    QTest::newRow("grid to geog") << "Command3"
                                  << QStringList{"Easting 400000",
                                                 "Northing 100000",
                                                 "",
                                                 "Converts to",
                                                 "",
                                                 "Latitude 51 Deg 28 Min 38.012 Sec N",
                                                 "Longitude 003 Deg 12 Min 5.500 Sec W",
                                                 ""};
    QTest::newRow("distance") << "Command4"
                              << QStringList{
                                     "Kilometers 12.35", "Miles 6.67", "", "", "", "", "", ""};
}

void TestReports::printsEachReport() {
    QFETCH(QString, button);
    QFETCH(QStringList, right);
    makeWindow();
    const SpheroidTexts s = sampleSpheroid();
    fillSpheroid(s);
    field("txt_lat_deg")->setText("051");
    field("txt_lat_min")->setText("28");
    field("txt_lat_sec")->setText("38.012");
    field("txt_ns")->setText("N");
    field("txt_long_deg")->setText("3");
    field("txt_long_min")->setText("12.5");
    field("txt_long_sec")->setText("");
    field("txt_ew")->setText("W");
    field("txt_easting")->setText("523456.790");
    field("txt_northing")->setText("5234567.800");
    field("txt_east")->setText("400000");
    field("txt_north")->setText("100000");
    field("txt_lat")->setText(" 51 Deg  28 Min 38.012 Sec N");
    field("txt_long")->setText("003 Deg  12 Min 5.500 Sec W");
    must<QLabel>(window_.get(), "lbl_kms")->setText("12.35");
    must<QLabel>(window_.get(), "lbl_miles")->setText("6.67");

    const QString pdf = dir_.filePath(button + ".pdf");
    ModalGuard guard;
    printTo(button.toLatin1().constData(), pdf);
    QVERIFY_GUARD(guard);
    QVERIFY(QFile::exists(pdf));

    const Rows rows = wordRows(pdf);
    QCOMPARE(rows.size(), 8);
    const QString labels[8] = {"Spheroid name",      "Semi Major Axis", "Eccentricity",
                               "Scale Factor",       "False Easting",   "False Northing",
                               "Latitude of Origin", "Central Meridian"};
    const QString values[8] = {s.name, s.major, s.ecc, s.scale, s.fe, s.fn, s.orig, s.cm};
    const double x10 = rows[0].first().xMin;
    const double x30 = findWord(rows[0], "Airy").xMin;
    const double x60 = findWord(rows[0], right[0].section(' ', 0, 0)).xMin;
    // Column n lies n - 1 character widths from the margin.
    QVERIFY2(std::abs((x60 - x10) / (x30 - x10) - 50.0 / 20.0) < 0.01,
             qPrintable(QString("x10 %1 x30 %2 x60 %3").arg(x10).arg(x30).arg(x60)));
    QVERIFY2(
        std::abs(x10 - leftMargin_ - 9 * charWidth_) < 0.5,
        qPrintable(
            QString("x10 %1, margin %2, column %3").arg(x10).arg(leftMargin_).arg(charWidth_)));
    for (int i = 0; i < 8; ++i) {
        const QList<Word>& row = rows[i];
        QCOMPARE(row.first().xMin, x10);
        QCOMPARE(textFrom(row, x10).left(labels[i].size()), labels[i]);
        const Word* first = nullptr;
        for (const Word& w : row)
            if (std::abs(w.xMin - x30) < 0.5)
                first = &w;
        QVERIFY2(first, qPrintable(QString("line %1 has no value at column 30").arg(i + 1)));
        const QString rest = textFrom(row, x30);
        const QString hand = textFrom(row, x60);
        QCOMPARE(hand, right[i]);
        QCOMPARE(rest.left(rest.size() - hand.size()).trimmed(), values[i]);
        if (right[i] == "Converts to")
            QVERIFY(findWord(row, "Converts").xMin > x60 + 1); // after five blanks
    }
    // Two empty lines above the first.
    const double pitch = rows[1].first().yMin - rows[0].first().yMin;
    QVERIFY2(std::abs(rows[0].first().yMin - topMargin_ - 2 * pitch) < 0.35 * pitch,
             qPrintable(QString("first line at %1, margin %2, pitch %3")
                            .arg(rows[0].first().yMin)
                            .arg(topMargin_)
                            .arg(pitch)));

    // The layout text, as a reader of the page sees it, keeps the columns.
    const QString layout = run("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(layout.contains(QRegularExpression(R"(\n? *Spheroid name +Airy 1830 +)")));
}

void TestReports::emptyGeogFields_data() {
    QTest::addColumn<bool>("withSeconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("deg min sec") << true << "0 0 0";
    QTest::newRow("deg minutes") << false << "0 0";
}

void TestReports::emptyGeogFields() {
    QFETCH(bool, withSeconds);
    QFETCH(QString, expected);
    makeWindow();
    must<QRadioButton>(window_.get(), withSeconds ? "opt_long" : "opt_short")->setChecked(true);
    for (const char* f : {"txt_lat_deg", "txt_lat_min", "txt_lat_sec", "txt_long_deg",
                          "txt_long_min", "txt_long_sec"})
        field(f)->clear(); // the mode switch writes "0" into the minutes
    const QString pdf = dir_.filePath(QString("empty%1.pdf").arg(withSeconds));
    printTo("Command2", pdf);
    const Rows rows = wordRows(pdf);
    // Every value empty: the labels alone, and the position texts of zeros.
    QCOMPARE(rows.size(), 8);
    QCOMPARE(textFrom(rows[0], 0), "Spheroid name Latitude " + expected);
    QCOMPARE(textFrom(rows[1], 0), "Semi Major Axis Longitude " + expected);
    QCOMPARE(textFrom(rows[5], 0), QString("False Northing Easting"));
    QCOMPARE(textFrom(rows[6], 0), QString("Latitude of Origin Northing"));
    QCOMPARE(textFrom(rows[7], 0), QString("Central Meridian"));
}

void TestReports::positionTakenBeforeDialog() {
    makeWindow();
    field("txt_lat_deg")->setText("10");
    field("txt_easting")->setText("1.000");
    const QString pdf = dir_.filePath("before.pdf");
    PrintDialogHook = [&](QPrinter* printer) {
        field("txt_lat_deg")->setText("20"); // too late for the position text
        field("txt_easting")->setText("2.000");
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return true;
    };
    must<QPushButton>(window_.get(), "Command2")->click();
    const Rows rows = wordRows(pdf);
    QCOMPARE(rows.size(), 8);
    QCOMPARE(textFrom(rows[0], 0), QString("Spheroid name Latitude 10 0 0"));
    QCOMPARE(textFrom(rows[5], 0), QString("False Northing Easting 2.000"));
}

void TestReports::longNamePushesRightPart() {
    makeWindow();
    fillSpheroid(sampleSpheroid());
    field("txt_name")->setText("International 1924 spheroid with a very long descriptive name");
    field("txt_east")->setText("400000");
    field("txt_north")->setText("100000");
    const QString pdf = dir_.filePath("long.pdf");
    printTo("Command3", pdf);
    const Rows rows = wordRows(pdf);
    QCOMPARE(rows.size(), 9); // one printed line more
    QCOMPARE(
        textFrom(rows[0], 0),
        QString("Spheroid name International 1924 spheroid with a very long descriptive name"));
    QCOMPARE(textFrom(rows[1], 0), QString("Easting 400000"));
    // Column 60, as the other right-hand labels are.
    QCOMPARE(rows[1].first().xMin, findWord(rows[2], "Northing").xMin);
    QCOMPARE(textFrom(rows[2], 0), QString("Semi Major Axis 6377563.396 Northing 100000"));
    QCOMPARE(textFrom(rows[8], 0), QString("Central Meridian 2W"));
}

void TestReports::distanceAfterTabChange() {
    makeWindow();
    fillSpheroid(sampleSpheroid());
    auto* tabs = must<QTabWidget>(window_.get(), "SSTab1");
    tabs->setCurrentIndex(3);
    must<QLabel>(window_.get(), "lbl_kms")->setText("12.35");
    must<QLabel>(window_.get(), "lbl_miles")->setText("6.67");
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(3); // the tab change empties both results
    const QString pdf = dir_.filePath("distance.pdf");
    printTo("Command4", pdf);
    const Rows rows = wordRows(pdf);
    QCOMPARE(rows.size(), 8);
    QCOMPARE(textFrom(rows[0], 0), QString("Spheroid name Airy 1830 Kilometers"));
    QCOMPARE(textFrom(rows[1], 0), QString("Semi Major Axis 6377563.396 Miles"));
}

void TestReports::gridToGeogLongitudeHasOneBlank() {
    makeWindow();
    field("txt_lat")->setText("X");
    field("txt_long")->setText("X");
    const QString pdf = dir_.filePath("blank.pdf");
    printTo("Command3", pdf);
    const Rows rows = wordRows(pdf);
    QCOMPARE(rows.size(), 8);
    const Word lat = findWord(rows[5], "Latitude");
    const Word lon = findWord(rows[6], "Longitude");
    const double latGap = findWord(rows[5], "X").xMin - lat.xMax;
    const double lonGap = findWord(rows[6], "X").xMin - lon.xMax;
    // "Latitude  " ends in two blanks, "Longitude " in one.
    QVERIFY2(std::abs(lonGap / latGap - 0.5) < 0.1,
             qPrintable(QString("gaps %1 and %2").arg(latGap).arg(lonGap)));
}

void TestReports::cancelPrintsNothing() {
    makeWindow();
    fillSpheroid(sampleSpheroid());
    const QString pdf = dir_.filePath("cancelled.pdf");
    int asked = 0;
    PrintDialogHook = [&](QPrinter* printer) {
        ++asked;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return false;
    };
    ModalGuard guard; // no box expected
    for (const char* b : {"Command2", "Command3", "Command4"})
        must<QPushButton>(window_.get(), b)->click();
    QVERIFY_GUARD(guard);
    QCOMPARE(asked, 3);
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(field("txt_name")->text(), QString("Airy 1830"));
    // The dialog's owner exists from the first print on and is never shown.
    QWidget* ctrl = Control_Form();
    QVERIFY(ctrl);
    QCOMPARE(ctrl->objectName(), QString("ctrlfrm"));
    QVERIFY(ctrl->findChild<QWidget*>("CmDialog1"));
    QVERIFY(!ctrl->isVisible());
}

void TestReports::systemDialogCancelled() {
    makeWindow();
    QStringList seen; // every modal window that came up
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen << d->objectName();
            d->reject();
        }
    });
    answer.start(10);
    must<QPushButton>(window_.get(), "Command3")->click();
    // The print dialog alone: a cancelled print shows no box afterwards.
    QCOMPARE(seen, QStringList{"CmDialog1"});
    QVERIFY(Control_Form());
    QCOMPARE(Control_Form()->findChild<QPrintDialog*>("CmDialog1")->parentWidget(), Control_Form());
}

void TestReports::controlFormAnnouncedOnce() {
    makeWindow();
    delete Control_Form(); // as the shell's shut-down does
    QVERIFY(!Control_Form());
    QList<QWidget*> announced;
    ControlFormLoaded = [&](QWidget* w) { announced << w; };
    PrintDialogHook = [](QPrinter*) { return false; };
    must<QPushButton>(window_.get(), "Command4")->click();
    must<QPushButton>(window_.get(), "Command2")->click();
    ControlFormLoaded = nullptr;
    QCOMPARE(announced.size(), 1);
    QCOMPARE(announced.first(), Control_Form());
}

void TestReports::failedJobIsReported() {
    makeWindow();
    PrintDialogHook = [&](QPrinter* printer) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(dir_.filePath("no-such-folder/report.pdf"));
        return true;
    };
    ModalGuard guard;
    guard.expect("The report could not be printed.");
    must<QPushButton>(window_.get(), "Command4")->click();
    QVERIFY_GUARD(guard);
    QVERIFY(window_); // still running: a second print works
    const QString pdf = dir_.filePath("after-failure.pdf");
    printTo("Command4", pdf);
    QVERIFY(QFile::exists(pdf));
}

void TestReports::copyCountSetToOne() {
    makeWindow();
    QPrinter* used = nullptr;
    const QString pdf = dir_.filePath("copies.pdf");
    PrintDialogHook = [&](QPrinter* printer) {
        used = printer;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        printer->setCopyCount(3); // as if chosen in the dialog
        return true;
    };
    must<QPushButton>(window_.get(), "Command3")->click();
    QVERIFY(used);
    QCOMPARE(used->copyCount(), 1);
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
