// The Spheroid tab driven through a real conversion window and a real
// catalogue file. Every message box is checked for text, title and buttons.
#include "spheroidtab.h"
#include "tabwindow.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QTabWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <optional>
#include <vector>

using namespace testcat;

namespace {

const QString kNoMeridian = QStringLiteral("You must now enter the Central Meridian. e.g. 3 W");
const QString kMajor = QStringLiteral("Enter semi major axis.");
const QString kMeridianFormat =
    QStringLiteral("The central meridian must be whole degrees followed by E or W, e.g. 3 W.");
const char* const kFields[] = {"txt_name", "txt_major", "txt_ecc", "txt_scale",
                               "txt_fe",   "txt_fn",    "txt_orig", "txt_cm"};

Row row(qint64 key, const char* name, const char* lat, const char* meridian,
        const QVariant& sma = 6378137.0) {
    return {key, key, name, meridian, lat, sma};
}

struct Window : TabWindow {
    // The standard catalogue unless rows are given.
    explicit Window(const QList<Row>& rows = {row(1, "Airy 1830", "49 N", "2 W", 6377563.396),
                                              row(2, "South 30", "30 S", "3 w"),
                                              row(3, "No meridian", "10 N", ""),
                                              row(4, "East 147", "0 N", "147 E"),
                                              row(5, "Lat without blank", "20N", "9 E")})
        : TabWindow(rows) {}
    QString text(const QString& field) { return get(field)->text(); }
    QStringList fields() {
        QStringList out;
        for (const char* f : kFields)
            out << text(f);
        return out;
    }
    // The parameter set in force and the selected key, in one line.
    QString params() {
        const geo::ProjectionParams& p = state.params;
        auto n = [](double x) { return QString::number(x, 'f', QLocale::FloatingPointShortest); };
        return QStringLiteral("%1 %2 %3 %4 %5 lat %6 cm %7 %8 ref %9")
            .arg(n(p.major_axis), n(p.ecc_squared), n(p.scale_factor), n(p.false_easting),
                 n(p.false_northing), QString::number(p.origin_lat),
                 QString::number(p.central_meridian), state.central_meridian_letter,
                 state.SelectedRef ? QString::number(*state.SelectedRef) : "none");
    }
    // A new entry whose numbers and latitude of origin are all valid.
    void fill(const QString& name) {
        type("txt_name", name);
        type("txt_major", "6378137");
        for (const char* f : {"txt_ecc", "txt_scale", "txt_fe", "txt_fn"})
            type(f, "1");
        type("txt_orig", "0 N");
        type("txt_cm", "3 E");
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
};

} // namespace

class TestSpheroidTab : public QObject {
    Q_OBJECT

  private slots:
    void select_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sma");
        QTest::addColumn<QString>("lat"); // txt_orig and txt_cm as shown
        QTest::addColumn<QString>("cm");
        QTest::addColumn<QString>("params"); // after the five numbers
        QTest::newRow("west meridian, north origin")
            << "Airy 1830" << "6377563.396" << "49 N" << "2 W" << "lat 49 cm -2 W ref 1";
        // The stored lower-case letter shows upper-cased; the text is not rewritten.
        QTest::newRow("lower-case west, south origin")
            << "South 30" << "6378137" << "30 S" << "3 W" << "lat -30 cm -3 W ref 2";
        QTest::newRow("east meridian")
            << "East 147" << "6378137" << "0 N" << "147 E" << "lat 0 cm 147 E ref 4";
        // A Lat text without a blank leaves origin_lat as it was (0 here).
        QTest::newRow("latitude of origin without blank")
            << "Lat without blank" << "6378137" << "20N" << "9 E" << "lat 0 cm 9 E ref 5";
    }
    void select() {
        QFETCH(QString, name);
        QFETCH(QString, sma);
        QFETCH(QString, lat);
        QFETCH(QString, cm);
        QFETCH(QString, params);
        Window t;
        t.select(name);
        const QString wgs = "0.006694379990141 0.9996 500000 0";
        QCOMPARE(t.fields(), (QStringList{name, sma} + wgs.split(' ') + QStringList{lat, cm}));
        QCOMPARE(t.params(), sma + ' ' + wgs + ' ' + params);
        QCOMPARE(t.state.central_meridian_text, cm);
        QCOMPARE(t.buttons(), "-EE");
        QVERIFY_GUARD(t.guard);
    }

    void buttonStates_data() {
        QTest::addColumn<QString>("steps"); // actions separated by ","
        QTest::addColumn<QString>("expected");
        QTest::newRow("window loaded") << "" << "E--";
        QTest::newRow("edit before any selection does nothing") << "edit" << "E--";
        QTest::newRow("delete before any selection does nothing") << "delete" << "E--";
        QTest::newRow("after a selection") << "select" << "-EE";
        // Regression rows: after a selection Save never came back, so a new
        // projection could only be typed over the selected entry with Edit.
        // Clear details now starts a new entry; a saved entry is selected.
        QTest::newRow("after save the new entry is selected") << "fill,save" << "-EE";
        QTest::newRow("after edit") << "select,edit" << "---";
        QTest::newRow("after delete") << "select,delete" << "---";
        QTest::newRow("semi major axis refusal leaves them") << "major0,save" << "E--";
        QTest::newRow("clear details leaves them (loaded)") << "clear" << "E--";
        QTest::newRow("clear details starts a new entry") << "select,clear" << "E--";
        QTest::newRow("clear details, then save") << "select,clear,fill,save" << "-EE";
        QTest::newRow("selection after save enables edit") << "fill,save,select" << "-EE";
        QTest::newRow("save never comes back") << "select,edit,select,delete" << "---";
    }
    void buttonStates() {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        Window t;
        SpheroidTab* tab = t.w->spheroidTab();
        // Edit and Delete are disabled before a selection, so their handlers
        // are called directly: they must do nothing either.
        const std::map<QString, std::function<void()>> step{
            {"select", [&] { t.select("East 147"); }},
            {"fill", [&] { t.fill("Typed"); }},
            {"major0",
             [&] {
                 t.type("txt_major", "0");
                 t.guard.expect(kMajor, "True", QMessageBox::Ok | QMessageBox::Cancel);
             }},
            {"save", [&] { t.click("SSCommand2"); }},
            {"edit", [&] { tab->SSCommand3_clicked(); }},
            {"delete", [&] { tab->SSCommand4_clicked(); }},
            {"clear", [&] { t.click("SSCommand1"); }},
        };
        for (const QString& s : steps.split(',', Qt::SkipEmptyParts))
            step.at(s)();
        QCOMPARE(t.buttons(), expected);
        QVERIFY_GUARD(t.guard);
    }

    void centralMeridianRule_data() {
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
        QTest::newRow("degrees beyond 16 bits refused")
            << "40000 E" << "40000 E" << -7 << "W" << true;
    }
    void centralMeridianRule() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, cm);
        QFETCH(QString, letter);
        QFETCH(bool, refused);
        Window t;
        t.type("txt_cm", "7 w");
        t.leaveCm();
        QCOMPARE(t.text("txt_cm"), "7 W");
        QCOMPARE(t.state.params.central_meridian, -7);
        t.type("txt_cm", typed);
        QCOMPARE(t.state.central_meridian_text, typed.toUpper());
        if (refused)
            t.guard.expect(kMeridianFormat);
        t.leaveCm();
        QCOMPARE(t.text("txt_cm"), shown);
        QCOMPARE(t.state.central_meridian_text, shown);
        QCOMPARE(t.state.params.central_meridian, cm);
        QCOMPARE(t.state.central_meridian_letter, letter);
        QVERIFY_GUARD(t.guard);
    }

    void entryWithoutMeridian() {
        Window t;
        t.select("Airy 1830");
        t.guard.expect(kNoMeridian, "Quillmar");
        t.select("No meridian");
        QVERIFY_GUARD(t.guard);
        // The offscreen platform does not hand activation back after a box, so
        // the window's own focus widget is what the user gets back.
        QCOMPARE(t.w->focusWidget(), t.get("txt_cm"));
        QCOMPARE(t.fields().mid(6), (QStringList{"10 N", ""}));
        // Clear_Details reset the meridian; origin_lat is not taken from this entry.
        QCOMPARE(t.params(), "6378137 0.006694379990141 0.9996 500000 0 lat 49 cm 0  ref 3");
        QCOMPARE(t.buttons(), "-EE");
        QTest::keyClicks(t.get("txt_cm"), "3 w");
        t.leaveCm();
        QCOMPARE(t.text("txt_cm"), "3 W");
        QCOMPARE(t.state.params.central_meridian, -3);
    }

    // A click on the entry already selected loads it again after Clear details.
    void clearDetailsThenSameEntryAgain() {
        Window t;
        t.select("Airy 1830");
        t.click("SSCommand1");
        QCOMPARE(t.fields(), QStringList(8));
        QCOMPARE(t.state.params.major_axis, 0.0);
        t.select("Airy 1830");
        QCOMPARE(t.text("txt_cm"), "2 W");
        QCOMPARE(t.state.params.major_axis, 6377563.396);
        QVERIFY_GUARD(t.guard);
    }

    void refused_data() {
        QTest::addColumn<bool>("edit");       // Edit of East 147, else Save of a new entry
        QTest::addColumn<QString>("setup");   // "locked" file, or row "deleted" behind its back
        QTest::addColumn<QString>("field");   // typed last, over valid texts
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: the store's own report
        QTest::addColumn<int>("press");       // on the axis box
        const int ok = QMessageBox::Ok, cancel = QMessageBox::Cancel;
        // The axis is checked first: nothing but the name and the axis is typed.
        QTest::newRow("axis empty, OK") << false << "" << "txt_major" << "" << kMajor << ok;
        QTest::newRow("axis empty, Cancel") << false << "" << "txt_major" << "" << kMajor << cancel;
        QTest::newRow("axis zero") << false << "" << "txt_major" << "0.000" << kMajor << cancel;
        QTest::newRow("axis unit without number") << false << "" << "txt_major" << "m 6378137"
                                                  << kMajor << ok;
        // Regression rows: a leading number is enough for the axis check, but
        // no field may reach the catalogue unless it is a number.
        const QString nan = QStringLiteral("%1 must be a number. Nothing was saved.");
        QTest::newRow("axis with unit") << false << "" << "txt_major" << "6377563 m"
                                        << nan.arg("Semi Major Axis") << ok;
        QTest::newRow("empty eccentricity") << false << "" << "txt_ecc" << ""
                                            << nan.arg("Eccentricity ^2") << ok;
        QTest::newRow("scale with comma") << false << "" << "txt_scale" << "0,9996"
                                          << nan.arg("Scale Factor") << ok;
        QTest::newRow("easting letters") << false << "" << "txt_fe" << "abc"
                                         << nan.arg("False Easting") << ok;
        QTest::newRow("northing with unit") << false << "" << "txt_fn" << "0 m"
                                            << nan.arg("False Northing") << ok;
        QTest::newRow("edit: scale not a number") << true << "" << "txt_scale" << "one"
                                                  << nan.arg("Scale Factor") << ok;
        // Regression rows: an origin or meridian that no conversion can read
        // was stored, giving an entry that selects but cannot be used.
        const QString origin = "Latitude of Origin must be degrees, a blank and N or S (e.g. 49 N "
                               "or 53.5 N), or a signed number. Nothing was saved.";
        const QString meridian =
            "Central Meridian must be whole degrees, a blank and E or W, e.g. 3 W. Nothing was saved.";
        QTest::newRow("origin letter without blank") << false << "" << "txt_orig" << "49X" << origin
                                                     << ok;
        QTest::newRow("origin empty") << false << "" << "txt_orig" << "" << origin << ok;
        QTest::newRow("origin beyond 90")
            << false << "" << "txt_orig" << "90.5 S"
            << "Latitude of Origin must lie between 90 S and 90 N. Nothing was saved." << ok;
        QTest::newRow("meridian of one character") << false << "" << "txt_cm" << "5" << meridian
                                                   << ok;
        QTest::newRow("edit: origin not a number") << true << "" << "txt_orig" << "NORTH N" << origin
                                                   << ok;
        // Regression rows: a second entry of a name could not be selected,
        // and Delete on it removed the first.
        const QString taken = "Another entry is already named \"%1\" (names are compared ignoring "
                              "case). Nothing was saved.";
        QTest::newRow("save: name taken, case ignored") << false << "" << "txt_name" << "AIRY 1830"
                                                        << taken.arg("Airy 1830") << ok;
        QTest::newRow("edit: renamed to another's name") << true << "" << "txt_name" << "south 30"
                                                         << taken.arg("South 30") << ok;
        // Regression rows: a store failure is reported, and the file, the
        // list and the fields stay for another try.
        QTest::newRow("save: catalogue locked") << false << "locked" << "" << "" << "" << ok;
        QTest::newRow("edit: entry deleted behind the window's back")
            << true << "deleted" << "" << ""
            << "The entry is no longer in the catalogue, so it was not changed. Select it again "
               "or save it as a new entry."
            << ok;
    }
    void refused() {
        QFETCH(bool, edit);
        QFETCH(QString, setup);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, press);
        Window t;
        const QString name = edit ? "East 147" : "New";
        if (edit)
            t.select(name);
        else if (message == kMajor)
            t.type("txt_name", name);
        else
            t.fill(name);
        if (!field.isEmpty())
            t.type(field, text);
        std::optional<Raw> holder;
        if (setup == "locked") {
            holder.emplace(t.path);
            holder->run("BEGIN EXCLUSIVE");
            try {
                catalogue::CatalogueStore(t.path).NextKey();
            } catch (const catalogue::StoreError& e) {
                message = e.message();
            }
            QVERIFY(!message.isEmpty());
        } else if (setup == "deleted") {
            Raw(t.path).run("DELETE FROM Spheroid WHERE ref = 4");
        }
        const QByteArray before = digest(t.path);
        if (message == kMajor)
            t.guard.expect(kMajor, "True", QMessageBox::Ok | QMessageBox::Cancel,
                           QMessageBox::StandardButton(press));
        else
            t.guard.expect(message, "Quillmar", QMessageBox::Ok);
        t.get("txt_name")->setFocus();
        t.click(edit ? "SSCommand3" : "SSCommand2");
        QVERIFY_GUARD(t.guard);
        QCOMPARE(digest(t.path), before);
        QCOMPARE(t.terminations, 0);
        QCOMPARE(t.names().size(), 5);
        if (field != "txt_name")
            QCOMPARE(t.text("txt_name"), name);
        if (!field.isEmpty())
            QCOMPARE(t.text(field), text);
        if (message == kMajor)
            QCOMPARE(t.w->focusWidget(), t.get("txt_major"));
        QCOMPARE(t.buttons(), edit ? "-EE" : "E--");
        QCOMPARE(t.state.SelectedRef.has_value(), edit);
    }

    void saveAddsAtEnd() {
        Window t;
        const QStringList typed{"Bessel test", "6377397.155", "0.006674372231802", "1",
                                "3500000",     "0",           "0 N",               "9 E"};
        for (int i = 0; i < 8; ++i)
            t.type(kFields[i], typed[i]);
        t.leaveCm();
        const QString params = t.params();
        t.click("SSCommand2");
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.names().size(), 6);
        QCOMPARE(t.names().last(), "Bessel test");
        // The new entry is selected, in view and in force at once.
        QCOMPARE(t.list()->selectedItems().size(), 1);
        QCOMPARE(t.list()->selectedItems().first()->text(), "Bessel test");
        QCOMPARE(t.buttons(), "-EE");
        QCOMPARE(t.fields(), typed);
        QCOMPARE(t.params(), "6377397.155 0.006674372231802 1 3500000 0 lat 0 cm 9 E ref 6");
        QVERIFY(params != t.params());
        t.select("Bessel test");
        QCOMPARE(t.fields(), typed);
        QCOMPARE(t.params(), "6377397.155 0.006674372231802 1 3500000 0 lat 0 cm 9 E ref 6");
    }

    // Regression: a renamed entry shows its new name at once.
    void editRefreshesList() {
        Window t;
        t.select("South 30");
        const QString params = t.params();
        t.type("txt_name", "South thirty");
        t.type("txt_fe", "600000");
        t.click("SSCommand3");
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.names(), (QStringList{"Airy 1830", "South thirty", "No meridian", "East 147",
                                         "Lat without blank"}));
        QCOMPARE(t.fields(), QStringList(8));
        QCOMPARE(t.buttons(), "---");
        QCOMPARE(t.params(), params); // until it is selected again
        t.select("South thirty");
        QCOMPARE(t.text("txt_fe"), "600000");
        QCOMPARE(t.params(), QString(params).replace(" 500000 ", " 600000 "));
    }

    void deleteEntry() {
        Window t;
        t.select("South 30");
        const QStringList shown = t.fields();
        const QString params = t.params();
        t.click("SSCommand4");
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.names(),
                 (QStringList{"Airy 1830", "No meridian", "East 147", "Lat without blank"}));
        QCOMPARE(catalogue::CatalogueStore(t.path).ListNames(), t.names());
        QCOMPARE(t.fields(), shown);
        QCOMPARE(t.params(), params);
        QCOMPARE(t.buttons(), "---");
    }

    // An entry that cannot be read is reported, and the window stays usable.
    void selectFails_data() {
        QTest::addColumn<QVariant>("sma");
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QString>("meridian");
        QTest::addColumn<QString>("message");
        const QVariant ok = 6378137.0;
        const QString bad = "This entry cannot be used for conversions until it is corrected:\n";
        // The row is deleted after the list was filled.
        QTest::newRow("name no longer in the catalogue")
            << ok << "0 N" << "3 W" << "\"Bad\" is no longer in the catalogue.";
        QTest::newRow("axis is text") << QVariant("abc") << "0 N" << "3 W"
                                      << bad + "Semi Major Axis is not a number.";
        QTest::newRow("axis is empty") << QVariant(QMetaType::fromType<double>()) << "0 N" << "3 W"
                                       << bad + "Semi Major Axis is not a number.";
        QTest::newRow("meridian degrees not a number") << ok << "0 N" << "X W"
                                                       << bad + kMeridianFormat;
        QTest::newRow("origin degrees not a number")
            << ok << "north N" << "3 W"
            << bad + "The latitude of origin must be whole degrees followed by N or S, e.g. 49 N.";
    }
    void selectFails() {
        QFETCH(QVariant, sma);
        QFETCH(QString, lat);
        QFETCH(QString, meridian);
        QFETCH(QString, message);
        Window t({row(1, "Good", "49 N", "2 W"), {2, 2, "Bad", meridian, lat, sma}});
        const bool gone = message.endsWith("no longer in the catalogue.");
        if (gone)
            Raw(t.path).run("DELETE FROM Spheroid WHERE name = 'Bad'");
        t.select("Good");
        t.guard.expect(message);
        t.select("Bad");
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.text("txt_name"), gone ? "" : "Bad");
        // Regression: Edit and Delete must not act on the entry shown before.
        QCOMPARE(t.buttons(), gone ? "---" : "-EE");
        t.select("Good");
        QCOMPARE(t.text("txt_cm"), "2 W");
        QCOMPARE(t.params(), "6378137 0.006694379990141 0.9996 500000 0 lat 49 cm -2 W ref 1");
        QCOMPARE(t.buttons(), "-EE");
        QVERIFY_GUARD(t.guard);
    }

    // Regression: after an entry that cannot be used, or a typed meridian
    // that did not read, the tabs converted with the values left over (a
    // scale of 0 put every point at the false origin).
    void unusableSetRefuses_data() {
        QTest::addColumn<QString>("fault");     // scale, meridian (in the entry) or typed
        QTest::addColumn<QString>("selection"); // the selection's report
        QTest::addColumn<QString>("message");   // every tab's refusal
        const QString bad = "This entry cannot be used for conversions until it is corrected:\n";
        const QString scale = "Scale Factor is not a number.";
        QTest::newRow("entry scale is text")
            << "scale" << bad + scale
            << bad + scale + "\nCorrect it on the Spheroid tab, click Edit, then select it again.";
        QTest::newRow("entry meridian does not read") << "meridian" << bad + kMeridianFormat
                                                      << kMeridianFormat;
        QTest::newRow("typed meridian does not read") << "typed" << kMeridianFormat
                                                      << kMeridianFormat;
    }
    void unusableSetRefuses() {
        QFETCH(QString, fault);
        QFETCH(QString, selection);
        QFETCH(QString, message);
        Window t({row(1, "Good", "49 N", "2 W", 6377563.396),
                  row(2, "Bad", "49 N", fault == "meridian" ? "X W" : "2 W", 6377563.396)});
        if (fault == "scale")
            Raw(t.path).run("UPDATE Spheroid SET Scale = 'one' WHERE name = 'Bad'");
        if (fault == "typed") {
            t.select("Good");
            t.type("txt_cm", "ab w");
            t.guard.expect(selection);
            t.leaveCm();
        } else {
            t.guard.expect(selection);
            t.select("Bad");
        }
        QVERIFY_GUARD(t.guard);
        auto* tabs = t.get<QTabWidget>("SSTab1");
        const struct {
            int tab;
            const char* button;
            QStringList fields, texts, results;
        } tabsToTry[] = {
            {2, "cmd_convert", {"txt_lat_deg", "txt_ns", "txt_long_deg", "txt_ew"},
             {"52", "N", "1", "W"}, {"txt_easting", "txt_northing"}},
            {1, "Command1", {"txt_east", "txt_north"}, {"468643.108", "234025.790"},
             {"txt_lat", "txt_long"}},
            {3, "cmd_calc", {"txt_lat_deg1", "txt_long_deg1", "txt_lat_deg2", "txt_long_deg2"},
             {"52", "1", "52", "3"}, {"lbl_kms", "lbl_miles"}}};
        auto shown = [&](const QString& name) {
            if (auto* l = t.w->findChild<QLabel*>(name))
                return l->text();
            return t.text(name);
        };
        for (const auto& k : tabsToTry) {
            tabs->setCurrentIndex(k.tab);
            for (int i = 0; i < k.fields.size(); ++i)
                t.get(k.fields[i])->setText(k.texts[i]);
            t.guard.expect(message);
            t.click(k.button);
            QVERIFY_GUARD(t.guard);
            for (const QString& r : k.results)
                QCOMPARE(shown(r), QString());
        }
        // Mended by a selection, or for a typed meridian by the rule itself.
        tabs->setCurrentIndex(0);
        if (fault == "typed") {
            t.type("txt_cm", "2 w");
            t.leaveCm();
        } else {
            t.select("Good");
        }
        tabs->setCurrentIndex(2);
        t.get("txt_lat_deg")->setText("52");
        t.get("txt_long_deg")->setText("1");
        t.click("cmd_convert");
        QVERIFY(!t.text("txt_easting").isEmpty());
        QVERIFY(!t.text("txt_northing").isEmpty());
        QVERIFY_GUARD(t.guard);
    }

    // Regression: nothing on a working tab said which parameter set was in force.
    void parameterSetShown_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none yet") << "" << "Parameter set: none selected";
        QTest::newRow("selected") << "select" << "Parameter set: Airy 1830";
        QTest::newRow("cleared") << "select,clear" << "Parameter set: none selected";
        QTest::newRow("meridian typed by hand") << "clear,type"
                                                << "Parameter set: typed by hand, none selected";
        QTest::newRow("meridian that does not read")
            << "select,bad" << "Parameter set: Airy 1830 (cannot be used)";
    }
    void parameterSetShown() {
        QFETCH(QString, steps);
        Window t;
        for (const QString& step : steps.split(',', Qt::SkipEmptyParts)) {
            if (step == "select") {
                t.select("Airy 1830");
            } else if (step == "clear") {
                t.click("SSCommand1");
            } else {
                t.type("txt_cm", step == "type" ? "2 w" : "ab w");
                if (step == "bad")
                    t.guard.expect(kMeridianFormat);
                t.leaveCm();
            }
        }
        auto* tabs = t.get<QTabWidget>("SSTab1");
        for (int tab : {1, 2, 3}) {
            tabs->setCurrentIndex(tab);
            for (const char* label : {"lbl_active_g2l", "lbl_active_g2g", "lbl_active_dist"})
                QTEST(t.get<QLabel>(label)->text(), "shown");
        }
        QVERIFY_GUARD(t.guard);
    }

    void catalogueDeleted_data() {
        QTest::addColumn<QString>("action");
        for (const char* a : {"select", "save", "edit", "delete", "window load"})
            QTest::newRow(a) << QString(a);
    }
    void catalogueDeleted() {
        QFETCH(QString, action);
        Window t;
        t.select("Airy 1830");
        QVERIFY(QFile::remove(t.path));
        t.guard.expect("Can't find database.", "Quillmar");
        if (action == "select")
            t.select("East 147");
        else if (action == "save")
            t.w->spheroidTab()->SSCommand2_clicked(); // disabled after a selection
        else if (action == "edit")
            t.click("SSCommand3");
        else if (action == "delete")
            t.click("SSCommand4");
        else
            QVERIFY(!ConversionWindow(t.state).Load());
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.terminations, 1);
        QVERIFY(!QFile::exists(t.path)); // nothing was created in its place
    }

    // Regression rows: a click on any entry of a large catalogue loads it,
    // also at once after the window opened (a list laid out in batches
    // dropped such clicks until it had measured every name).
    void largeCatalogue_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("first of 1000") << 0;
        QTest::newRow("beyond the first batch") << 150;
        QTest::newRow("last of 1000") << 999;
    }
    void largeCatalogue() {
        QFETCH(int, index);
        Window t(QList<Row>{});
        std::vector<catalogue::EntryTexts> entries;
        for (int i = 0; i < 1000; ++i)
            entries.push_back(texts(QStringLiteral("Grid %1").arg(i, 4, 10, QLatin1Char('0')),
                                    QStringLiteral("%1 E").arg(i % 170 + 1)));
        catalogue::CatalogueStore(t.path).SaveEntries(entries);
        QVERIFY(t.w->spheroidTab()->Load());
        QCOMPARE(t.list()->count(), 1000);
        QListWidgetItem* item = t.list()->item(index);
        QCOMPARE(item->text(), entries[size_t(index)].name);
        t.select(item->text());
        QCOMPARE(t.fields(), (QStringList{entries[size_t(index)].name, "6378137",
                                          "0.006694379990141", "0.9996", "500000", "0", "0 N",
                                          entries[size_t(index)].meridian}));
        QCOMPARE(t.state.SelectedRef, std::optional<qint64>(index + 1));
        QVERIFY_GUARD(t.guard);
    }

    // The rows share one size, found without measuring every name: the
    // widest name must still fit, whether it is the longest or a short one
    // in a wide script, in a list short enough to measure every name or not.
    void namesFit_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("widest");
        const QString longName = QStringLiteral("Clarke 1880 (RGS) / UTM zone 37S, Kenya, Tanzania");
        QTest::newRow("25 names, the longest last") << 25 << 24 << longName;
        QTest::newRow("1000 names, the longest in the middle") << 1000 << 500 << longName;
        QTest::newRow("1000 names, a short CJK name the widest")
            << 1000 << 700 << QStringLiteral("東京測地系平面直角座標系第九系");
    }
    void namesFit() {
        QFETCH(int, count);
        QFETCH(int, at);
        QFETCH(QString, widest);
        Window t(QList<Row>{});
        std::vector<catalogue::EntryTexts> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back(texts(i == at ? widest : QStringLiteral("Grid %1").arg(i, 4, 10, QLatin1Char('0')),
                                    QStringLiteral("3 E")));
        catalogue::CatalogueStore(t.path).SaveEntries(entries);
        QVERIFY(t.w->spheroidTab()->Load());
        QListWidget* list = t.list();
        const QFontMetrics fm(list->font());
        list->scrollToItem(list->item(at));
        const QRect r = list->visualItemRect(list->item(at));
        QVERIFY2(r.width() > fm.horizontalAdvance(widest),
                 qPrintable(QString("row %1 wide, name %2").arg(r.width()).arg(fm.horizontalAdvance(widest))));
        QVERIFY(r.height() >= fm.height());
        QVERIFY_GUARD(t.guard);
    }

    // Regression: the row the list makes current on gaining focus is loaded
    // only when the user selects it, and then once (one box, not two).
    void listFocusThenSelection() {
        Window t({row(1, "No meridian", "0 N", ""), row(2, "East 147", "0 N", "147 E")});
        t.type("txt_name", "Typed, not saved");
        QApplication::setActiveWindow(t.w.get());
        t.list()->setFocus(Qt::TabFocusReason);
        QCOMPARE(t.text("txt_name"), "Typed, not saved");
        QCOMPARE(t.buttons(), "E--");
        t.guard.expect(kNoMeridian);
        t.select("No meridian");
        QVERIFY_GUARD(t.guard);
        // The keyboard selects as well.
        QTest::keyClick(t.list(), Qt::Key_Down);
        QCOMPARE(t.text("txt_name"), "East 147");
        QCOMPARE(t.state.params.central_meridian, 147);
        QVERIFY_GUARD(t.guard);
    }
};

QTEST_MAIN(TestSpheroidTab)
#include "tst_spheroidtab.moc"
