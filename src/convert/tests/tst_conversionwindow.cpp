// The conversion window as a whole: tab changes, Clear_Details, upper-case
// letter fields, the two entry modes of "Geog to Grid" and the result
// layouts before any conversion.
#include "conversionwindow.h"
#include "modalguard.h"
#include "store.h"
#include "widgets.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QStringList kDistanceEntries{
    "txt_lat_deg1", "txt_lat_min1", "txt_lat_sec1", "txt_lat_hemis1",
    "txt_long_deg1", "txt_long_min1", "txt_long_sec1", "txt_long_hemis1",
    "txt_lat_deg2", "txt_lat_min2", "txt_lat_sec2", "txt_lat_hemis2",
    "txt_long_deg2", "txt_long_min2", "txt_long_sec2", "txt_long_hemis2"};
const QStringList kSpheroidFields{"txt_name", "txt_major", "txt_ecc", "txt_scale",
                                  "txt_fe",   "txt_fn",    "txt_orig", "txt_cm"};
const QStringList kGridFields{"txt_east", "txt_north", "txt_easting", "txt_northing"};
const QStringList kResultFields{"txt_lat", "txt_long"};
// The quantities beside each tab's results go with those results.
const QStringList kGeogToGridFactors{"txt_convergence_g2g", "txt_scale_g2g", "txt_elevation_g2g",
                                     "txt_combined_g2g", "txt_gridref_g2g"};
const QStringList kGridToGeogFactors{"txt_convergence_g2l", "txt_scale_g2l", "txt_elevation_g2l",
                                     "txt_combined_g2l", "txt_gridref_g2l"};
const QStringList kDistanceFactors{"txt_geodesic",  "txt_grid_distance", "txt_line_scale",
                                   "txt_azimuth12", "txt_azimuth2",      "txt_bearing12",
                                   "txt_ground_distance", "txt_combined_line"};

struct Window {
    QTemporaryDir dir;
    AppState state;
    ModalGuard guard;
    std::unique_ptr<ConversionWindow> w;

    Window() {
        state.DatabasePath = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        catalogue::CatalogueStore::InstallDefault(state.DatabasePath);
        state.terminate = [] { QFAIL("the program gave up"); };
        w = std::make_unique<ConversionWindow>(state);
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
};

} // namespace

class TestConversionWindow : public QObject {
    Q_OBJECT

  private slots:
    void initialState();
    void clearing_data();
    void clearing();
    void upperCase_data();
    void upperCase();
    void entryModes();
    void minutesFold_data();
    void minutesFold();
    void layoutsBeforeConversion();
    void fieldsShowWhatTheyHold_data();
    void fieldsShowWhatTheyHold();
};

void TestConversionWindow::initialState() {
    Window t;
    auto* tabs = t.get<QTabWidget>("SSTab1");
    QCOMPARE(tabs->currentIndex(), 0);
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i);
    // The Log tab comes last, so the working tabs keep their places.
    QCOMPARE(captions,
             QStringList({"Spheroid", "Grid to Geog", "Geog to Grid", "Distance", "Log"}));
    for (QLineEdit* f : t.w->findChildren<QLineEdit*>())
        QVERIFY2(f->text().isEmpty(), qPrintable(f->objectName()));
    for (const char* option : {"opt_long", "Option2", "Option4"})
        QVERIFY2(t.get<QRadioButton>(option)->isChecked(), option);
    QCOMPARE(t.get<QListWidget>("List1")->count(), 25);
    QVERIFY_GUARD(t.guard);
}

void TestConversionWindow::clearing_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to"); // -1: Clear_Details
    QTest::addColumn<QStringList>("emptied");
    // A tab change empties only the sixteen distance entries, the two
    // distance captions and the inverse results.
    for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 3}, {3, 2}})
        QTest::addRow("tab %d to tab %d", a, b)
            << a << b << kDistanceEntries + kResultFields + kGridToGeogFactors + kDistanceFactors;
    // Pins: a look at the Log tab emptied the distance entries being typed.
    QTest::newRow("Distance to Log keeps everything") << 3 << 4 << QStringList{};
    QTest::newRow("Log to Distance empties as tab 0 to tab 3 does")
        << 4 << 3 << kDistanceEntries + kResultFields + kGridToGeogFactors + kDistanceFactors;
    QTest::newRow("Clear_Details") << 2 << -1
                                   << kSpheroidFields + kGridFields + kResultFields +
                                          kGeogToGridFactors + kGridToGeogFactors + kDistanceFactors;
}

// Every other field keeps its text. A tab change keeps the last result and
// the parameter set; Clear_Details empties the Spheroid fields, so nothing is
// in force and no result is kept beside them.
void TestConversionWindow::clearing() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, emptied);
    Window t;
    t.get<QListWidget>("List1")->setCurrentRow(0); // Airy 1830 / National Grid
    t.chooseTab(from);
    QMap<QString, QString> before;
    for (QLineEdit* f : t.w->findChildren<QLineEdit*>()) {
        const QString n = f->objectName();
        if (kSpheroidFields.contains(n)) {
            before[n] = f->text();
            continue; // typing over them would change the parameter set
        }
        const bool letter = n.contains(QLatin1String("hemis")) || n == "txt_ns" || n == "txt_ew";
        f->setText(letter ? QStringLiteral("S") : "1" + n.right(3).toUpper());
        before[n] = f->text();
    }
    t.state.result = {51, 28.6, 38.012, "N", 3, 12.1, 5.5, "W"};
    t.get<QLabel>("lbl_kms")->setText(QStringLiteral("12.35"));
    t.get<QLabel>("lbl_miles")->setText(QStringLiteral("6.67"));

    if (to < 0)
        t.w->Clear_Details();
    else
        t.chooseTab(to);
    QCOMPARE(t.get<QTabWidget>("SSTab1")->currentIndex(), to < 0 ? from : to);
    for (QLineEdit* f : t.w->findChildren<QLineEdit*>()) {
        const QString n = f->objectName();
        QVERIFY2(f->text() == (emptied.contains(n) ? QString() : before[n]), qPrintable(n));
    }
    const bool cleared = to < 0;
    const bool kept = to == ConversionWindow::kLogTab;
    QCOMPARE(t.get<QLabel>("lbl_kms")->text(), kept ? QStringLiteral("12.35") : QString());
    QCOMPARE(t.get<QLabel>("lbl_miles")->text(), kept ? QStringLiteral("6.67") : QString());
    QCOMPARE(t.state.parameters.inForce().projection == nullptr, cleared);
    QCOMPARE(t.state.parameters.selectedRef(), cleared ? std::nullopt : std::optional<qint64>(1));
    QCOMPARE(t.state.result.lat_sec, cleared ? 0.0 : 38.012);
    QCOMPARE(t.state.result.long_hemis, std::string(cleared ? "" : "W"));
    QCOMPARE(t.get<QListWidget>("List1")->count(), 25);
    QVERIFY_GUARD(t.guard);
}

void TestConversionWindow::upperCase_data() {
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
    QTest::newRow("longer text kept whole") << "txt_ns" << 2 << "south" << "SOUTH";
    QTest::newRow("degree field not forced") << "txt_lat_deg" << 2 << "abc" << "abc";
}

// Typed or set by the program, the text is forced the same way.
void TestConversionWindow::upperCase() {
    QFETCH(QString, field);
    QFETCH(int, tab);
    QFETCH(QString, typed);
    Window t;
    t.chooseTab(tab);
    QLineEdit* f = t.get(field);
    QTest::keyClicks(f, typed);
    QTEST(f->text(), "shown");
    f->setText(typed);
    QTEST(f->text(), "shown");
    QVERIFY_GUARD(t.guard);
}

// Each switch hides or shows the seconds, which the keyboard then skips or
// visits, sets the twip geometry and focuses the first entry; a click on the
// mode already selected does nothing; the window keeps its mode when closed.
void TestConversionWindow::entryModes() {
    Window t;
    const auto check = [&](bool withSeconds) {
        for (const char* f : {"txt_lat_sec", "txt_long_sec"})
            QVERIFY2(t.get(f)->isHidden() != withSeconds, f);
        QVERIFY(t.get<QLabel>("Sec")->isHidden() != withSeconds);
        for (const char* f : {"txt_lat_min", "txt_long_min"})
            QCOMPARE(t.get(f)->width(), common::Twips(t.w.get(), withSeconds ? 624 : 1560));
        for (const char* f : {"txt_ns", "txt_ew"})
            QCOMPARE(t.get(f)->x(), common::Twips(t.w.get(), 5250));
    };
    const auto keyboardOrder = [&](int count) {
        QApplication::setActiveWindow(t.w.get());
        t.get("txt_lat_deg")->setFocus();
        QStringList seen{t.w->focusWidget()->objectName()};
        while (seen.size() < count) {
            QTest::keyClick(t.w->focusWidget(), Qt::Key_Tab);
            seen << t.w->focusWidget()->objectName();
        }
        return seen.join(' ');
    };
    check(true);
    t.chooseTab(2);
    QCOMPARE(keyboardOrder(8), QStringLiteral("txt_lat_deg txt_lat_min txt_lat_sec txt_ns "
                                              "txt_long_deg txt_long_min txt_long_sec txt_ew"));
    t.get("txt_lat_min")->setText(QStringLiteral("30"));
    t.get("txt_lat_sec")->setText(QStringLiteral("36"));
    t.get("txt_ew")->setFocus();
    t.click("opt_short");
    check(false);
    QCOMPARE(t.w->focusWidget(), t.get("txt_lat_deg"));
    t.click("opt_short"); // no second fold
    QCOMPARE(t.text("txt_lat_min"), QStringLiteral("30.6"));
    QCOMPARE(keyboardOrder(6),
             QStringLiteral("txt_lat_deg txt_lat_min txt_ns txt_long_deg txt_long_min txt_ew"));

    t.get("txt_ew")->setFocus();
    t.click("opt_long");
    check(true);
    QCOMPARE(t.w->focusWidget(), t.get("txt_lat_deg"));
    t.get("txt_long_min")->resize(10, 24);
    t.click("opt_long");
    QCOMPARE(t.get("txt_long_min")->width(), 10);

    t.click("opt_short");
    QSignalSpy closed(t.w.get(), &ConversionWindow::closed);
    t.w->close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!t.w->isVisible());
    t.w->show();
    QVERIFY(t.get<QRadioButton>("opt_short")->isChecked());
    check(false);
    QCOMPARE(t.get<QTabWidget>("SSTab1")->currentIndex(), 2);
    QVERIFY_GUARD(t.guard);
}

void TestConversionWindow::minutesFold_data() {
    QTest::addColumn<QStringList>("typed"); // lat min, lat sec, long min, long sec
    QTest::addColumn<QString>("latMin");
    QTest::addColumn<QString>("longMin");
    QTest::addColumn<QStringList>("secondsAfter"); // lat sec, long sec
    const QStringList folded{"", ""};
    QTest::newRow("30 min 36 sec") << QStringList{"30", "36", "12", "30"} << "30.6" << "12.5"
                                   << folded;
    QTest::newRow("empty fields") << QStringList{"", "", "", ""} << "0" << "0" << folded;
    QTest::newRow("repeating fraction") << QStringList{"30", "20", "0", "1"} << "30.3333333333333"
                                        << "0.0166666666666667" << folded;
    QTest::newRow("non-numeric reads as 0") << QStringList{"abc", "x", "N", "6"} << "0" << "0.1"
                                            << folded;
    QTest::newRow("seconds beyond a minute") << QStringList{"0", "90", "59", "60"} << "1.5" << "60"
                                             << folded;
    // Regression: an overflowing entry was folded to "inf", which later read
    // as 0. Unfolded, its seconds stay where they were.
    QTest::newRow("overflow stays as typed") << QStringList{"1e999", "5", "30", "6"} << "1e999"
                                             << "30.1" << QStringList{"5", ""};
}

// The seconds fold into the minutes and leave their fields (regression: kept
// hidden, they were counted again after switching back, 1.1 km off), degrees
// and letters are not touched, and switching back changes nothing.
void TestConversionWindow::minutesFold() {
    QFETCH(QStringList, typed);
    QFETCH(QStringList, secondsAfter);
    Window t;
    t.chooseTab(2);
    const QStringList fields{"txt_lat_min", "txt_lat_sec", "txt_long_min", "txt_long_sec",
                             "txt_lat_deg", "txt_ew"};
    const QStringList texts = typed + QStringList{"51", "W"};
    for (int i = 0; i < fields.size(); ++i)
        t.get(fields[i])->setText(texts[i]);
    for (const char* mode : {"opt_short", "opt_long"}) {
        t.click(mode);
        QTEST(t.text("txt_lat_min"), "latMin");
        QTEST(t.text("txt_long_min"), "longMin");
        QCOMPARE(QStringList({t.text("txt_lat_sec"), t.text("txt_long_sec")}), secondsAfter);
        for (int i : {4, 5})
            QCOMPARE(t.text(fields[i]), texts[i]);
    }
    QVERIFY_GUARD(t.guard);
}

// Regression: before any result (or after the entries changed) the layouts
// showed and printed a position of zeros, " 0 Deg . Min ".
void TestConversionWindow::layoutsBeforeConversion() {
    Window t;
    t.chooseTab(1);
    t.click("Option2"); // already selected: nothing happens
    QCOMPARE(t.text("txt_lat"), QString());
    t.click("Option1");
    QCOMPARE(t.text("txt_lat"), QString());
    QCOMPARE(t.text("txt_long"), QString());
    t.click("Option2");
    QCOMPARE(t.text("txt_lat"), QString());
    QCOMPARE(t.text("txt_long"), QString());
    QCOMPARE(t.text("txt_east"), QString()); // no conversion was run
    QVERIFY_GUARD(t.guard);
}

// Regression rows: the seconds field showed 7.2531 of 27.2531, and a
// folded minutes field cut its digits short.
void TestConversionWindow::fieldsShowWhatTheyHold_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("mode"); // the option clicked first
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("geog seconds") << 2 << "opt_long" << "txt_lat_sec" << "27.2531";
    QTest::newRow("geog folded minutes") << 2 << "opt_short" << "txt_lat_min" << "39.454220833";
    QTest::newRow("distance seconds") << 3 << "Option4" << "txt_long_sec2" << "27.2531";
    QTest::newRow("distance folded minutes") << 3 << "Option3" << "txt_lat_min1" << "39.454220833";
}

void TestConversionWindow::fieldsShowWhatTheyHold() {
    QFETCH(int, tab);
    QFETCH(QString, mode);
    QFETCH(QString, field);
    QFETCH(QString, text);
    Window t;
    t.chooseTab(tab);
    t.click(qPrintable(mode));
    QLineEdit* f = t.get(field);
    f->setText(text);
    f->home(false);
    // The last character is in view while the text is scrolled to its start.
    QCOMPARE(f->cursorPositionAt(QPoint(f->width() - 2, f->height() / 2)), int(text.size()));
    QVERIFY_GUARD(t.guard);
}

QTEST_MAIN(TestConversionWindow)
#include "tst_conversionwindow.moc"
