// The Spheroid tab driven through a real conversion window and a real
// catalogue file. Every message box is checked for text, title and buttons.
#include "menufrm.h"
#include "modalguard.h"
#include "rawcatalogue.h"
#include "spheroidtab.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace testcat;

namespace {

const QString kNoMeridian = QStringLiteral("You must now enter the Central Meridian. e.g. 3 W");
const QString kMajor = QStringLiteral("Enter semi major axis.");
const QString kMeridianFormat =
    QStringLiteral("The central meridian must be whole degrees followed by E or W, e.g. 3 W.");
const QString kGone = QStringLiteral("Can't find database.");

Row row(qint64 key, const QString& name, const QString& lat, const QString& meridian,
        const QVariant& sma = 6378137.0) {
    return {key, key, name, meridian, lat, sma};
}

// The catalogue every test starts from.
QList<Row> standardRows() {
    return {row(1, QStringLiteral("Airy 1830"), QStringLiteral("49 N"), QStringLiteral("2 W"),
                6377563.396),
            row(2, QStringLiteral("South 30"), QStringLiteral("30 S"), QStringLiteral("3 w")),
            row(3, QStringLiteral("No meridian"), QStringLiteral("10 N"), QString()),
            row(4, QStringLiteral("East 147"), QStringLiteral("0 N"), QStringLiteral("147 E")),
            row(5, QStringLiteral("Lat without blank"), QStringLiteral("20N"), QStringLiteral("9 E"))};
}

struct Window {
    QTemporaryDir dir;
    QString path;
    AppState state;
    int terminations = 0;
    ModalGuard guard;
    std::unique_ptr<MenuFrm> w;

    explicit Window(const QList<Row>& rows = standardRows()) {
        path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        create(path, rows);
        state.DatabasePath = path;
        state.terminate = [this] { ++terminations; };
        w = std::make_unique<MenuFrm>(state);
        w->Load();
        w->show();
        w->activateWindow();
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("window not active: focus tests will send the events themselves");
    }
    template <class T = QLineEdit> T* get(const char* name) { return must<T>(w.get(), name); }
    QListWidget* list() { return get<QListWidget>("List1"); }
    QStringList names() {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    // A click on the name, as the user makes it.
    void select(const QString& name) {
        const auto items = list()->findItems(name, Qt::MatchExactly);
        if (items.size() != 1)
            qFatal("no single item %s", qPrintable(name));
        list()->scrollToItem(items.first());
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(items.first()).center());
    }
    void click(const char* button) { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }
    QString buttons() {
        QString s;
        for (const char* b : {"SSCommand2", "SSCommand3", "SSCommand4"})
            s += get<QPushButton>(b)->isEnabled() ? QLatin1Char('E') : QLatin1Char('-');
        return s; // Save, Edit, Delete
    }
    // Types into a field the way the user does, after emptying it.
    void type(const char* field, const QString& text) {
        QLineEdit* f = get(field);
        f->setFocus();
        f->clear();
        QTest::keyClicks(f, text);
    }
    // Moves the focus away from txt_cm.
    void leaveCm() {
        QApplication::setActiveWindow(w.get()); // a box may have taken activation away
        get("txt_cm")->setFocus();
        QApplication::processEvents();
        get("txt_name")->setFocus();
        QApplication::processEvents();
        if (get("txt_cm")->hasFocus()) { // no focus handling at all: send the event
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(get("txt_cm"), &out);
        }
    }
    QStringList fields() {
        QStringList out;
        for (const char* f :
             {"txt_name", "txt_major", "txt_ecc", "txt_scale", "txt_fe", "txt_fn", "txt_orig", "txt_cm"})
            out << get(f)->text();
        return out;
    }
};

} // namespace

class TestSpheroidTab : public QObject {
    Q_OBJECT

  private slots:
    void load();
    void select_data();
    void select();
    void originLatSequence();
    void buttonStates_data();
    void buttonStates();
    void centralMeridianRule_data();
    void centralMeridianRule();
    void entryWithoutMeridian();
    void clearDetailsThenSameEntryAgain();
    void saveRefusedForAxis_data();
    void saveRefusedForAxis();
    void saveRefusedForNonNumber_data();
    void saveRefusedForNonNumber();
    void saveAddsAtEnd();
    void editRefreshesList();
    void editKeepsMeridianWhenEmpty();
    void editVanishedEntry();
    void deleteEntry();
    void selectVanishedName();
    void selectBadEntry_data();
    void selectBadEntry();
    void storeFailureReported();
    void catalogueDeleted_data();
    void catalogueDeleted();
    void keyboardOrder_data();
    void keyboardOrder();
    void editRefusesNonNumber();
    void listFocusThenSelection();
};

void TestSpheroidTab::load() {
    Window t;
    QCOMPARE(t.get<QTabWidget>("SSTab1")->currentIndex(), 0);
    QCOMPARE(t.names(), (QStringList{"Airy 1830", "South 30", "No meridian", "East 147",
                                     "Lat without blank"}));
    QCOMPARE(t.list()->currentRow(), -1);
    QCOMPARE(t.buttons(), QStringLiteral("E--"));
    QCOMPARE(t.fields(), QStringList(8));
    QVERIFY(t.get<QPushButton>("SSCommand1")->isEnabled());
    QVERIFY(t.get<QPushButton>("SSCommand5")->isEnabled());
    QVERIFY(!t.state.SelectedRef);
    QVERIFY_GUARD(t.guard);
}

void TestSpheroidTab::select_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<double>("major");
    QTest::addColumn<int>("cm");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("originLat");
    QTest::addColumn<qint64>("ref");
    const QStringList wgs{"6378137", "0.006694379990141", "0.9996", "500000", "0"};
    QTest::newRow("west meridian, north origin")
        << "Airy 1830"
        << (QStringList{"Airy 1830", "6377563.396"} + wgs.mid(1) + QStringList{"49 N", "2 W"})
        << 6377563.396 << -2 << "W" << 49 << qint64(1);
    // The stored lower-case letter shows upper-cased; the text is not rewritten.
    QTest::newRow("lower-case west, south origin")
        << "South 30" << (QStringList{"South 30"} + wgs + QStringList{"30 S", "3 W"}) << 6378137.0
        << -3 << "W" << -30 << qint64(2);
    QTest::newRow("east meridian") << "East 147"
                                   << (QStringList{"East 147"} + wgs + QStringList{"0 N", "147 E"})
                                   << 6378137.0 << 147 << "E" << 0 << qint64(4);
    // A Lat text without a blank leaves origin_lat as it was (0 here).
    QTest::newRow("latitude of origin without blank")
        << "Lat without blank" << (QStringList{"Lat without blank"} + wgs + QStringList{"20N", "9 E"})
        << 6378137.0 << 9 << "E" << 0 << qint64(5);
}

void TestSpheroidTab::select() {
    QFETCH(QString, name);
    QFETCH(QStringList, fields);
    QFETCH(double, major);
    QFETCH(int, cm);
    QFETCH(QString, letter);
    QFETCH(int, originLat);
    QFETCH(qint64, ref);
    Window t;
    t.select(name);
    QCOMPARE(t.fields(), fields);
    const geo::ProjectionParams& p = t.state.params;
    QCOMPARE(p.major_axis, major);
    QCOMPARE(p.ecc_squared, 0.006694379990141);
    QCOMPARE(p.scale_factor, 0.9996);
    QCOMPARE(p.false_easting, 500000.0);
    QCOMPARE(p.false_northing, 0.0);
    QCOMPARE(int(p.central_meridian), cm);
    QCOMPARE(int(p.origin_lat), originLat);
    QCOMPARE(t.state.central_meridian_letter, letter);
    QCOMPARE(t.state.central_meridian_text, fields.last());
    QCOMPARE(t.state.SelectedRef, std::optional<qint64>(ref));
    QCOMPARE(t.buttons(), QStringLiteral("-EE"));
    QVERIFY_GUARD(t.guard);
}

void TestSpheroidTab::originLatSequence() {
    Window t;
    t.select(QStringLiteral("South 30"));
    QCOMPARE(int(t.state.params.origin_lat), -30);
    t.select(QStringLiteral("Airy 1830"));
    QCOMPARE(int(t.state.params.origin_lat), 49);
    t.select(QStringLiteral("South 30"));
    QCOMPARE(int(t.state.params.origin_lat), -30);
    // No meridian: origin_lat is not taken from the entry.
    t.guard.expect(kNoMeridian);
    t.select(QStringLiteral("No meridian"));
    QCOMPARE(int(t.state.params.origin_lat), -30);
    QVERIFY_GUARD(t.guard);
}

void TestSpheroidTab::buttonStates_data() {
    QTest::addColumn<QString>("steps"); // actions separated by ","
    QTest::addColumn<QString>("expected");
    QTest::newRow("window loaded") << "" << "E--";
    QTest::newRow("edit before any selection does nothing") << "edit" << "E--";
    QTest::newRow("delete before any selection does nothing") << "delete" << "E--";
    QTest::newRow("after a selection") << "select" << "-EE";
    QTest::newRow("after save") << "fill,save" << "---";
    QTest::newRow("after edit") << "select,edit" << "---";
    QTest::newRow("after delete") << "select,delete" << "---";
    QTest::newRow("semi major axis refusal leaves them") << "major0,save" << "E--";
    QTest::newRow("clear details leaves them (loaded)") << "clear" << "E--";
    QTest::newRow("clear details leaves them (selected)") << "select,clear" << "-EE";
    QTest::newRow("selection after save enables edit") << "fill,save,select" << "-EE";
    QTest::newRow("save never comes back") << "select,edit,select,delete" << "---";
}

void TestSpheroidTab::buttonStates() {
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    Window t;
    for (const QString& s : steps.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (s == QLatin1String("select")) {
            t.select(QStringLiteral("East 147"));
        } else if (s == QLatin1String("fill")) {
            t.type("txt_name", QStringLiteral("Typed"));
            t.type("txt_major", QStringLiteral("6378137"));
            for (const char* f : {"txt_ecc", "txt_scale", "txt_fe", "txt_fn"})
                t.type(f, QStringLiteral("1"));
        } else if (s == QLatin1String("major0")) {
            t.type("txt_major", QStringLiteral("0"));
            t.guard.expect(kMajor, QStringLiteral("True"), QMessageBox::Ok | QMessageBox::Cancel);
        } else if (s == QLatin1String("save")) {
            t.click("SSCommand2");
        } else if (s == QLatin1String("edit")) {
            // Edit is disabled before a selection; the handler itself must
            // do nothing either.
            if (t.get<QPushButton>("SSCommand3")->isEnabled())
                t.click("SSCommand3");
            else
                t.w->spheroidTab()->SSCommand3_clicked();
        } else if (s == QLatin1String("delete")) {
            if (t.get<QPushButton>("SSCommand4")->isEnabled())
                t.click("SSCommand4");
            else
                t.w->spheroidTab()->SSCommand4_clicked();
        } else if (s == QLatin1String("clear")) {
            t.click("SSCommand1");
        }
    }
    QCOMPARE(t.buttons(), expected);
    QVERIFY_GUARD(t.guard);
}

void TestSpheroidTab::centralMeridianRule_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("cm");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<bool>("refused");
    // Each row starts from "7 W" entered and left, so central_meridian is -7.
    QTest::newRow("3w") << "3w" << "3 W" << -3 << "W" << false;
    QTest::newRow("3 and three blanks w") << "3   w" << "3 W" << -3 << "W" << false;
    QTest::newRow("half rounds down to even") << "2.5 W" << "2 W" << -2 << "W" << false;
    QTest::newRow("half rounds up to even") << "3.5 E" << "4 E" << 4 << "E" << false;
    QTest::newRow("half without blank") << "3.5E" << "4 E" << 4 << "E" << false;
    QTest::newRow("east stays positive") << "15 e" << "15 E" << 15 << "E" << false;
    QTest::newRow("letter not validated") << "12 x" << "12 X" << 12 << "X" << false;
    QTest::newRow("negative degrees west") << "-3 W" << "-3 W" << 3 << "W" << false;
    QTest::newRow("single character unchanged") << "5" << "5" << -7 << "W" << false;
    QTest::newRow("empty unchanged") << "" << "" << -7 << "W" << false;
    QTest::newRow("non-numeric degrees refused") << "ab w" << "AB W" << -7 << "W" << true;
    QTest::newRow("degrees beyond 16 bits refused") << "40000 E" << "40000 E" << -7 << "W" << true;
}

void TestSpheroidTab::centralMeridianRule() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, cm);
    QFETCH(QString, letter);
    QFETCH(bool, refused);
    Window t;
    t.type("txt_cm", QStringLiteral("7 w"));
    t.leaveCm();
    QCOMPARE(t.get("txt_cm")->text(), QStringLiteral("7 W"));
    QCOMPARE(int(t.state.params.central_meridian), -7);

    t.type("txt_cm", typed);
    QCOMPARE(t.state.central_meridian_text, typed.toUpper());
    if (refused)
        t.guard.expect(kMeridianFormat);
    t.leaveCm();
    QCOMPARE(t.get("txt_cm")->text(), shown);
    QCOMPARE(t.state.central_meridian_text, shown);
    QCOMPARE(int(t.state.params.central_meridian), cm);
    QCOMPARE(t.state.central_meridian_letter, letter);
    QVERIFY_GUARD(t.guard);
}

void TestSpheroidTab::entryWithoutMeridian() {
    Window t;
    t.select(QStringLiteral("Airy 1830"));
    t.guard.expect(kNoMeridian, QStringLiteral("Quillmar"));
    t.select(QStringLiteral("No meridian"));
    QVERIFY_GUARD(t.guard);
    // The offscreen platform does not hand activation back after a box, so
    // the window's own focus widget is what the user gets back.
    QCOMPARE(t.w->focusWidget(), t.get("txt_cm"));
    QCOMPARE(t.get("txt_cm")->text(), QString());
    QCOMPARE(t.get("txt_orig")->text(), QStringLiteral("10 N"));
    QCOMPARE(int(t.state.params.central_meridian), 0); // Clear_Details reset it
    QCOMPARE(t.buttons(), QStringLiteral("-EE"));
    QCOMPARE(t.state.SelectedRef, std::optional<qint64>(3));
    QTest::keyClicks(t.get("txt_cm"), QStringLiteral("3 w"));
    t.leaveCm();
    QCOMPARE(t.get("txt_cm")->text(), QStringLiteral("3 W"));
    QCOMPARE(int(t.state.params.central_meridian), -3);
}

// A click on the entry already selected loads it again after Clear details.
void TestSpheroidTab::clearDetailsThenSameEntryAgain() {
    Window t;
    t.select(QStringLiteral("Airy 1830"));
    t.state.params.origin_lat = 7;
    t.click("SSCommand1");
    QCOMPARE(t.fields(), QStringList(8));
    QCOMPARE(t.state.params.major_axis, 0.0);
    QCOMPARE(int(t.state.params.central_meridian), 0);
    QCOMPARE(int(t.state.params.origin_lat), 7);
    QCOMPARE(t.state.SelectedRef, std::optional<qint64>(1));
    QCOMPARE(t.names().size(), 5);
    t.select(QStringLiteral("Airy 1830"));
    QCOMPARE(t.get("txt_cm")->text(), QStringLiteral("2 W"));
    QCOMPARE(t.state.params.major_axis, 6377563.396);
    QCOMPARE(int(t.state.params.origin_lat), 49);
    QVERIFY_GUARD(t.guard);
}

void TestSpheroidTab::saveRefusedForAxis_data() {
    QTest::addColumn<QString>("major");
    QTest::addColumn<int>("press");
    QTest::newRow("empty, OK") << "" << int(QMessageBox::Ok);
    QTest::newRow("empty, Cancel") << "" << int(QMessageBox::Cancel);
    QTest::newRow("letters") << "abc" << int(QMessageBox::Ok);
    QTest::newRow("zero") << "0" << int(QMessageBox::Ok);
    QTest::newRow("zero with decimals") << "0.000" << int(QMessageBox::Cancel);
    QTest::newRow("unit without number") << "m 6378137" << int(QMessageBox::Ok);
}

void TestSpheroidTab::saveRefusedForAxis() {
    QFETCH(QString, major);
    QFETCH(int, press);
    Window t;
    const QByteArray before = digest(t.path);
    t.type("txt_name", QStringLiteral("New"));
    t.type("txt_major", major);
    t.get("txt_name")->setFocus();
    t.guard.expect(kMajor, QStringLiteral("True"), QMessageBox::Ok | QMessageBox::Cancel,
                   QMessageBox::StandardButton(press));
    t.click("SSCommand2");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(t.w->focusWidget(), t.get("txt_major"));
    QCOMPARE(t.get("txt_major")->text(), major);
    QCOMPARE(digest(t.path), before);
    QCOMPARE(t.names().size(), 5);
    QCOMPARE(t.buttons(), QStringLiteral("E--"));
    QVERIFY(!t.state.SelectedRef);
}

void TestSpheroidTab::saveRefusedForNonNumber_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    // Regression rows: a leading number is enough for the axis check, but
    // no field may reach the catalogue unless it is a number.
    QTest::newRow("axis with unit") << "txt_major" << "6377563 m"
                                    << "Semi Major Axis must be a number. Nothing was saved.";
    QTest::newRow("empty eccentricity") << "txt_ecc" << ""
                                        << "Eccentricity ^2 must be a number. Nothing was saved.";
    QTest::newRow("scale with comma") << "txt_scale" << "0,9996"
                                      << "Scale Factor must be a number. Nothing was saved.";
    QTest::newRow("easting letters") << "txt_fe" << "abc"
                                     << "False Easting must be a number. Nothing was saved.";
    QTest::newRow("northing with unit") << "txt_fn" << "0 m"
                                        << "False Northing must be a number. Nothing was saved.";
}

void TestSpheroidTab::saveRefusedForNonNumber() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Window t;
    const QByteArray before = digest(t.path);
    t.type("txt_name", QStringLiteral("New"));
    t.type("txt_major", QStringLiteral("6378137"));
    for (const char* f : {"txt_ecc", "txt_scale", "txt_fe", "txt_fn"})
        t.type(f, QStringLiteral("1"));
    t.type(field.toLatin1().constData(), text);
    t.guard.expect(message);
    t.click("SSCommand2");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(digest(t.path), before);
    QCOMPARE(t.names().size(), 5);
    QCOMPARE(t.buttons(), QStringLiteral("E--"));
    QVERIFY(!t.state.SelectedRef);
}

void TestSpheroidTab::saveAddsAtEnd() {
    Window t;
    const QStringList typed{"Bessel test", "6377397.155", "0.006674372231802", "1",
                            "3500000",     "0",           "0 N",               "9 E"};
    const char* names[] = {"txt_name", "txt_major", "txt_ecc", "txt_scale",
                           "txt_fe",   "txt_fn",    "txt_orig", "txt_cm"};
    for (int i = 0; i < 8; ++i)
        t.type(names[i], typed[i]);
    t.leaveCm();
    const geo::ProjectionParams before = t.state.params;
    t.click("SSCommand2");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(t.names().last(), QStringLiteral("Bessel test"));
    QCOMPARE(t.names().size(), 6);
    QVERIFY(t.list()->selectedItems().isEmpty());
    QCOMPARE(t.buttons(), QStringLiteral("---"));
    QCOMPARE(t.fields(), typed);
    QCOMPARE(t.state.params.major_axis, before.major_axis);
    QCOMPARE(t.state.params.scale_factor, before.scale_factor);
    QCOMPARE(t.state.SelectedRef, std::optional<qint64>(6));
    // The new entry is what was typed.
    t.select(QStringLiteral("Bessel test"));
    QCOMPARE(t.fields(), typed);
    QCOMPARE(t.state.params.major_axis, 6377397.155);
    QCOMPARE(int(t.state.params.central_meridian), 9);
}

// Regression: a renamed entry shows its new name at once.
void TestSpheroidTab::editRefreshesList() {
    Window t;
    t.select(QStringLiteral("South 30"));
    const geo::ProjectionParams before = t.state.params;
    t.type("txt_name", QStringLiteral("South thirty"));
    t.type("txt_fe", QStringLiteral("600000"));
    t.click("SSCommand3");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(t.names(), (QStringList{"Airy 1830", "South thirty", "No meridian", "East 147",
                                     "Lat without blank"}));
    QCOMPARE(t.fields(), QStringList(8));
    QCOMPARE(t.buttons(), QStringLiteral("---"));
    QCOMPARE(t.state.params.false_easting, before.false_easting);
    QCOMPARE(int(t.state.params.central_meridian), int(before.central_meridian));
    t.select(QStringLiteral("South thirty"));
    QCOMPARE(t.get("txt_fe")->text(), QStringLiteral("600000"));
    QCOMPARE(t.state.params.false_easting, 600000.0);
    QCOMPARE(t.state.SelectedRef, std::optional<qint64>(2));
}

void TestSpheroidTab::editKeepsMeridianWhenEmpty() {
    Window t;
    t.select(QStringLiteral("East 147"));
    t.type("txt_cm", QString());
    t.click("SSCommand3");
    QVERIFY_GUARD(t.guard);
    t.select(QStringLiteral("East 147"));
    QCOMPARE(t.get("txt_cm")->text(), QStringLiteral("147 E"));
    QVERIFY_GUARD(t.guard);
}

// Editing an entry deleted behind the window's back is reported; nothing
// is written and the fields stay for another try.
void TestSpheroidTab::editVanishedEntry() {
    Window t;
    t.select(QStringLiteral("East 147"));
    Raw(t.path).run(QStringLiteral("DELETE FROM Spheroid WHERE ref = 4"));
    const QByteArray before = digest(t.path);
    t.guard.expect(QStringLiteral("The entry is no longer in the catalogue, so it was not "
                                  "changed. Select it again or save it as a new entry."));
    t.click("SSCommand3");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(digest(t.path), before);
    QCOMPARE(t.get("txt_name")->text(), QStringLiteral("East 147"));
    QVERIFY(t.w->isVisible());
}

void TestSpheroidTab::deleteEntry() {
    Window t;
    t.select(QStringLiteral("South 30"));
    const QStringList shown = t.fields();
    const double major = t.state.params.major_axis;
    t.click("SSCommand4");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(t.names(), (QStringList{"Airy 1830", "No meridian", "East 147", "Lat without blank"}));
    QCOMPARE(t.fields(), shown);
    QCOMPARE(t.state.params.major_axis, major);
    QCOMPARE(t.state.SelectedRef, std::optional<qint64>(2));
    QCOMPARE(t.buttons(), QStringLiteral("---"));
    QCOMPARE(catalogue::CatalogueStore(t.path).ListNames(), t.names());
}

void TestSpheroidTab::selectVanishedName() {
    Window t;
    Raw(t.path).run(QStringLiteral("DELETE FROM Spheroid WHERE name = 'East 147'"));
    t.guard.expect(QStringLiteral("\"East 147\" is no longer in the catalogue."));
    t.select(QStringLiteral("East 147"));
    QVERIFY_GUARD(t.guard);
    QCOMPARE(t.fields(), QStringList(8));
    // The window is still usable.
    t.select(QStringLiteral("Airy 1830"));
    QCOMPARE(t.get("txt_cm")->text(), QStringLiteral("2 W"));
    QCOMPARE(t.buttons(), QStringLiteral("-EE"));
    QVERIFY_GUARD(t.guard);
}

void TestSpheroidTab::selectBadEntry_data() {
    QTest::addColumn<QVariant>("sma");
    QTest::addColumn<QString>("lat");
    QTest::addColumn<QString>("meridian");
    QTest::addColumn<QString>("problem");
    const QVariant ok = 6378137.0;
    QTest::newRow("axis is text") << QVariant(QStringLiteral("abc")) << "0 N" << "3 W"
                                  << "Semi Major Axis is not a number.";
    QTest::newRow("axis is empty") << QVariant(QMetaType::fromType<double>()) << "0 N" << "3 W"
                                   << "Semi Major Axis is not a number.";
    QTest::newRow("meridian degrees not a number")
        << ok << "0 N" << "X W" << kMeridianFormat;
    QTest::newRow("origin degrees not a number")
        << ok << "north N" << "3 W"
        << "The latitude of origin must be whole degrees followed by N or S, e.g. 49 N.";
}

void TestSpheroidTab::selectBadEntry() {
    QFETCH(QVariant, sma);
    QFETCH(QString, lat);
    QFETCH(QString, meridian);
    QFETCH(QString, problem);
    Window t({row(1, QStringLiteral("Good"), QStringLiteral("49 N"), QStringLiteral("2 W")),
              row(2, QStringLiteral("Bad"), lat, meridian, sma)});
    t.guard.expect(
        QStringLiteral("This entry cannot be used for conversions until it is corrected:\n") + problem);
    t.select(QStringLiteral("Bad"));
    QVERIFY_GUARD(t.guard);
    QCOMPARE(t.get("txt_name")->text(), QStringLiteral("Bad"));
    t.select(QStringLiteral("Good"));
    QCOMPARE(int(t.state.params.central_meridian), -2);
    QCOMPARE(t.state.params.major_axis, 6378137.0);
    QVERIFY_GUARD(t.guard);
}

// A locked catalogue: the box carries the store's own report, and the file
// and the list stay as they were.
void TestSpheroidTab::storeFailureReported() {
    Window t;
    t.type("txt_name", QStringLiteral("Locked out"));
    t.type("txt_major", QStringLiteral("6378137"));
    for (const char* f : {"txt_ecc", "txt_scale", "txt_fe", "txt_fn"})
        t.type(f, QStringLiteral("1"));
    Raw holder(t.path);
    holder.run(QStringLiteral("BEGIN EXCLUSIVE"));
    const QByteArray before = digest(t.path);
    QString message;
    try {
        catalogue::CatalogueStore(t.path).NextKey();
    } catch (const catalogue::StoreError& e) {
        message = e.message();
    }
    QVERIFY(!message.isEmpty());
    t.guard.expect(message);
    t.click("SSCommand2");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(digest(t.path), before);
    QCOMPARE(t.names().size(), 5);
    QCOMPARE(t.buttons(), QStringLiteral("E--"));
    QVERIFY(!t.state.SelectedRef);
    QCOMPARE(t.terminations, 0);
}

void TestSpheroidTab::catalogueDeleted_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("select") << "select";
    QTest::newRow("save") << "save";
    QTest::newRow("edit") << "edit";
    QTest::newRow("delete") << "delete";
    QTest::newRow("window load") << "load";
}

void TestSpheroidTab::catalogueDeleted() {
    QFETCH(QString, action);
    Window t;
    t.select(QStringLiteral("Airy 1830"));
    QVERIFY(QFile::remove(t.path));
    t.guard.expect(kGone, QStringLiteral("Quillmar"));
    if (action == QLatin1String("select")) {
        t.select(QStringLiteral("East 147"));
    } else if (action == QLatin1String("save")) {
        t.w->spheroidTab()->SSCommand2_clicked(); // disabled after a selection
    } else if (action == QLatin1String("edit")) {
        t.click("SSCommand3");
    } else if (action == QLatin1String("delete")) {
        t.click("SSCommand4");
    } else {
        MenuFrm other(t.state);
        QVERIFY(!other.Load());
    }
    QVERIFY_GUARD(t.guard);
    QCOMPARE(t.terminations, 1);
    QVERIFY(!QFile::exists(t.path)); // nothing was created in its place
}

void TestSpheroidTab::keyboardOrder_data() {
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QStringList>("order");
    const QStringList fields{"txt_name", "txt_major", "txt_ecc", "txt_scale",
                             "txt_fe",   "txt_fn",    "txt_orig", "txt_cm"};
    // Disabled buttons are skipped.
    QTest::newRow("window loaded")
        << false << QStringList{"List1", "SSCommand1", "SSCommand2", "SSCommand5"} + fields;
    QTest::newRow("entry selected") << true
                                    << QStringList{"List1", "SSCommand1", "SSCommand3", "SSCommand4",
                                                   "SSCommand5"} + fields;
}

void TestSpheroidTab::keyboardOrder() {
    QFETCH(bool, selected);
    QFETCH(QStringList, order);
    Window t;
    if (selected)
        t.select(QStringLiteral("Airy 1830"));
    QApplication::setActiveWindow(t.w.get());
    t.list()->setFocus();
    QStringList seen{t.w->focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(t.w->focusWidget(), Qt::Key_Tab);
        seen << t.w->focusWidget()->objectName();
    }
    QCOMPARE(seen, order);
    // Regression: focus on the list selects nothing and loads nothing.
    QCOMPARE(t.buttons(), QString::fromLatin1(selected ? "-EE" : "E--"));
    QCOMPARE(t.get("txt_name")->text(), QString::fromLatin1(selected ? "Airy 1830" : ""));
    QVERIFY_GUARD(t.guard);
}

// Edit refuses a field that is not a number; nothing is written and the
// fields stay for correction.
void TestSpheroidTab::editRefusesNonNumber() {
    Window t;
    t.select(QStringLiteral("Airy 1830"));
    const QByteArray before = digest(t.path);
    t.type("txt_scale", QStringLiteral("one"));
    t.guard.expect(QStringLiteral("Scale Factor must be a number. Nothing was saved."));
    t.click("SSCommand3");
    QVERIFY_GUARD(t.guard);
    QCOMPARE(digest(t.path), before);
    QCOMPARE(t.get("txt_scale")->text(), QStringLiteral("one"));
    QCOMPARE(t.get("txt_name")->text(), QStringLiteral("Airy 1830"));
    QCOMPARE(t.buttons(), QStringLiteral("-EE"));
}

// Regression: the row the list makes current on gaining focus is loaded
// only when the user selects it, and then once (one box, not two).
void TestSpheroidTab::listFocusThenSelection() {
    Window t({row(1, QStringLiteral("No meridian"), QStringLiteral("0 N"), QString()),
              row(2, QStringLiteral("East 147"), QStringLiteral("0 N"), QStringLiteral("147 E"))});
    t.type("txt_name", QStringLiteral("Typed, not saved"));
    QApplication::setActiveWindow(t.w.get());
    t.list()->setFocus(Qt::TabFocusReason);
    QCOMPARE(t.get("txt_name")->text(), QStringLiteral("Typed, not saved"));
    QCOMPARE(t.buttons(), QStringLiteral("E--"));
    t.guard.expect(kNoMeridian);
    t.select(QStringLiteral("No meridian"));
    QVERIFY_GUARD(t.guard);
    // The keyboard selects as well.
    QTest::keyClick(t.list(), Qt::Key_Down);
    QCOMPARE(t.get("txt_name")->text(), QStringLiteral("East 147"));
    QCOMPARE(int(t.state.params.central_meridian), 147);
    QVERIFY_GUARD(t.guard);
}

QTEST_MAIN(TestSpheroidTab)
#include "tst_spheroidtab.moc"
