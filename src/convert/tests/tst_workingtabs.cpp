// The three working tabs driven through the real window by objectName: what
// each click writes, which box it shows, and that a failure changes nothing.
#include "conversionwindow.h"
#include "modalguard.h"
#include "paramtext.h"
#include "store.h"
#include "widgets.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QString kNumeric =
    "The conversion failed: the parameter set or the position gives no finite result.";
// The parameter set on the Spheroid tab refused, naming the field.
const QString kUnusable = "The parameter set on the Spheroid tab cannot be used: ";
const QString kBadCm = kUnusable + QString::fromUtf8(numtext::kMeridianForm);
const QString kBadOrigin = kUnusable + QString::fromUtf8(numtext::kOriginForm);
const QString kNoAxis = kUnusable + "Semi Major Axis must be a number greater than 0.";
const QString kBadEcc = kUnusable + "Eccentricity ^2 must be a number from 0 up to but not including 1.";
const QString kOverflow =
    "The distance cannot be calculated: a position or a coordinate is too large.";

enum Setup { Airy, Southern, ClearedHandTyped, EccOne, Irish };

const QStringList kGeogFields{"txt_lat_deg",  "txt_lat_min",  "txt_lat_sec",  "txt_ns",
                              "txt_long_deg", "txt_long_min", "txt_long_sec", "txt_ew"};
// The sixteen geographic entries in focus order, then E1, N1, E2, N2.
const QStringList kDistanceFields{
    "txt_lat_deg1",    "txt_lat_min1",   "txt_lat_sec1",    "txt_lat_hemis1", "txt_long_deg1",
    "txt_long_min1",   "txt_long_sec1",  "txt_long_hemis1", "txt_lat_deg2",   "txt_lat_min2",
    "txt_lat_sec2",    "txt_lat_hemis2", "txt_long_deg2",   "txt_long_min2",  "txt_long_sec2",
    "txt_long_hemis2", "txt_east1",      "txt_north1",      "txt_east2",      "txt_north2"};
const QStringList kExample{"52", "0", "0", "N", "1", "0", "0", "W"};
const QStringList kMirrored{"52", "", "", "N", "1", "", "", "W",
                            "52", "", "", "N", "3", "", "", "W"};
// Seconds that round to 60 carry (this showed " 51 Deg  59 Min 60.000 Sec N").
const QString kLat52 = " 52 Deg  0 Min 0.000 Sec N";
const QString kLon1W = "001 Deg  0 Min 0.000 Sec W";

// A window on a fresh default catalogue in a throw-away folder.
struct Rig {
    QTemporaryDir dir;
    AppState state;
    std::unique_ptr<ConversionWindow> w;

    Rig() {
        state.DatabasePath = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        if (!catalogue::CatalogueStore::InstallDefault(state.DatabasePath))
            qFatal("cannot install the default catalogue");
        state.terminate = [] { qFatal("the window gave up"); };
        w = std::make_unique<ConversionWindow>(state);
        w->Load();
        w->show();
    }
    QLineEdit* f(const QString& name) const { return must<QLineEdit>(w.get(), qPrintable(name)); }
    // Line edits and the distance tab's result labels alike.
    QString t(const QString& name) const {
        if (auto* l = w->findChild<QLabel*>(name))
            return l->text();
        return f(name)->text();
    }
    void click(const char* name) const { must<QAbstractButton>(w.get(), name)->click(); }
    void tab(int index) const { must<QTabWidget>(w.get(), "SSTab1")->setCurrentIndex(index); }
    void set(const QStringList& names, const QStringList& texts) const {
        for (int i = 0; i < names.size(); ++i) {
            if (auto* l = w->findChild<QLabel*>(names[i]))
                l->setText(texts.value(i));
            else
                f(names[i])->setText(texts.value(i));
        }
    }
    QStringList texts(const QStringList& names) const {
        QStringList out;
        for (const QString& n : names)
            out << t(n);
        return out;
    }

    // The worked examples' parameter sets, typed by hand onto the Spheroid tab.
    void setUp(Setup s, const QString& cm, const QString& orig) {
        QStringList values; // a, e2, k0, FE, FN
        if (s == Southern)
            values = {"6378137", "0.00669438", "0.9996", "500000", "10000000"};
        else if (s == Irish)
            values = {"6377340.189", "0.00667054", "1.000035", "200000", "250000"};
        else
            values = {"6377563.396", "0.00667054", "0.9996012717", "400000", "-100000"};
        if (s == EccOne)
            values[1] = "1";
        if (s == ClearedHandTyped) {
            click("SSCommand1"); // Clear details
        } else {
            const char* names[] = {"txt_major", "txt_ecc", "txt_scale", "txt_fe", "txt_fn"};
            for (int i = 0; i < 5; ++i)
                f(names[i])->setText(values[i]);
        }
        f("txt_cm")->setText(cm);
        f("txt_orig")->setText(orig);
    }
};

// Per tab: its button, its entries, the two texts it writes.
struct TabFields {
    const char* button;
    QStringList in, out;
};
const TabFields kTabs[4] = {{},
                            {"Command1", {"txt_east", "txt_north"}, {"txt_lat", "txt_long"}},
                            {"cmd_convert", kGeogFields, {"txt_easting", "txt_northing"}},
                            {"cmd_calc", kDistanceFields, {"lbl_kms", "lbl_miles"}}};

// A failure names its message and leaves the two results as they were
// ("prev"); `emptied` is the entry a failure empties and focuses; `minutes`
// switches to minutes entry before the entries are typed, so the seconds
// typed stay in the hidden fields.
void row(const char* name, int tab, Setup s, const QString& cm, const QString& orig,
         const QStringList& in, const QString& message, const QStringList& out = {"prev", "prev"},
         const QString& emptied = {}, bool minutes = false) {
    QTest::newRow(name) << tab << int(s) << cm << orig << in << message << out << emptied
                        << minutes;
}

} // namespace

class TstWorkingTabs : public QObject {
    Q_OBJECT
  private slots:
    void conversion_data();
    void conversion();
    void distanceModeSwitch();
    void catalogueEntryEndToEnd();
    void entriesAndResults_data();
    void entriesAndResults();
    void quantities_data();
    void quantities();
    void surveyLines_data();
    void surveyLines();
};

void TstWorkingTabs::conversion_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("cm");
    QTest::addColumn<QString>("orig");
    QTest::addColumn<QStringList>("in");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("emptied");
    QTest::addColumn<bool>("minutes");

    const QStringList grid{"468643.108", "234025.790"};
    const QStringList geog52{kLat52, kLon1W};
    const QStringList atZero{"400000.000", "-100000.000"};
    const QString numeric = "Entry must be numeric";
    const QStringList noGeog(16);
    const QStringList grid345{"0", "0", "3000", "4000"};

    row("geog: worked example", 2, Airy, "2 W", "49 N", kExample, "", grid);
    row("geog: minutes mode with text in hidden seconds", 2, Airy, "2 W", "49 N",
        {"52", "0", "45", "N", "1", "0", "45", "W"}, "", grid, {}, true);
    row("geog: southern western example", 2, Southern, "57 W", "0 N",
        {"34", "30", "0", "S", "58", "15", "0", "W"}, "", {"385242.653", "6181693.653"});
    // A minus with W read as 3 east before; now refused as ambiguous.
    row("geog: -3 with W is ambiguous", 2, Airy, "3 E", "49 N",
        {"49", "0", "0", "N", "-3", "0", "0", "W"},
        "Longitude: a minus in the degrees together with W is ambiguous; give one or the other.");
    row("geog: -3 with empty letter is 3 west, on the meridian 3 W", 2, Airy, "3 W", "49 N",
        {"49", "0", "0", "N", "-3", "0", "0", ""}, "", atZero);
    row("geog: no spheroid reported before empty degrees", 2, Airy, "", "49 N", {},
        "Select spheroid.");
    row("geog: empty longitude degrees", 2, Airy, "2 W", "49 N",
        {"52", "0", "0", "N", "", "0", "0", "W"}, "Enter position.");
    row("geog: cleared, then meridian typed by hand", 2, ClearedHandTyped, "2 W", "49 N", kExample,
        kNoAxis);
    row("geog: e2 of 1", 2, EccOne, "2 W", "49 N", kExample, kBadEcc);

    row("grid: worked example", 1, Airy, "2 W", "49 N", grid, "", geog52);
    row("grid: southern example", 1, Southern, "57 W", "0 N", {"385242.653", "6181693.653"}, "",
        {" 34 Deg  30 Min 0.000 Sec S", "058 Deg  15 Min 0.000 Sec W"});
    row("grid: no meridian reported before bad entries", 1, Airy, "", "49 N", {"", "x"},
        "Select a spheroid or enter central meridian");
    row("grid: both entries bad, only the northing", 1, Airy, "2 W", "49 N", {"", ""}, numeric,
        {"prev", "prev"}, "txt_north");
    row("grid: easting with comma", 1, Airy, "2 W", "49 N", {"523,456.7", grid[1]}, numeric,
        {"prev", "prev"}, "txt_east");
    row("grid: meridian without blank", 1, Airy, "2W", "49 N", grid, "", geog52);
    row("grid: meridian degrees not a number", 1, Airy, "X W", "49 N", grid, kBadCm);
    row("grid: origin not a number", 1, Airy, "2 W", "ABC", grid, kBadOrigin);
    row("grid: cleared, then meridian typed by hand", 1, ClearedHandTyped, "2 W", "", grid,
        kNoAxis);
    row("grid: cleared, meridian and origin typed by hand", 1, ClearedHandTyped, "2 W", "49 N",
        grid, kNoAxis);
    row("grid: e2 of 1", 1, EccOne, "2 W", "49 N", grid, kBadEcc);
    row("grid: northing beyond double range", 1, Airy, "2 W", "49 N", {grid[0], "1e999"}, kNumeric);

    row("distance: grid 3-4-5", 3, Airy, "2 W", "49 N", noGeog + grid345, "", {"5.00", "2.70"});
    row("distance: grid 500 m", 3, Airy, "2 W", "49 N", noGeog + QStringList{"", "", "500", ""}, "",
        {".50", ".27"});
    row("distance: grid 926 m", 3, Airy, "2 W", "49 N", noGeog + QStringList{"", "", "926", ""}, "",
        {".93", ".50"});
    row("distance: grid identical", 3, Airy, "2 W", "49 N",
        noGeog + QStringList{"7", "8", "7", "8"}, "", {".00", ".00"});
    row("distance: grid chosen by first latitude degrees alone", 3, Airy, "2 W", "49 N",
        QStringList{"", "1", "2", "N", "3", "4", "5", "W", "6", "7", "8", "S", "9", "1", "2", "E"} +
            grid345,
        "", {"5.00", "2.70"});
    row("distance: geographic identical, grid fields ignored", 3, Airy, "2 W", "49 N",
        kMirrored.mid(0, 8) + kMirrored.mid(0, 8) + grid345, "", {".00", ".00"});
    row("distance: geographic minutes mode with text in hidden seconds", 3, Airy, "2 W", "49 N",
        {"51", "30", "36", "N", "1", "", "59", "W", "51", "30", "", "N", "1", "", "", "W"}, "",
        {".00", ".00"}, {}, true);
    row("distance: geographic mirrored about the meridian", 3, Airy, "2 W", "49 N", kMirrored, "",
        {"137.29", "74.13"});
    row("distance: no spheroid, everything filled", 3, Airy, "", "49 N", kMirrored + grid345,
        "Select spheroid.");
    // Regressions: the forward origin was the whole degrees of the last
    // selection (Irish Grid northing 207046.940), and an empty position 2
    // measured to 0 N 0 E.
    row("geog: origin 53.5 N keeps its fraction (Irish Grid)", 2, Irish, "8 W", "53.5 N",
        {"53", "35", "40.532", "N", "10", "9", "28", "W"}, "", {"57154.731", "262692.139"});
    row("geog: origin read from the field, not the last selection", 2, Airy, "2 W", "0", kExample,
        "", {"468643.108", "5661089.605"});
    row("geog: origin that does not read", 2, Airy, "2 W", "20 X", kExample, kBadOrigin);
    row("distance: origin that does not read", 3, Airy, "2 W", "", kMirrored, kBadOrigin);
    row("distance: position 2 empty", 3, Airy, "2 W", "49 N", kMirrored.mid(0, 8) + QStringList(8),
        "Enter position.");
    row("distance: grid beyond double range", 3, Airy, "2 W", "49 N", noGeog + QStringList{"1e999"},
        kOverflow);
}

// Every click leaves the entries as typed (but for the one a failure
// empties), and only a successful "Grid to Geog" replaces the last result.
void TstWorkingTabs::conversion() {
    QFETCH(int, tab);
    QFETCH(int, setup);
    QFETCH(QString, cm);
    QFETCH(QString, orig);
    QFETCH(QStringList, in);
    QFETCH(QString, message);
    QFETCH(QString, emptied);
    QFETCH(bool, minutes);
    const TabFields& fields = kTabs[tab];

    Rig rig;
    rig.setUp(Setup(setup), cm, orig);
    rig.tab(tab);
    if (minutes)
        rig.click(tab == 2 ? "opt_short" : "Option3");
    rig.set(fields.in, in);
    rig.set(fields.out, {"prev", "prev"});
    // A refused entry keeps its text (Grid to Geog emptied it).
    const QStringList expectedIn = rig.texts(fields.in);
    const numtext::GeographicResult earlier{10, 15.5, 30, "S", 20, 45.25, 15, "E"};
    rig.state.result = earlier;
    if (!emptied.isEmpty()) // focus elsewhere, so the move to the emptied entry shows
        rig.f(emptied == "txt_east" ? "txt_north" : "txt_east")->setFocus();

    ModalGuard guard;
    if (tab == 3 && message == "Select spheroid.")
        guard.expect(message, "True", QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    else if (!message.isEmpty())
        guard.expect(message);
    rig.click(fields.button);
    QVERIFY_GUARD(guard);
    QTEST(rig.texts(fields.out), "out");
    QCOMPARE(rig.texts(fields.in), expectedIn);
    if (!emptied.isEmpty())
        QCOMPARE(rig.w->focusWidget(), rig.f(emptied));
    const auto shown = [](const numtext::GeographicResult& r) {
        const numtext::LayoutTexts l = numtext::Layout_Seconds(r);
        return QString::fromStdString(l.lat + l.lon);
    };
    QCOMPARE(shown(rig.state.result) != shown(earlier), tab == 1 && message.isEmpty());
    QCOMPARE(rig.texts({"txt_cm", "txt_orig"}), QStringList({cm, orig})); // not rewritten
}

void TstWorkingTabs::distanceModeSwitch() {
    Rig rig;
    rig.tab(3);
    const QStringList seconds{"txt_lat_sec1", "txt_long_sec1", "txt_lat_sec2", "txt_long_sec2"};
    const QStringList minutes{"txt_lat_min1", "txt_long_min1", "txt_lat_min2", "txt_long_min2"};
    QStringList numbers;
    for (int i = 1; i <= 16; ++i)
        numbers << QString::number(i);
    rig.set(kDistanceFields, numbers);
    // Switching to minutes folds each angle's seconds into its minutes, as
    // Geog to Grid does; switching back keeps the folded minutes.
    QStringList before = rig.texts(kDistanceFields);
    for (int k = 1; k < 16; k += 4) {
        before[k] = QString::number(numbers[k].toDouble() + numbers[k + 1].toDouble() / 60, 'g', 15);
        before[k + 1].clear();
    }
    // Each switch hides or shows the seconds, sets the minutes' twip width,
    // focuses the first entry.
    const auto check = [&](bool withSeconds) {
        for (const QString& name : seconds)
            QVERIFY2(rig.f(name)->isHidden() != withSeconds, qPrintable(name));
        QVERIFY(must<QLabel>(rig.w.get(), "Label5_5")->isHidden() != withSeconds);
        QVERIFY(!must<QLabel>(rig.w.get(), "Label5_6")->isHidden());
        for (const QString& name : minutes)
            QCOMPARE(rig.f(name)->width(), common::Twips(rig.w.get(), withSeconds ? 456 : 1380));
        QCOMPARE(rig.w->focusWidget(), rig.f("txt_lat_deg1"));
        QCOMPARE(rig.texts(kDistanceFields), before);
    };
    rig.f("txt_east1")->setFocus();
    rig.click("Option3");
    check(false);
    // A click on the option already selected does nothing.
    rig.f("txt_east1")->setFocus();
    rig.click("Option3");
    QCOMPARE(rig.w->focusWidget(), rig.f("txt_east1"));
    rig.click("Option4");
    check(true);

    // Regression: typed seconds were silently dropped by the switch (119.80
    // km instead of 119.57).
    rig.set(kDistanceFields, {"52", "39", "27.2531", "N", "1", "43", "4.5177", "E",
                              "52", "12", "30", "N", "0", "7", "15", "E"});
    ModalGuard guard;
    for (auto [f, v] : {std::pair{"txt_major", "6377563.396"}, {"txt_ecc", "0.00667054"},
                        {"txt_scale", "0.9996012717"}, {"txt_fe", "400000"}, {"txt_fn", "-100000"},
                        {"txt_orig", "49 N"}, {"txt_cm", "2 W"}})
        rig.f(f)->setText(v);
    rig.click("cmd_calc");
    QCOMPARE(rig.t("lbl_kms"), QStringLiteral("119.57"));
    rig.click("Option3");
    rig.click("cmd_calc");
    QCOMPARE(rig.t("lbl_kms"), QStringLiteral("119.57"));
    QVERIFY_GUARD(guard);
}

void TstWorkingTabs::catalogueEntryEndToEnd() {
    Rig rig;
    ModalGuard guard;
    must<QListWidget>(rig.w.get(), "List1")->setCurrentRow(0); // Airy 1830 / National Grid
    QCOMPARE(rig.t("txt_cm"), QStringLiteral("2 W"));
    QCOMPARE(rig.state.parameters.inForce().projection->values().lon0, -2.0);

    rig.tab(2);
    rig.set(kGeogFields, kExample);
    rig.click("cmd_convert");
    QCOMPARE(rig.texts({"txt_easting", "txt_northing"}), QStringList({"468643.108", "234025.790"}));

    // The layout chosen beforehand is the one the conversion writes.
    rig.tab(1);
    rig.click("Option1");
    rig.set({"txt_east", "txt_north"}, rig.texts({"txt_easting", "txt_northing"}));
    rig.click("Command1");
    QCOMPARE(rig.texts({"txt_lat", "txt_long"}),
             QStringList({" 52 Deg . Min N", "001 Deg . Min W"})); // 60. minutes carried

    rig.tab(3);
    rig.set(kDistanceFields, kMirrored);
    rig.click("cmd_calc");
    QCOMPARE(rig.t("lbl_kms"), QStringLiteral("137.29"));
    QCOMPARE(rig.t("lbl_miles"), QStringLiteral("74.13"));

    // The tab change emptied the result; the other layout renders it again.
    rig.tab(1);
    QCOMPARE(rig.t("txt_lat"), QString());
    rig.click("Option2");
    QCOMPARE(rig.texts({"txt_lat", "txt_long"}), QStringList({kLat52, kLon1W}));
    QVERIFY_GUARD(guard);
}

// Regressions: the results could be typed into and stayed on screen (and on
// the printed report) after their entries changed; Enter and Escape did
// nothing; a narrow field scrolled to its end showed 7.2531 for 27.2531.
void TstWorkingTabs::entriesAndResults_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("steps"); // after a successful conversion; "," between
    QTest::addColumn<QStringList>("out");
    const QStringList grid{"468643.108", "234025.790"};
    QTest::newRow("geog: Enter in an entry converts") << 2 << "clear,enter" << grid;
    QTest::newRow("geog: Enter on the focused button presses it") << 2 << "clear,button" << grid;
    QTest::newRow("geog: typing in an entry empties the results") << 2 << "type" << QStringList{"", ""};
    QTest::newRow("geog: the program's writes keep them") << 2 << "fold" << grid;
    QTest::newRow("grid: typing in an entry empties the results")
        << 1 << "type" << QStringList{"", ""};
    QTest::newRow("grid: Enter converts again") << 1 << "type,enter" << QStringList{kLat52, kLon1W};
    QTest::newRow("distance: typing in an entry shows # again")
        << 3 << "type" << QStringList{"#", "#"};
    QTest::newRow("distance: Enter calculates") << 3 << "type,enter" << QStringList{"137.29", "74.13"};
}

void TstWorkingTabs::entriesAndResults() {
    QFETCH(int, tab);
    QFETCH(QString, steps);
    const TabFields& fields = kTabs[tab];
    Rig rig;
    rig.setUp(Airy, "2 W", "49 N");
    rig.tab(tab);
    rig.set(fields.in, tab == 1 ? QStringList{"468643.108", "234025.790"}
                       : tab == 2 ? kExample
                                  : kMirrored);
    rig.click(fields.button);
    QApplication::setActiveWindow(rig.w.get());
    QLineEdit* entry = rig.f(fields.in[tab == 2 ? 7 : 0]);
    for (const QString& step : steps.split(',')) {
        if (step == "clear") {
            rig.set(fields.out, {"", ""});
        } else if (step == "enter") {
            entry->setFocus();
            QTest::keyClick(entry, Qt::Key_Return);
        } else if (step == "button") {
            auto* b = must<QPushButton>(rig.w.get(), fields.button);
            b->setFocus();
            QTest::keyClick(b, Qt::Key_Return);
        } else if (step == "type") {
            // Typed over with the same text: the results go all the same.
            const QString text = entry->text();
            entry->setFocus();
            entry->selectAll();
            QTest::keyClicks(entry, text);
        } else if (step == "fold") {
            rig.click("opt_short");
        }
    }
    QTEST(rig.texts(fields.out), "out");
    for (const char* result : {"txt_easting", "txt_northing", "txt_lat", "txt_long"})
        QVERIFY(rig.f(result)->isReadOnly());
    if (tab == 1 && steps == "type")
        QCOMPARE(rig.state.result.lat_hemis, std::string()); // the kept result is forgotten

    // Leaving a field shows its beginning, and the whole text as tooltip.
    QLineEdit* narrow = rig.f(tab == 1 ? "txt_east" : tab == 2 ? "txt_lat_deg" : "txt_lat_sec1");
    narrow->setFocus();
    narrow->setText(QStringLiteral("27.25312345678901234"));
    narrow->end(false);
    rig.f(tab == 1 ? "txt_north" : "txt_east1")->setFocus();
    if (narrow->hasFocus()) { // no focus handling on this platform: send the event
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(narrow, &out);
    }
    QCOMPARE(narrow->cursorPosition(), 0);
    QCOMPARE(narrow->toolTip(), narrow->text());

    // Escape does what Close does.
    QSignalSpy closed(rig.w.get(), &ConversionWindow::closed);
    QTest::keyClick(rig.w.get(), Qt::Key_Escape);
    QCOMPARE(closed.count(), 1);
}

// The quantities beside each tab's results: filled by the tab's button, gone
// with the results when an entry is edited, kept by a refusal, read-only and
// out of the Tab chain.
const QStringList kPointFactors[3] = {{},
                                      {"txt_convergence_g2l", "txt_scale_g2l"},
                                      {"txt_convergence_g2g", "txt_scale_g2g"}};
const QStringList kLineFactors{"txt_geodesic",  "txt_grid_distance", "txt_line_scale",
                               "txt_azimuth12", "txt_azimuth2",      "txt_bearing12"};

void TstWorkingTabs::quantities_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("in");
    QTest::addColumn<QString>("after"); // "", "type" or "refuse"
    QTest::addColumn<QStringList>("out");
    const QStringList grid{"468643.108", "234025.790"};
    // 52 N 1 W on the Airy set: as TransverseMercatorProj and GeodSolve give them.
    const QStringList point{"+0° 47' 16.95\"", "0.99965913"};
    QTest::newRow("geog: Convert fills them") << 2 << kExample << "" << point;
    QTest::newRow("geog: typing empties them") << 2 << kExample << "type" << QStringList{"", ""};
    QTest::newRow("geog: a refusal keeps them") << 2 << kExample << "refuse" << point;
    QTest::newRow("grid: Convert fills them") << 1 << grid << "" << point;
    QTest::newRow("grid: typing empties them") << 1 << grid << "type" << QStringList{"", ""};
    // West of the meridian: negative in the north, positive in the south.
    QTest::newRow("grid: west and north")
        << 1 << QStringList{"300000", "234025.790"} << "" << QStringList{"-1° 08' 52.43\"", "0.99972406"};
    QTest::newRow("grid: west and south")
        << 1 << QStringList{"300000", "-6000000"} << "" << QStringList{"+0° 04' 02.06\"", "0.99972507"};
    const QStringList line{"137338.328",        "137286.216",        "0.99962056",
                           "270° 47' 16.95\"", "269° 12' 43.05\"", "270° 00' 00.00\""};
    QTest::newRow("distance: Calculate fills them") << 3 << kMirrored << "" << line;
    QTest::newRow("distance: typing empties them")
        << 3 << kMirrored << "type" << QStringList(6, QString());
    QTest::newRow("distance: a refusal keeps them") << 3 << kMirrored << "refuse" << line;
    QStringList same = kMirrored;
    same[12] = "1";
    QTest::newRow("distance: one position twice has no directions")
        << 3 << same << "" << QStringList{"0.000", "0.000", "", "", "", ""};
}

void TstWorkingTabs::quantities() {
    QFETCH(int, tab);
    QFETCH(QStringList, in);
    QFETCH(QString, after);
    const TabFields& fields = kTabs[tab];
    const QStringList& names = tab == 3 ? kLineFactors : kPointFactors[tab];
    Rig rig;
    rig.setUp(Airy, "2 W", "49 N");
    rig.tab(tab);
    rig.set(fields.in, in);
    rig.click(fields.button);
    QLineEdit* entry = rig.f(fields.in[0]);
    if (after == "type") {
        entry->setFocus();
        entry->selectAll();
        QTest::keyClicks(entry, entry->text());
    } else if (after == "refuse") {
        entry->setText(QStringLiteral("x"));
        ModalGuard guard;
        guard.expect(QStringLiteral("Entry must be numeric"));
        rig.click(fields.button);
        QVERIFY_GUARD(guard);
    }
    QTEST(rig.texts(names), "out");
    for (const QString& n : names) {
        QLineEdit* f = rig.f(n);
        QVERIFY2(f->isReadOnly(), qPrintable(n));
        QVERIFY2(!(f->focusPolicy() & Qt::TabFocus), qPrintable(n));
        QVERIFY2(!f->accessibleName().isEmpty(), qPrintable(n));
    }
}

QTEST_MAIN(TstWorkingTabs)
#include "tst_workingtabs.moc"

// The lines a surveyor reads beside the results: the accuracy warning far
// from the meridian, heights, grid references. Checks are "field=text", or
// "field~text" for a text the field must contain.
void TstWorkingTabs::surveyLines_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("in");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("checks");
    const QString utm = "WGS 84 / UTM zone 30N", os = "Airy 1830 / National Grid";
    const QStringList geog40n15e{"txt_lat_deg=40", "txt_ns=N", "txt_long_deg=15", "txt_ew=E"};
    QTest::newRow("far from the meridian: warned, the nearer zone named")
        << utm << 2 << geog40n15e << ""
        << QStringList{"lbl_accuracy_g2g~18.0° from the central meridian: these series are ",
                       "lbl_accuracy_g2g~m from the exact projection here. Exact: E ",
                       "lbl_accuracy_g2g~Nearer: WGS 84 / UTM zone 33N (0.0° from its meridian).",
                       "txt_easting~."};
    QTest::newRow("near the meridian: no warning")
        << utm << 2 << QStringList{"txt_lat_deg=40", "txt_ns=N", "txt_long_deg=1", "txt_ew=W"} << ""
        << QStringList{"lbl_accuracy_g2g=", "txt_easting~."};
    QTest::newRow("grid far from the meridian: warned with the exact position")
        << utm << 1 << QStringList{"txt_east=2000000", "txt_north=4500000"} << ""
        << QStringList{"lbl_accuracy_g2l~ from the central meridian: these series are ",
                       "lbl_accuracy_g2l~. Exact: 39 Deg ", "lbl_accuracy_g2l~ Sec N, 014 Deg ", "txt_lat~Deg"};
    // Regression rows: the series' divergence was shown as a latitude of 900.
    QTest::newRow("impossible inverse refused")
        << utm << 1 << QStringList{"txt_east=500000", "txt_north=99999999"}
        << "The grid position lies outside what these series can invert."
        << QStringList{"txt_lat=", "lbl_accuracy_g2l="};
    QTest::newRow("impossible inverse far east refused")
        << utm << 1 << QStringList{"txt_east=99999999", "txt_north=5800000"}
        << "The grid position lies outside what these series can invert." << QStringList{"txt_lat="};
    QTest::newRow("height: elevation and combined factors")
        << os << 2 << QStringList{"txt_lat_deg=52", "txt_ns=N", "txt_long_deg=1", "txt_ew=W", "txt_height_g2g=250"}
        << "" << QStringList{"txt_elevation_g2g=0.99996083", "txt_combined_g2g=0.99961997"};
    QTest::newRow("height: empty leaves them empty")
        << os << 2 << QStringList{"txt_lat_deg=52", "txt_ns=N", "txt_long_deg=1", "txt_ew=W"} << ""
        << QStringList{"txt_elevation_g2g=", "txt_combined_g2g=", "txt_gridref_g2g=SP 68643 34025"};
    QTest::newRow("height: not a number refused")
        << os << 2 << QStringList{"txt_lat_deg=52", "txt_long_deg=1", "txt_ew=W", "txt_height_g2g=2O0"}
        << "Ellipsoidal height (m) must be a number." << QStringList{"txt_easting="};
    QTest::newRow("height: above 9000 m refused")
        << os << 1 << QStringList{"txt_east=468643.108", "txt_north=234025.790", "txt_height_g2l=9001"}
        << "Ellipsoidal height (m) must lie between -500 and 9000." << QStringList{"txt_lat="};
    QTest::newRow("grid reference written for the typed position")
        << os << 1 << QStringList{"txt_east=651409.903", "txt_north=313177.270"} << ""
        << QStringList{"txt_gridref_g2l=TG 51409 13177", "lbl_gridref_read="};
    QTest::newRow("grid reference read at the centre of its square")
        << os << 1 << QStringList{"txt_east=tg5140913177", "txt_north="} << ""
        << QStringList{"lbl_gridref_read=Read grid reference TG 51409 13177, at the centre of its square.",
                       "txt_gridref_g2l=TG 51409 13177", "txt_lat~ N"};
    QTest::newRow("grid reference of another grid refused")
        << os << 1 << QStringList{"txt_east=O 15904 34671", "txt_north="}
        << "A National Grid reference is two letters and 2 to 10 digits, e.g. TG 51409 13177."
        << QStringList{"txt_lat=", "txt_east=O 15904 34671"};
    QTest::newRow("no grid reference on a set that names no grid")
        << "GRS 80 / SWEREF99 TM" << 2 << QStringList{"txt_lat_deg=59", "txt_long_deg=18", "txt_ew=E"}
        << "" << QStringList{"txt_gridref_g2g="};
    QTest::newRow("distance: ground distance at the mean height")
        << os << 3
        << QStringList{"txt_lat_deg1=52", "txt_long_deg1=1", "txt_long_hemis1=W", "txt_lat_deg2=52.1",
                       "txt_long_deg2=0.9", "txt_long_hemis2=W", "txt_height1=200", "txt_height2=300"}
        << "" << QStringList{"txt_ground_distance~.", "txt_combined_line~0.99"};
    QTest::newRow("distance: one height alone gives none")
        << os << 3
        << QStringList{"txt_lat_deg1=52", "txt_long_deg1=1", "txt_long_hemis1=W", "txt_lat_deg2=52.1",
                       "txt_long_deg2=0.9", "txt_long_hemis2=W", "txt_height1=200"}
        << "" << QStringList{"txt_ground_distance=", "txt_combined_line="};
}

void TstWorkingTabs::surveyLines() {
    QFETCH(QString, entry);
    QFETCH(int, tab);
    QFETCH(QStringList, in);
    QFETCH(QString, box);
    QFETCH(QStringList, checks);
    Rig rig;
    auto* list = must<QListWidget>(rig.w.get(), "List1");
    list->setCurrentItem(list->findItems(entry, Qt::MatchExactly).value(0));
    rig.tab(tab);
    for (const QString& s : in)
        rig.f(s.section('=', 0, 0))->setText(s.section('=', 1));
    ModalGuard guard;
    if (!box.isEmpty())
        guard.expect(box);
    rig.click(kTabs[tab].button);
    QVERIFY_GUARD(guard);
    for (const QString& c : checks) {
        const bool contains = !c.contains('=') || (c.contains('~') && c.indexOf('~') < c.indexOf('='));
        const QChar sep = contains ? '~' : '=';
        const QString name = c.section(sep, 0, 0), want = c.section(sep, 1);
        const QString got = rig.t(name);
        if (contains)
            QVERIFY2(got.contains(want), qPrintable(name + ": " + got));
        else
            QCOMPARE(got, want);
    }
}
