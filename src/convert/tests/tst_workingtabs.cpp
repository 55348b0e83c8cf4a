// The three working tabs driven through the real window by objectName: what
// each click writes, which box it shows, and that a failure changes nothing.
#include "menufrm.h"
#include "modalguard.h"
#include "store.h"
#include "widgets.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QString kNumeric =
    "The conversion failed: the parameter set or the position gives no finite result.";
const QString kBadCm = "The central meridian must be whole degrees, a blank and a letter, e.g. 3 W.";
const QString kBadOrigin = "The latitude of origin must be a number of degrees, e.g. 49 N.";
const QString kOverflow =
    "The distance cannot be calculated: a position or a coordinate is too large.";

enum Setup { Airy, Southern, ClearedHandTyped, EccOne };

// A window on a fresh default catalogue in a throw-away folder.
struct Rig {
    QTemporaryDir dir;
    AppState state;
    std::unique_ptr<MenuFrm> w;

    Rig() {
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        if (!catalogue::CatalogueStore::InstallDefault(path))
            qFatal("cannot install the default catalogue");
        state.DatabasePath = path;
        state.terminate = [] { qFatal("the window gave up"); };
        w = std::make_unique<MenuFrm>(state);
        w->Load();
        w->show();
    }
    QLineEdit* f(const char* name) const { return must<QLineEdit>(w.get(), name); }
    QString t(const char* name) const { return f(name)->text(); }
    void click(const char* name) const { must<QAbstractButton>(w.get(), name)->click(); }
    void tab(int index) const { must<QTabWidget>(w.get(), "SSTab1")->setCurrentIndex(index); }

    // The worked examples' parameter sets, typed by hand onto the Spheroid tab.
    void setUp(Setup s, const QString& cm, const QString& orig) {
        geo::ProjectionParams& p = state.params;
        if (s == Southern) {
            p = {6378137, 0.00669438, 0.9996, 500000, 10000000, 0, -57};
        } else {
            p = {6377563.396, 0.00667054, 0.9996012717, 400000, -100000, 49, -2};
        }
        if (s == EccOne)
            p.ecc_squared = 1;
        if (s == ClearedHandTyped)
            click("SSCommand1"); // Clear details
        f("txt_cm")->setText(cm);
        f("txt_orig")->setText(orig);
        // What leaving txt_cm does to the parameter set.
        const QStringList parts = cm.split(' ');
        p.central_meridian = int16_t(parts.value(0).toInt() * (cm.endsWith('W') ? -1 : 1));
    }
};

const char* const kGeogFields[] = {"txt_lat_deg",  "txt_lat_min",  "txt_lat_sec",  "txt_ns",
                                   "txt_long_deg", "txt_long_min", "txt_long_sec", "txt_ew"};

const char* const kDistanceFields[] = {
    "txt_lat_deg1", "txt_lat_min1", "txt_lat_sec1", "txt_lat_hemis1",
    "txt_long_deg1", "txt_long_min1", "txt_long_sec1", "txt_long_hemis1",
    "txt_lat_deg2", "txt_lat_min2", "txt_lat_sec2", "txt_lat_hemis2",
    "txt_long_deg2", "txt_long_min2", "txt_long_sec2", "txt_long_hemis2"};
const char* const kGridFields[] = {"txt_east1", "txt_north1", "txt_east2", "txt_north2"};

numtext::GeographicResult earlierResult() {
    numtext::GeographicResult r;
    r.lat_deg = 10;
    r.lat_min = 15.5;
    r.lat_sec = 30;
    r.lat_hemis = "S";
    r.long_deg = 20;
    r.long_min = 45.25;
    r.long_sec = 15;
    r.long_hemis = "E";
    return r;
}

bool sameResult(const numtext::GeographicResult& a, const numtext::GeographicResult& b) {
    return a.lat_deg == b.lat_deg && a.lat_min == b.lat_min && a.lat_sec == b.lat_sec &&
           a.lat_hemis == b.lat_hemis && a.long_deg == b.long_deg && a.long_min == b.long_min &&
           a.long_sec == b.long_sec && a.long_hemis == b.long_hemis;
}

} // namespace

class TstWorkingTabs : public QObject {
    Q_OBJECT
  private slots:
    void geogToGrid_data();
    void geogToGrid();
    void gridToGeog_data();
    void gridToGeog();
    void distance_data();
    void distance();
    void distanceModeSwitch();
    void catalogueEntryEndToEnd();
};

void TstWorkingTabs::geogToGrid_data() {
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("cm");
    QTest::addColumn<QStringList>("fields"); // kGeogFields order
    QTest::addColumn<bool>("minutesMode");
    QTest::addColumn<QString>("hiddenSeconds"); // typed after the switch to minutes
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("easting");
    QTest::addColumn<QString>("northing");

    const QStringList example{"52", "0", "0", "N", "1", "0", "0", "W"};
    QTest::newRow("worked example") << int(Airy) << "2 W" << example << false << "" << ""
                                    << "468643.108" << "234025.790";
    QTest::newRow("minutes mode with text in hidden seconds")
        << int(Airy) << "2 W" << example << true << "45" << "" << "468643.108" << "234025.790";
    QTest::newRow("southern western example")
        << int(Southern) << "57 W" << QStringList{"34", "30", "0", "S", "58", "15", "0", "W"}
        << false << "" << "" << "385242.653" << "6181693.653";
    QTest::newRow("lower-case letters typed")
        << int(Southern) << "57 W" << QStringList{"34", "30", "0", "s", "58", "15", "0", "w"}
        << false << "" << "" << "385242.653" << "6181693.653";
    QTest::newRow("-3 with W is 3 east, on the meridian 3 E")
        << int(Airy) << "3 E" << QStringList{"49", "0", "0", "N", "-3", "0", "0", "W"} << false
        << "" << "" << "400000.000" << "-100000.000";
    QTest::newRow("-3 with empty letter is 3 west, on the meridian 3 W")
        << int(Airy) << "3 W" << QStringList{"49", "0", "0", "N", "-3", "0", "0", ""} << false
        << "" << "" << "400000.000" << "-100000.000";

    const QString prevE = "prev E";
    const QString prevN = "prev N";
    QTest::newRow("no spheroid reported before empty degrees")
        << int(Airy) << "" << QStringList{"", "", "", "", "", "", "", ""} << false << ""
        << "Select spheroid." << prevE << prevN;
    QTest::newRow("empty longitude degrees")
        << int(Airy) << "2 W" << QStringList{"52", "0", "0", "N", "", "0", "0", "W"} << false
        << "" << "Enter position." << prevE << prevN;
    QTest::newRow("cleared, then meridian typed by hand")
        << int(ClearedHandTyped) << "2 W" << example << false << "" << kNumeric << prevE << prevN;
    QTest::newRow("e2 of 1") << int(EccOne) << "2 W" << example << false << "" << kNumeric << prevE
                             << prevN;
}

void TstWorkingTabs::geogToGrid() {
    QFETCH(int, setup);
    QFETCH(QString, cm);
    QFETCH(QStringList, fields);
    QFETCH(bool, minutesMode);
    QFETCH(QString, hiddenSeconds);
    QFETCH(QString, message);
    QFETCH(QString, easting);
    QFETCH(QString, northing);

    Rig rig;
    rig.setUp(Setup(setup), cm, QStringLiteral("49 N"));
    rig.tab(2);
    for (int i = 0; i < 8; ++i)
        rig.f(kGeogFields[i])->setText(fields[i]);
    if (minutesMode) {
        rig.click("opt_short");
        QVERIFY(rig.f("txt_lat_sec")->isHidden());
        rig.f("txt_lat_sec")->setText(hiddenSeconds);
        rig.f("txt_long_sec")->setText(hiddenSeconds);
    }
    rig.f("txt_easting")->setText(QStringLiteral("prev E"));
    rig.f("txt_northing")->setText(QStringLiteral("prev N"));
    QStringList before;
    for (const char* name : kGeogFields)
        before << rig.t(name);

    ModalGuard guard;
    if (!message.isEmpty())
        guard.expect(message);
    rig.click("cmd_convert");
    QVERIFY_GUARD(guard);
    QCOMPARE(rig.t("txt_easting"), easting);
    QCOMPARE(rig.t("txt_northing"), northing);
    QStringList after;
    for (const char* name : kGeogFields)
        after << rig.t(name);
    QCOMPARE(after, before);
}

void TstWorkingTabs::gridToGeog_data() {
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("cm");
    QTest::addColumn<QString>("orig");
    QTest::addColumn<QString>("east");
    QTest::addColumn<QString>("north");
    QTest::addColumn<bool>("secondsLayout");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("emptied"); // entry emptied and focused, if any
    QTest::addColumn<QString>("lat");
    QTest::addColumn<QString>("lon");

    QTest::newRow("worked example, seconds layout")
        << int(Airy) << "2 W" << "49 N" << "468643.108" << "234025.790" << true << "" << ""
        << " 51 Deg  59 Min 60.000 Sec N" << "001 Deg  0 Min 0.000 Sec W";
    QTest::newRow("worked example, minutes layout")
        << int(Airy) << "2 W" << "49 N" << "468643.108" << "234025.790" << false << "" << ""
        << " 51 Deg 60. Min N" << "001 Deg . Min W";
    QTest::newRow("southern example")
        << int(Southern) << "57 W" << "0 N" << "385242.653" << "6181693.653" << true << "" << ""
        << " 34 Deg  29 Min 60.000 Sec S" << "058 Deg  14 Min 60.000 Sec W";

    const QString prevLat = "prev lat";
    const QString prevLon = "prev long";
    QTest::newRow("no meridian reported before bad entries")
        << int(Airy) << "" << "49 N" << "" << "x" << true
        << "Select a spheroid or enter central meridian" << "" << prevLat << prevLon;
    QTest::newRow("both entries bad: only the northing")
        << int(Airy) << "2 W" << "49 N" << "" << "" << true << "Entry must be numeric"
        << "txt_north" << prevLat << prevLon;
    QTest::newRow("easting with comma") << int(Airy) << "2 W" << "49 N" << "523,456.7"
                                        << "234025.790" << true << "Entry must be numeric"
                                        << "txt_east" << prevLat << prevLon;
    QTest::newRow("meridian without blank") << int(Airy) << "2W" << "49 N" << "468643.108"
                                            << "234025.790" << true << kBadCm << "" << prevLat
                                            << prevLon;
    QTest::newRow("meridian degrees not a number")
        << int(Airy) << "X W" << "49 N" << "468643.108" << "234025.790" << true << kBadCm << ""
        << prevLat << prevLon;
    QTest::newRow("origin not a number") << int(Airy) << "2 W" << "ABC" << "468643.108"
                                         << "234025.790" << true << kBadOrigin << "" << prevLat
                                         << prevLon;
    QTest::newRow("cleared, then meridian typed by hand")
        << int(ClearedHandTyped) << "2 W" << "" << "468643.108" << "234025.790" << true
        << kBadOrigin << "" << prevLat << prevLon;
    QTest::newRow("cleared, meridian and origin typed by hand")
        << int(ClearedHandTyped) << "2 W" << "49 N" << "468643.108" << "234025.790" << true
        << kNumeric << "" << prevLat << prevLon;
    QTest::newRow("e2 of 1") << int(EccOne) << "2 W" << "49 N" << "468643.108" << "234025.790"
                             << true << kNumeric << "" << prevLat << prevLon;
    QTest::newRow("northing beyond double range")
        << int(Airy) << "2 W" << "49 N" << "468643.108" << "1e999" << true << kNumeric << ""
        << prevLat << prevLon;
}

void TstWorkingTabs::gridToGeog() {
    QFETCH(int, setup);
    QFETCH(QString, cm);
    QFETCH(QString, orig);
    QFETCH(QString, east);
    QFETCH(QString, north);
    QFETCH(bool, secondsLayout);
    QFETCH(QString, message);
    QFETCH(QString, emptied);
    QFETCH(QString, lat);
    QFETCH(QString, lon);

    Rig rig;
    rig.setUp(Setup(setup), cm, orig);
    rig.tab(1);
    rig.click(secondsLayout ? "Option2" : "Option1");
    rig.f("txt_east")->setText(east);
    rig.f("txt_north")->setText(north);
    rig.state.result = earlierResult();
    rig.f("txt_lat")->setText(QStringLiteral("prev lat"));
    rig.f("txt_long")->setText(QStringLiteral("prev long"));
    rig.f("txt_lat")->setFocus();

    ModalGuard guard;
    if (!message.isEmpty())
        guard.expect(message);
    rig.click("Command1");
    QVERIFY_GUARD(guard);
    QCOMPARE(rig.t("txt_lat"), lat);
    QCOMPARE(rig.t("txt_long"), lon);
    QCOMPARE(sameResult(rig.state.result, earlierResult()), !message.isEmpty());
    QCOMPARE(rig.t("txt_east"), emptied == "txt_east" ? QString() : east);
    QCOMPARE(rig.t("txt_north"), emptied == "txt_north" ? QString() : north);
    if (!emptied.isEmpty())
        QCOMPARE(rig.w->focusWidget(), rig.f(emptied.toLatin1().constData()));
    // Neither the parameter set's meridian nor the texts were rewritten.
    QCOMPARE(rig.t("txt_cm"), cm);
}

void TstWorkingTabs::distance_data() {
    QTest::addColumn<QString>("cm");
    QTest::addColumn<QStringList>("geog"); // kDistanceFields order; short lists padded
    QTest::addColumn<QStringList>("grid");
    QTest::addColumn<bool>("minutesMode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("kms");
    QTest::addColumn<QString>("miles");

    const QStringList none;
    QTest::newRow("grid 3-4-5") << "2 W" << none << QStringList{"0", "0", "3000", "4000"} << false
                                << "" << "5.00" << "2.70";
    QTest::newRow("grid 500 m") << "2 W" << none << QStringList{"", "", "500", ""} << false << ""
                                << ".50" << ".27";
    QTest::newRow("grid 926 m") << "2 W" << none << QStringList{"", "", "926", ""} << false << ""
                                << ".93" << ".50";
    QTest::newRow("grid identical") << "2 W" << none << QStringList{"7", "8", "7", "8"} << false
                                    << "" << ".00" << ".00";
    QTest::newRow("grid chosen by first latitude degrees alone")
        << "2 W"
        << QStringList{"", "1", "2", "N", "3", "4", "5", "W", "6", "7", "8", "S", "9", "1", "2", "E"}
        << QStringList{"0", "0", "3000", "4000"} << false << "" << "5.00" << "2.70";
    QTest::newRow("geographic identical, grid fields ignored")
        << "2 W"
        << QStringList{"52", "0", "0", "N", "1", "0", "0", "W", "52", "0", "0", "N", "1", "0", "0",
                       "w"}
        << QStringList{"0", "0", "3000", "4000"} << false << "" << ".00" << ".00";
    QTest::newRow("geographic minutes mode with text in hidden seconds")
        << "2 W"
        << QStringList{"51", "30", "36", "N", "1", "", "59", "W", "51", "30", "", "N", "1", "", "",
                       "W"}
        << none << true << "" << ".00" << ".00";
    QTest::newRow("geographic mirrored about the meridian")
        << "2 W"
        << QStringList{"52", "", "", "N", "1", "", "", "W", "52", "", "", "N", "3", "", "", "W"}
        << none << false << "" << "137.29" << "74.13";

    QTest::newRow("no spheroid, everything filled")
        << ""
        << QStringList{"52", "", "", "N", "1", "", "", "W", "52", "", "", "N", "3", "", "", "W"}
        << QStringList{"0", "0", "3000", "4000"} << false << "Select spheroid." << "prev km"
        << "prev nm";
    QTest::newRow("grid beyond double range") << "2 W" << none << QStringList{"1e999", "", "", ""}
                                              << false << kOverflow << "prev km" << "prev nm";
    QTest::newRow("grid beyond single range") << "2 W" << none << QStringList{"", "", "", "1e300"}
                                              << false << kOverflow << "prev km" << "prev nm";
}

void TstWorkingTabs::distance() {
    QFETCH(QString, cm);
    QFETCH(QStringList, geog);
    QFETCH(QStringList, grid);
    QFETCH(bool, minutesMode);
    QFETCH(QString, message);
    QFETCH(QString, kms);
    QFETCH(QString, miles);

    Rig rig;
    rig.setUp(Airy, cm, QStringLiteral("49 N"));
    rig.tab(3);
    if (minutesMode)
        rig.click("Option3");
    for (int i = 0; i < 16; ++i)
        rig.f(kDistanceFields[i])->setText(geog.value(i));
    for (int i = 0; i < 4; ++i)
        rig.f(kGridFields[i])->setText(grid.value(i));
    must<QLabel>(rig.w.get(), "lbl_kms")->setText(QStringLiteral("prev km"));
    must<QLabel>(rig.w.get(), "lbl_miles")->setText(QStringLiteral("prev nm"));
    QStringList before;
    for (const char* name : kDistanceFields)
        before << rig.t(name);
    for (const char* name : kGridFields)
        before << rig.t(name);

    ModalGuard guard;
    if (message == "Select spheroid.")
        guard.expect(message, QStringLiteral("True"), QMessageBox::Ok | QMessageBox::Cancel,
                     QMessageBox::Cancel);
    else if (!message.isEmpty())
        guard.expect(message);
    rig.click("cmd_calc");
    QVERIFY_GUARD(guard);
    QCOMPARE(must<QLabel>(rig.w.get(), "lbl_kms")->text(), kms);
    QCOMPARE(must<QLabel>(rig.w.get(), "lbl_miles")->text(), miles);
    QStringList after;
    for (const char* name : kDistanceFields)
        after << rig.t(name);
    for (const char* name : kGridFields)
        after << rig.t(name);
    QCOMPARE(after, before);
}

void TstWorkingTabs::distanceModeSwitch() {
    Rig rig;
    rig.tab(3);
    const char* const seconds[] = {"txt_lat_sec1", "txt_long_sec1", "txt_lat_sec2", "txt_long_sec2"};
    const char* const minutes[] = {"txt_lat_min1", "txt_long_min1", "txt_lat_min2", "txt_long_min2"};
    QLabel* secHeading = must<QLabel>(rig.w.get(), "Label5_5");
    for (int i = 0; i < 16; ++i)
        rig.f(kDistanceFields[i])->setText(QString::number(i + 1));
    QStringList before;
    for (const char* name : kDistanceFields)
        before << rig.t(name);
    auto texts = [&] {
        QStringList now;
        for (const char* name : kDistanceFields)
            now << rig.t(name);
        return now;
    };

    rig.f("txt_east1")->setFocus();
    rig.click("Option3");
    for (const char* name : seconds)
        QVERIFY2(rig.f(name)->isHidden(), name);
    QVERIFY(secHeading->isHidden());
    QVERIFY(!must<QLabel>(rig.w.get(), "Label5_6")->isHidden());
    for (const char* name : minutes)
        QCOMPARE(rig.f(name)->width(), common::Twips(rig.w.get(), 1176));
    QCOMPARE(rig.w->focusWidget(), rig.f("txt_lat_deg1"));
    QCOMPARE(texts(), before);

    // A click on the option already selected does nothing.
    rig.f("txt_east1")->setFocus();
    rig.click("Option3");
    QCOMPARE(rig.w->focusWidget(), rig.f("txt_east1"));

    rig.click("Option4");
    for (const char* name : seconds)
        QVERIFY2(!rig.f(name)->isHidden(), name);
    QVERIFY(!secHeading->isHidden());
    for (const char* name : minutes)
        QCOMPARE(rig.f(name)->width(), common::Twips(rig.w.get(), 456));
    QCOMPARE(rig.w->focusWidget(), rig.f("txt_lat_deg1"));
    QCOMPARE(texts(), before);
}

void TstWorkingTabs::catalogueEntryEndToEnd() {
    Rig rig;
    ModalGuard guard;
    must<QListWidget>(rig.w.get(), "List1")->setCurrentRow(0); // Airy 1830 / National Grid
    QCOMPARE(rig.t("txt_cm"), QStringLiteral("2 W"));
    QCOMPARE(rig.state.params.central_meridian, int16_t(-2));

    rig.tab(2);
    const QStringList example{"52", "0", "0", "N", "1", "0", "0", "W"};
    for (int i = 0; i < 8; ++i)
        rig.f(kGeogFields[i])->setText(example[i]);
    rig.click("cmd_convert");
    QCOMPARE(rig.t("txt_easting"), QStringLiteral("468643.108"));
    QCOMPARE(rig.t("txt_northing"), QStringLiteral("234025.790"));

    rig.tab(1);
    rig.f("txt_east")->setText(rig.t("txt_easting"));
    rig.f("txt_north")->setText(rig.t("txt_northing"));
    rig.click("Command1");
    QCOMPARE(rig.t("txt_lat"), QStringLiteral(" 51 Deg  59 Min 60.000 Sec N"));
    QCOMPARE(rig.t("txt_long"), QStringLiteral("001 Deg  0 Min 0.000 Sec W"));
    rig.click("Option1");
    QCOMPARE(rig.t("txt_lat"), QStringLiteral(" 51 Deg 60. Min N"));
    QCOMPARE(rig.t("txt_long"), QStringLiteral("001 Deg . Min W"));

    rig.tab(3);
    const QStringList mirrored{"52", "", "", "N", "1", "", "", "W",
                               "52", "", "", "N", "3", "", "", "W"};
    for (int i = 0; i < 16; ++i)
        rig.f(kDistanceFields[i])->setText(mirrored[i]);
    rig.click("cmd_calc");
    QCOMPARE(must<QLabel>(rig.w.get(), "lbl_kms")->text(), QStringLiteral("137.29"));
    QCOMPARE(must<QLabel>(rig.w.get(), "lbl_miles")->text(), QStringLiteral("74.13"));

    // The tab change emptied the result; the other layout renders it again.
    rig.tab(1);
    QCOMPARE(rig.t("txt_lat"), QString());
    rig.click("Option2");
    QCOMPARE(rig.t("txt_lat"), QStringLiteral(" 51 Deg  59 Min 60.000 Sec N"));
    QCOMPARE(rig.t("txt_long"), QStringLiteral("001 Deg  0 Min 0.000 Sec W"));
    QVERIFY_GUARD(guard);
}

QTEST_MAIN(TstWorkingTabs)
#include "tst_workingtabs.moc"
