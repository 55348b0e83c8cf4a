// The conversion window as a whole: tab changes, Clear_Details, upper-case
// letter fields, the two entry modes of "Geog to Grid" and the two result
// layouts of "Grid to Geog".
#include "menufrm.h"
#include "modalguard.h"
#include "spheroidtab.h"
#include "store.h"
#include "widgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kDistanceEntries{
    "txt_lat_deg1", "txt_lat_min1", "txt_lat_sec1", "txt_lat_hemis1",
    "txt_long_deg1", "txt_long_min1", "txt_long_sec1", "txt_long_hemis1",
    "txt_lat_deg2", "txt_lat_min2", "txt_lat_sec2", "txt_lat_hemis2",
    "txt_long_deg2", "txt_long_min2", "txt_long_sec2", "txt_long_hemis2"};
const QStringList kDistanceGrid{"txt_east1", "txt_north1", "txt_east2", "txt_north2"};
const QStringList kSpheroidFields{"txt_name", "txt_major", "txt_ecc", "txt_scale",
                                  "txt_fe",   "txt_fn",    "txt_orig", "txt_cm"};
const QStringList kGeogEntries{"txt_lat_deg",  "txt_lat_min",  "txt_lat_sec",  "txt_ns",
                               "txt_long_deg", "txt_long_min", "txt_long_sec", "txt_ew"};
const QStringList kGridFields{"txt_east", "txt_north", "txt_easting", "txt_northing"};
const QStringList kResultFields{"txt_lat", "txt_long"};

// 51.4772256 N, 3.2015278 W, as the last inverse conversion left it.
numtext::GeographicResult knownResult() {
    const geo::Dms lat = geo::Degrees_To_Dms(51.4772256);
    const geo::Dms lon = geo::Degrees_To_Dms(-3.2015278);
    return {lat.deg, lat.min_decimal, lat.sec, "N", lon.deg, lon.min_decimal, lon.sec, "W"};
}

struct Window {
    QTemporaryDir dir;
    AppState state;
    ModalGuard guard;
    std::unique_ptr<MenuFrm> w;

    Window() {
        state.DatabasePath = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        catalogue::CatalogueStore::InstallDefault(state.DatabasePath);
        state.terminate = [] { QFAIL("the program gave up"); };
        w = std::make_unique<MenuFrm>(state);
        w->Load();
        w->show();
        QApplication::setActiveWindow(w.get());
    }
    template <class T = QLineEdit> T* get(const QString& name) {
        return must<T>(w.get(), name.toLatin1().constData());
    }
    QString text(const QString& name) { return get(name)->text(); }
    void click(const char* name) { QTest::mouseClick(get<QAbstractButton>(name), Qt::LeftButton); }
    void chooseTab(int index) {
        QTabBar* bar = get<QTabWidget>("SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Every text field gets a text of its own, letter fields a letter.
    void fillEverything() {
        for (QLineEdit* f : w->findChildren<QLineEdit*>()) {
            const QString n = f->objectName();
            f->setText(n.contains(QLatin1String("hemis")) || n == QLatin1String("txt_ns") ||
                               n == QLatin1String("txt_ew")
                           ? QStringLiteral("S")
                           : QStringLiteral("1") + n.right(3).toUpper());
        }
        get<QLabel>("lbl_kms")->setText(QStringLiteral("12.35"));
        get<QLabel>("lbl_miles")->setText(QStringLiteral("6.67"));
    }
};

} // namespace

class TestMenuFrm : public QObject {
    Q_OBJECT

  private slots:
    void initialState();
    void tabChange_data();
    void tabChange();
    void clearDetails_data();
    void clearDetails();
    void clearDetailsState();
    void upperCase_data();
    void upperCase();
    void entryModeGeometry();
    void minutesFold_data();
    void minutesFold();
    void selectedModeClickedAgain();
    void modeKeptAcrossClosing();
    void layoutsBeforeConversion();
    void layoutsOfLastResult();
    void clearDetailsThenOption2();
    void entryKeyboardOrder_data();
    void entryKeyboardOrder();
};

void TestMenuFrm::initialState() {
    Window t;
    auto* tabs = t.get<QTabWidget>("SSTab1");
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->count(), 4);
    const QStringList captions{"Spheroid", "Grid to Geog", "Geog to Grid", "Distance"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(tabs->tabText(i), captions[i]);
    for (QLineEdit* f : t.w->findChildren<QLineEdit*>())
        QVERIFY2(f->text().isEmpty(), qPrintable(f->objectName()));
    QVERIFY(t.get<QRadioButton>("opt_long")->isChecked());
    QVERIFY(t.get<QRadioButton>("Option2")->isChecked());
    QVERIFY(t.get<QRadioButton>("Option4")->isChecked());
    QVERIFY(!t.get("txt_lat_sec")->isHidden());
    QVERIFY(!t.get<QLabel>("Sec")->isHidden());
    QCOMPARE(t.get("txt_lat_min")->width(), common::Twips(t.w.get(), 624));
    QCOMPARE(t.get("txt_ew")->x(), common::Twips(t.w.get(), 5040));
    QCOMPARE(t.get<QListWidget>("List1")->count(), 25);
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::tabChange_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 3}, {3, 2}})
        QTest::addRow("tab %d to tab %d", a, b) << a << b;
}

// Only the sixteen distance entries, the two distance captions and the
// inverse results are emptied; everything else keeps its text.
void TestMenuFrm::tabChange() {
    QFETCH(int, from);
    QFETCH(int, to);
    Window t;
    t.chooseTab(from);
    t.state.result = knownResult();
    t.state.params.origin_lat = -30;
    t.fillEverything();
    QMap<QString, QString> before;
    for (QLineEdit* f : t.w->findChildren<QLineEdit*>())
        before[f->objectName()] = f->text();
    const double cm = t.state.params.central_meridian;
    t.chooseTab(to);
    QCOMPARE(t.get<QTabWidget>("SSTab1")->currentIndex(), to);
    for (QLineEdit* f : t.w->findChildren<QLineEdit*>()) {
        const QString n = f->objectName();
        const bool cleared = kDistanceEntries.contains(n) || kResultFields.contains(n);
        QVERIFY2(f->text() == (cleared ? QString() : before[n]), qPrintable(n));
    }
    QCOMPARE(t.get<QLabel>("lbl_kms")->text(), QString());
    QCOMPARE(t.get<QLabel>("lbl_miles")->text(), QString());
    QCOMPARE(t.state.result.lat_hemis, std::string("N"));
    QCOMPARE(t.state.result.lat_deg, 51.0);
    QCOMPARE(int(t.state.params.origin_lat), -30);
    QCOMPARE(double(t.state.params.central_meridian), cm);
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::clearDetails_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("cleared");
    for (const QString& f : kSpheroidFields + kGridFields + kResultFields)
        QTest::addRow("%s emptied", qPrintable(f)) << f << true;
    for (const QString& f : kGeogEntries + kDistanceEntries + kDistanceGrid)
        QTest::addRow("%s kept", qPrintable(f)) << f << false;
}

void TestMenuFrm::clearDetails() {
    QFETCH(QString, field);
    QFETCH(bool, cleared);
    Window t;
    t.fillEverything();
    const QString before = t.text(field);
    QVERIFY(!before.isEmpty());
    t.w->Clear_Details();
    QCOMPARE(t.text(field), cleared ? QString() : before);
    QCOMPARE(t.get<QLabel>("lbl_kms")->text(), QStringLiteral("12.35"));
}

void TestMenuFrm::clearDetailsState() {
    Window t;
    t.get<QListWidget>("List1")->setCurrentRow(0); // Airy 1830 / National Grid
    QCOMPARE(int(t.state.params.origin_lat), 49);
    QCOMPARE(int(t.state.params.central_meridian), -2);
    t.state.result = knownResult();
    t.w->Clear_Details();
    const geo::ProjectionParams& p = t.state.params;
    QCOMPARE(p.major_axis, 0.0);
    QCOMPARE(p.ecc_squared, 0.0);
    QCOMPARE(p.scale_factor, 0.0);
    QCOMPARE(p.false_easting, 0.0);
    QCOMPARE(p.false_northing, 0.0);
    QCOMPARE(int(p.central_meridian), 0);
    QCOMPARE(int(p.origin_lat), 49);
    QCOMPARE(t.state.central_meridian_text, QString());
    QCOMPARE(t.state.central_meridian_letter, QString());
    QCOMPARE(t.state.SelectedRef, std::optional<qint64>(1));
    QCOMPARE(t.state.result.long_hemis, std::string("W"));
    QCOMPARE(t.get<QListWidget>("List1")->count(), 25);
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::upperCase_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("txt_ns s") << "txt_ns" << 2 << "s" << "S";
    QTest::newRow("txt_ew w") << "txt_ew" << 2 << "w" << "W";
    QTest::newRow("txt_lat_hemis1 w") << "txt_lat_hemis1" << 3 << "w" << "W";
    QTest::newRow("txt_lat_hemis2 n") << "txt_lat_hemis2" << 3 << "n" << "N";
    QTest::newRow("txt_long_hemis1 e") << "txt_long_hemis1" << 3 << "e" << "E";
    QTest::newRow("txt_long_hemis2 w") << "txt_long_hemis2" << 3 << "w" << "W";
    QTest::newRow("txt_orig 30 s") << "txt_orig" << 0 << "30 s" << "30 S";
    QTest::newRow("txt_cm 3w") << "txt_cm" << 0 << "3w" << "3W";
    QTest::newRow("longer text kept whole") << "txt_ns" << 2 << "south" << "SOUTH";
    QTest::newRow("degree field not forced") << "txt_lat_deg" << 2 << "abc" << "abc";
    QTest::newRow("name field not forced") << "txt_name" << 0 << "Airy" << "Airy";
}

void TestMenuFrm::upperCase() {
    QFETCH(QString, field);
    QFETCH(int, tab);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Window t;
    t.chooseTab(tab);
    QLineEdit* f = t.get(field);
    QTest::keyClicks(f, typed);
    QCOMPARE(f->text(), shown);
    // Text set by the program is forced the same way.
    f->setText(typed);
    QCOMPARE(f->text(), shown);
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::entryModeGeometry() {
    Window t;
    t.chooseTab(2);
    const MenuFrm* w = t.w.get();
    t.click("opt_short");
    QVERIFY(t.get<QRadioButton>("opt_short")->isChecked());
    for (const char* f : {"txt_lat_sec", "txt_long_sec"})
        QVERIFY2(t.get(f)->isHidden(), f);
    QVERIFY(t.get<QLabel>("Sec")->isHidden());
    for (const char* f : {"txt_lat_min", "txt_long_min"})
        QCOMPARE(t.get(f)->width(), common::Twips(w, 1100));
    for (const char* f : {"txt_ns", "txt_ew"})
        QCOMPARE(t.get(f)->x(), common::Twips(w, 4750));
    QCOMPARE(t.w->focusWidget(), t.get("txt_lat_deg"));

    t.get("txt_ew")->setFocus();
    t.click("opt_long");
    for (const char* f : {"txt_lat_sec", "txt_long_sec"})
        QVERIFY2(!t.get(f)->isHidden(), f);
    QVERIFY(!t.get<QLabel>("Sec")->isHidden());
    for (const char* f : {"txt_lat_min", "txt_long_min"})
        QCOMPARE(t.get(f)->width(), common::Twips(w, 624));
    for (const char* f : {"txt_ns", "txt_ew"})
        QCOMPARE(t.get(f)->x(), common::Twips(w, 5040));
    QCOMPARE(t.w->focusWidget(), t.get("txt_lat_deg"));
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::minutesFold_data() {
    QTest::addColumn<QStringList>("typed"); // lat min, lat sec, long min, long sec
    QTest::addColumn<QString>("latMin");
    QTest::addColumn<QString>("longMin");
    QTest::newRow("30 min 36 sec") << QStringList{"30", "36", "12", "30"} << "30.6" << "12.5";
    QTest::newRow("empty fields") << QStringList{"", "", "", ""} << "0" << "0";
    QTest::newRow("repeating fraction") << QStringList{"30", "20", "0", "1"} << "30.3333333333333"
                                        << "0.0166666666666667";
    QTest::newRow("non-numeric reads as 0") << QStringList{"abc", "x", "N", "6"} << "0" << "0.1";
    QTest::newRow("decimal minutes kept") << QStringList{"10.5", "", "7.25", "0"} << "10.5" << "7.25";
    QTest::newRow("blanks inside ignored") << QStringList{"1 2", "6", " 5 ", "1 2"} << "12.1" << "5.2";
    QTest::newRow("seconds beyond a minute") << QStringList{"0", "90", "59", "60"} << "1.5" << "60";
}

// The seconds fold into the minutes, the hidden seconds keep their text,
// and degrees and letters are not touched.
void TestMenuFrm::minutesFold() {
    QFETCH(QStringList, typed);
    QFETCH(QString, latMin);
    QFETCH(QString, longMin);
    Window t;
    t.chooseTab(2);
    const char* fields[] = {"txt_lat_min", "txt_lat_sec", "txt_long_min", "txt_long_sec"};
    for (int i = 0; i < 4; ++i)
        t.get(fields[i])->setText(typed[i]);
    t.get("txt_lat_deg")->setText(QStringLiteral("51"));
    t.get("txt_ns")->setText(QStringLiteral("N"));
    t.get("txt_long_deg")->setText(QStringLiteral("3"));
    t.get("txt_ew")->setText(QStringLiteral("W"));
    t.click("opt_short");
    QCOMPARE(t.text("txt_lat_min"), latMin);
    QCOMPARE(t.text("txt_long_min"), longMin);
    QCOMPARE(t.text("txt_lat_sec"), typed[1]);
    QCOMPARE(t.text("txt_long_sec"), typed[3]);
    QCOMPARE(t.text("txt_lat_deg"), QStringLiteral("51"));
    QCOMPARE(t.text("txt_ew"), QStringLiteral("W"));
    t.click("opt_long");
    QCOMPARE(t.text("txt_lat_min"), latMin);
    QCOMPARE(t.text("txt_lat_sec"), typed[1]);
    QCOMPARE(t.text("txt_long_sec"), typed[3]);
    QVERIFY_GUARD(t.guard);
}

// A click on the mode already selected does nothing: no second fold.
void TestMenuFrm::selectedModeClickedAgain() {
    Window t;
    t.chooseTab(2);
    t.get("txt_lat_min")->setText(QStringLiteral("30"));
    t.get("txt_lat_sec")->setText(QStringLiteral("36"));
    t.click("opt_short");
    QCOMPARE(t.text("txt_lat_min"), QStringLiteral("30.6"));
    t.click("opt_short");
    QCOMPARE(t.text("txt_lat_min"), QStringLiteral("30.6"));
    t.click("opt_long");
    t.get("txt_long_min")->resize(10, 24);
    t.click("opt_long");
    QCOMPARE(t.get("txt_long_min")->width(), 10);
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::modeKeptAcrossClosing() {
    Window t;
    t.chooseTab(2);
    t.click("opt_short");
    QSignalSpy closed(t.w.get(), &MenuFrm::closed);
    t.w->close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!t.w->isVisible());
    t.w->show();
    QVERIFY(t.get<QRadioButton>("opt_short")->isChecked());
    QVERIFY(t.get("txt_lat_sec")->isHidden());
    QCOMPARE(t.get("txt_lat_min")->width(), common::Twips(t.w.get(), 1100));
    QCOMPARE(t.get<QTabWidget>("SSTab1")->currentIndex(), 2);
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::layoutsBeforeConversion() {
    Window t;
    t.chooseTab(1);
    t.click("Option2"); // already selected: nothing happens
    QCOMPARE(t.text("txt_lat"), QString());
    t.click("Option1");
    QCOMPARE(t.text("txt_lat"), QStringLiteral(" 0 Deg . Min "));
    QCOMPARE(t.text("txt_long"), QStringLiteral("000 Deg . Min "));
    t.click("Option2");
    QCOMPARE(t.text("txt_lat"), QStringLiteral(" 0 Deg  0 Min 0.000 Sec "));
    QCOMPARE(t.text("txt_long"), QStringLiteral("000 Deg  0 Min 0.000 Sec "));
    QCOMPARE(t.text("txt_east"), QString()); // no conversion was run
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::layoutsOfLastResult() {
    Window t;
    t.chooseTab(1);
    t.state.result = knownResult();
    t.click("Option1");
    QCOMPARE(t.text("txt_lat"), QStringLiteral(" 51 Deg 28.63354 Min N"));
    QCOMPARE(t.text("txt_long"), QStringLiteral("003 Deg 12.09167 Min W"));
    // A visit to another tab empties the texts but keeps the result.
    t.chooseTab(2);
    t.chooseTab(1);
    QCOMPARE(t.text("txt_lat"), QString());
    t.click("Option2");
    QCOMPARE(t.text("txt_lat"), QStringLiteral(" 51 Deg  28 Min 38.012 Sec N"));
    QCOMPARE(t.text("txt_long"), QStringLiteral("003 Deg  12 Min 5.500 Sec W"));
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::clearDetailsThenOption2() {
    Window t;
    t.chooseTab(1);
    t.state.result = knownResult();
    t.click("Option1");
    t.w->Clear_Details();
    QCOMPARE(t.text("txt_lat"), QString());
    QCOMPARE(t.text("txt_long"), QString());
    t.click("Option2");
    QCOMPARE(t.text("txt_lat"), QStringLiteral(" 51 Deg  28 Min 38.012 Sec N"));
    QCOMPARE(t.text("txt_long"), QStringLiteral("003 Deg  12 Min 5.500 Sec W"));
    QVERIFY_GUARD(t.guard);
}

void TestMenuFrm::entryKeyboardOrder_data() {
    QTest::addColumn<bool>("minutesOnly");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("Deg, Min, Sec") << false << kGeogEntries;
    // Hidden seconds are skipped.
    QTest::newRow("Deg, Minutes") << true
                                  << QStringList{"txt_lat_deg", "txt_lat_min", "txt_ns", "txt_long_deg",
                                                 "txt_long_min", "txt_ew"};
}

void TestMenuFrm::entryKeyboardOrder() {
    QFETCH(bool, minutesOnly);
    QFETCH(QStringList, order);
    Window t;
    t.chooseTab(2);
    if (minutesOnly)
        t.click("opt_short");
    QApplication::setActiveWindow(t.w.get());
    t.get("txt_lat_deg")->setFocus();
    QStringList seen{t.w->focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(t.w->focusWidget(), Qt::Key_Tab);
        seen << t.w->focusWidget()->objectName();
    }
    QCOMPARE(seen, order);
    QVERIFY_GUARD(t.guard);
}

QTEST_MAIN(TestMenuFrm)
#include "tst_menufrm.moc"
