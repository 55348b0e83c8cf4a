// The Spheroid tab driven through a real conversion window and a real
// catalogue file. Every message box is checked for text, title and buttons.
#include "entryparams.h"
#include "conversions.h"
#include "registrydialog.h"
#include "spheroidtab.h"
#include "tabwindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QTabWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <vector>

using namespace testcat;

namespace {

const QString kNoMeridian = QStringLiteral("You must now enter the Central Meridian. e.g. 3 W");
const QString kMajor = QStringLiteral("Enter semi major axis.");
const QString kMeridianFormat = QString::fromUtf8(numtext::kMeridianForm);
const QString kMeridianRange = QString::fromUtf8(numtext::kMeridianRange);
const QString kDelete = QStringLiteral("Delete %1 from the catalogue?");
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
    // The parameter set in force (the values every conversion uses) and the
    // selected key, in one line.
    QString params() {
        const auto& r = state.parameters.reading();
        const auto ref = state.parameters.selectedRef();
        const QString key = QStringLiteral(" ref %1").arg(ref ? QString::number(*ref) : "none");
        if (!r.values)
            return (r.meridianEmpty ? QStringLiteral("no meridian") : QStringLiteral("unusable")) + key;
        const numtext::ParameterNumbers& p = *r.values;
        auto n = [](double x) { return QString::number(x, 'f', QLocale::FloatingPointShortest); };
        return QStringLiteral("%1 %2 %3 %4 %5 lat %6 cm %7")
                   .arg(n(p.a), n(p.e2), n(p.k0), n(p.fe), n(p.fn), n(p.lat0), n(p.lon0)) +
               key;
    }
    // Answers the Delete question.
    void remove(const QString& name, QMessageBox::StandardButton press = QMessageBox::Yes) {
        guard.expect(kDelete.arg(name), "Quillmar", QMessageBox::Yes | QMessageBox::No, press);
        click("SSCommand4");
    }
    // A new entry whose numbers and latitude of origin are all valid.
    void fill(const QString& name) {
        type("txt_name", name);
        type("txt_major", "6378137");
        type("txt_ecc", "0.00669438");
        for (const char* f : {"txt_scale", "txt_fe", "txt_fn"})
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
            << "Airy 1830" << "6377563.396" << "49 N" << "2 W" << "lat 49 cm -2 ref 1";
        // The stored lower-case letter shows upper-cased; the text is not rewritten.
        QTest::newRow("lower-case west, south origin")
            << "South 30" << "6378137" << "30 S" << "3 W" << "lat -30 cm -3 ref 2";
        QTest::newRow("east meridian")
            << "East 147" << "6378137" << "0 N" << "147 E" << "lat 0 cm 147 ref 4";
        // Changed on purpose: "20N" reads as 20 N (it left the origin of the
        // previous selection in force for the forward conversion).
        QTest::newRow("latitude of origin without blank")
            << "Lat without blank" << "6378137" << "20N" << "9 E" << "lat 20 cm 9 ref 5";
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
        QCOMPARE(t.state.parameters.text(catalogue::ParameterSet::Field::Meridian), cm);
        QCOMPARE(t.buttons(), "-EE");
        QVERIFY_GUARD(t.guard);
    }

    void buttonStates_data() {
        QTest::addColumn<QString>("steps"); // actions separated by ","
        QTest::addColumn<QString>("expected");
        // Save is offered for a name no entry has (case ignored); Edit and
        // Delete for a selected entry.
        QTest::newRow("window loaded, no name") << "" << "---";
        QTest::newRow("edit before any selection does nothing") << "edit" << "---";
        QTest::newRow("delete before any selection does nothing") << "delete" << "---";
        QTest::newRow("after a selection") << "select" << "-EE";
        QTest::newRow("a new name typed") << "fill" << "E--";
        QTest::newRow("after save the new entry is selected") << "fill,save" << "-EE";
        // Regression rows: Edit emptied the fields and dropped the selection;
        // a selected entry could not be saved under a new name.
        QTest::newRow("after edit the entry stays selected") << "select,edit" << "-EE";
        QTest::newRow("selected entry given a new name") << "select,rename" << "EEE";
        QTest::newRow("selected entry renamed to another's name, case ignored")
            << "select,rename to taken" << "-EE";
        QTest::newRow("after delete nothing is selected") << "select,delete" << "---";
        QTest::newRow("delete answered No keeps the entry") << "select,delete no" << "-EE";
        QTest::newRow("semi major axis refusal leaves them") << "fill,major0,save" << "E--";
        QTest::newRow("clear details (loaded)") << "clear" << "---";
        QTest::newRow("clear details starts a new entry") << "select,clear" << "---";
        QTest::newRow("clear details, then save") << "select,clear,fill,save" << "-EE";
        QTest::newRow("selection after save enables edit") << "fill,save,select" << "-EE";
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
            {"rename", [&] { t.type("txt_name", "East 147 copy"); }},
            {"rename to taken", [&] { t.type("txt_name", "south 30"); }},
            {"delete no", [&] { t.remove("East 147", QMessageBox::No); }},
            {"major0",
             [&] {
                 t.type("txt_major", "0");
                 t.guard.expect(kMajor, "True", QMessageBox::Ok | QMessageBox::Cancel);
             }},
            {"save", [&] { t.click("SSCommand2"); }},
            {"edit", [&] { tab->SSCommand3_clicked(); }},
            {"delete",
             [&] {
                 if (t.state.parameters.selectedRef())
                     t.remove("East 147");
                 else
                     tab->SSCommand4_clicked();
             }},
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
        QTest::addColumn<double>("cm"); // in force afterwards; NaN: nothing can be used
        QTest::addColumn<QString>("message");
        const double none = std::nan("");
        // Each row starts from "7 W" entered and left.
        QTest::newRow("3w") << "3w" << "3 W" << -3.0 << "";
        QTest::newRow("3 and three blanks w") << "3   w" << "3 W" << -3.0 << "";
        QTest::newRow("east stays positive") << "15 e" << "15 E" << 15.0 << "";
        QTest::newRow("whole degrees keep every digit") << "177 E" << "177 E" << 177.0 << "";
        // Regression rows, each once wrong without a word: "15" became
        // "1 5" (1 E); 2.5 W became 2 W and 113.75 W 114 W; "5" left the
        // previous meridian in force; any letter but W counted as east.
        QTest::newRow("a number alone is east") << "15" << "15 E" << 15.0 << "";
        QTest::newRow("a signed number, west") << "-2" << "2 W" << -2.0 << "";
        QTest::newRow("fraction kept") << "2.5 W" << "2.5 W" << -2.5 << "";
        QTest::newRow("fraction kept, quarter degrees") << "113.75 w" << "113.75 W" << -113.75 << "";
        QTest::newRow("fraction without blank") << "3.5E" << "3.5 E" << 3.5 << "";
        QTest::newRow("single character") << "5" << "5 E" << 5.0 << "";
        QTest::newRow("empty unchanged") << "" << "" << none << "";
        QTest::newRow("other letter refused") << "12 x" << "12 X" << none << kMeridianFormat;
        QTest::newRow("minus with W refused") << "-3 W" << "-3 W" << none << kMeridianFormat;
        QTest::newRow("degrees split by a blank refused") << "1 5 E" << "1 5 E" << none
                                                          << kMeridianFormat;
        QTest::newRow("text after the letter refused") << "2 W extra" << "2 W EXTRA" << none
                                                       << kMeridianFormat;
        QTest::newRow("non-numeric degrees refused") << "ab w" << "AB W" << none
                                                     << kMeridianFormat;
        QTest::newRow("beyond 180 refused") << "200 E" << "200 E" << none << kMeridianRange;
    }
    void centralMeridianRule() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(double, cm);
        QFETCH(QString, message);
        Window t;
        t.select("Airy 1830");
        t.type("txt_cm", "7 w");
        t.leaveCm();
        QCOMPARE(t.text("txt_cm"), "7 W");
        QCOMPARE(t.state.parameters.reading().values->lon0, -7.0);
        t.type("txt_cm", typed);
        if (!message.isEmpty())
            t.guard.expect(message);
        t.leaveCm();
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.text("txt_cm"), shown);
        const auto& r = t.state.parameters.reading();
        if (std::isnan(cm)) {
            QVERIFY(!t.state.parameters.inForce().projection);
        } else {
            QVERIFY(t.state.parameters.inForce().projection);
            QCOMPARE(r.values->lon0, cm);
            QCOMPARE(t.state.parameters.inForce().projection->values().lon0, cm);
        }
        // A refused meridian keeps the focus, for the user to correct it.
        if (!message.isEmpty())
            QCOMPARE(t.w->focusWidget(), t.get("txt_cm"));
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
        QCOMPARE(t.params(), "no meridian ref 3");
        QCOMPARE(t.buttons(), "-EE");
        QTest::keyClicks(t.get("txt_cm"), "3 w");
        t.leaveCm();
        QCOMPARE(t.text("txt_cm"), "3 W");
        QCOMPARE(t.params(), "6378137 0.006694379990141 0.9996 500000 0 lat 10 cm -3 ref 3");
    }

    // A click on the entry already selected loads it again after Clear details.
    void clearDetailsThenSameEntryAgain() {
        Window t;
        t.select("Airy 1830");
        t.click("SSCommand1");
        QCOMPARE(t.fields(), QStringList(8));
        QCOMPARE(t.params(), "no meridian ref none");
        t.select("Airy 1830");
        QCOMPARE(t.text("txt_cm"), "2 W");
        QCOMPARE(t.state.parameters.reading().values->a, 6377563.396);
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
        // no field may reach the catalogue unless it reads by the rules every
        // conversion uses, physical ranges included (an axis below 0, e^2 of
        // 1.5, a scale of 0 and a meridian of 200 E were all stored).
        auto refusal = [](const char* rule) { return QString(rule) + " Nothing was saved."; };
        const QString axis = refusal("Semi Major Axis must be a number greater than 0.");
        const QString ecc = refusal("Eccentricity ^2 must be a number from 0 up to but not including 1.");
        const QString scale = refusal("Scale Factor must be a number greater than 0.");
        QTest::newRow("axis with unit") << false << "" << "txt_major" << "6377563 m" << axis << ok;
        QTest::newRow("axis below 0") << false << "" << "txt_major" << "-6378137" << axis << ok;
        QTest::newRow("empty eccentricity") << false << "" << "txt_ecc" << "" << ecc << ok;
        QTest::newRow("eccentricity 1.5") << false << "" << "txt_ecc" << "1.5" << ecc << ok;
        QTest::newRow("eccentricity 1") << false << "" << "txt_ecc" << "1" << ecc << ok;
        QTest::newRow("scale with comma") << false << "" << "txt_scale" << "0,9996" << scale << ok;
        QTest::newRow("scale 0") << false << "" << "txt_scale" << "0" << scale << ok;
        QTest::newRow("easting letters") << false << "" << "txt_fe" << "abc"
                                         << refusal("False Easting must be a number.") << ok;
        QTest::newRow("northing with unit") << false << "" << "txt_fn" << "0 m"
                                            << refusal("False Northing must be a number.") << ok;
        QTest::newRow("edit: scale not a number") << true << "" << "txt_scale" << "one" << scale << ok;
        QTest::newRow("edit: name blank") << true << "" << "txt_name" << "  "
                                          << refusal("Name must not be blank.") << ok;
        // Regression rows: an origin or meridian that no conversion can read
        // was stored, giving an entry that selects but cannot be used.
        const QString origin = refusal(numtext::kOriginForm.data());
        const QString meridian = refusal(numtext::kMeridianForm.data());
        QTest::newRow("origin other letter") << false << "" << "txt_orig" << "49X" << origin << ok;
        QTest::newRow("origin in degrees and minutes") << false << "" << "txt_orig" << "53 30 N"
                                                       << origin << ok;
        QTest::newRow("origin empty") << false << "" << "txt_orig" << "" << origin << ok;
        QTest::newRow("origin beyond 90") << false << "" << "txt_orig" << "90.5 S"
                                          << refusal(numtext::kOriginRange.data()) << ok;
        QTest::newRow("meridian split by a blank") << false << "" << "txt_cm" << "1 5 E" << meridian
                                                   << ok;
        QTest::newRow("meridian beyond 180") << false << "" << "txt_cm" << "200 E"
                                             << refusal(numtext::kMeridianRange.data()) << ok;
        QTest::newRow("edit: origin not a number") << true << "" << "txt_orig" << "NORTH N" << origin
                                                   << ok;
        // Regression rows: a second entry of a name could not be selected,
        // and Delete on it removed the first.
        const QString taken = "Another entry is already named \"%1\" (names are compared ignoring "
                              "case). Nothing was saved.";
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
        // The meridian field refuses as soon as it is left.
        if (field == "txt_cm" && !message.isEmpty())
            t.guard.expect(message.chopped(QStringLiteral(" Nothing was saved.").size()));
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
        else if (!field.isEmpty() && !message.startsWith("Another entry"))
            QCOMPARE(t.w->focusWidget(), t.get(field)); // the field the message names
        QCOMPARE(t.buttons().mid(1), edit ? "EE" : "--");
        QCOMPARE(t.state.parameters.selectedRef().has_value(), edit);
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
        QCOMPARE(t.params(), "6377397.155 0.006674372231802 1 3500000 0 lat 0 cm 9 ref 6");
        QVERIFY(params != t.params());
        t.select("Bessel test");
        QCOMPARE(t.fields(), typed);
        QCOMPARE(t.params(), "6377397.155 0.006674372231802 1 3500000 0 lat 0 cm 9 ref 6");
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
        // The edited entry stays selected and in force, its fields showing.
        QCOMPARE(t.text("txt_name"), "South thirty");
        QCOMPARE(t.list()->selectedItems().size(), 1);
        QCOMPARE(t.list()->selectedItems().first()->text(), "South thirty");
        QCOMPARE(t.buttons(), "-EE");
        QCOMPARE(t.params(), QString(params).replace(" 500000 ", " 600000 "));
        QCOMPARE(t.state.parameters.differsFromSelected(), false);
        t.select("South thirty");
        QCOMPARE(t.text("txt_fe"), "600000");
        QCOMPARE(t.params(), QString(params).replace(" 500000 ", " 600000 "));
    }

    void deleteEntry() {
        Window t;
        t.select("South 30");
        // No: nothing happens.
        t.remove("South 30", QMessageBox::No);
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.names().size(), 5);
        QCOMPARE(t.text("txt_name"), "South 30");
        t.remove("South 30");
        QVERIFY_GUARD(t.guard);
        QCOMPARE(t.names(),
                 (QStringList{"Airy 1830", "No meridian", "East 147", "Lat without blank"}));
        QCOMPARE(catalogue::CatalogueStore(t.path).ListNames(), t.names());
        // Nothing is in force after a delete.
        QCOMPARE(t.fields(), QStringList(8));
        QCOMPARE(t.params(), "no meridian ref none");
        QCOMPARE(t.buttons(), "---");
        QCOMPARE(t.get<QLabel>("lbl_active_g2g")->text(), "Parameter set: none selected");
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
        const QString axis = "Semi Major Axis must be a number greater than 0.";
        QTest::newRow("axis is text") << QVariant("abc") << "0 N" << "3 W" << bad + axis;
        QTest::newRow("axis is empty") << QVariant(QMetaType::fromType<double>()) << "0 N" << "3 W"
                                       << bad + axis;
        QTest::newRow("meridian degrees not a number") << ok << "0 N" << "X W"
                                                       << bad + kMeridianFormat;
        QTest::newRow("origin degrees not a number")
            << ok << "north N" << "3 W" << bad + QString::fromUtf8(numtext::kOriginForm);
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
        QCOMPARE(t.params(), "6378137 0.006694379990141 0.9996 500000 0 lat 49 cm -2 ref 1");
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
        const QString scale = "Scale Factor must be a number greater than 0.";
        const QString tabs = "The parameter set on the Spheroid tab cannot be used: ";
        QTest::newRow("entry scale is text") << "scale" << bad + scale << tabs + scale;
        QTest::newRow("entry meridian does not read") << "meridian" << bad + kMeridianFormat
                                                      << tabs + kMeridianFormat;
        QTest::newRow("typed meridian does not read") << "typed" << kMeridianFormat
                                                      << tabs + kMeridianFormat;
        // Regression: a scale typed over the selected entry's took no effect.
        QTest::newRow("typed scale of 0") << "typed scale" << "" << tabs + scale;
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
        } else if (fault == "typed scale") {
            t.select("Good");
            t.type("txt_scale", "0");
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
        } else if (fault == "typed scale") {
            t.type("txt_scale", "0.9996");
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
                                                << "Parameter set: typed by hand, not saved (cannot be used)";
        QTest::newRow("meridian that does not read")
            << "select,bad" << "Parameter set: Airy 1830 (changed, not saved) (cannot be used)";
        // Regression rows: the line named the selected entry while other
        // values were in force.
        QTest::newRow("a value changed") << "select,scale" << "Parameter set: Airy 1830 (changed, not saved)";
        QTest::newRow("changed back") << "select,scale,unscale" << "Parameter set: Airy 1830";
        QTest::newRow("the same number written otherwise") << "select,scale 1.0"
                                                            << "Parameter set: Airy 1830";
    }
    void parameterSetShown() {
        QFETCH(QString, steps);
        Window t;
        for (const QString& step : steps.split(',', Qt::SkipEmptyParts)) {
            if (step == "select") {
                t.select("Airy 1830");
            } else if (step == "clear") {
                t.click("SSCommand1");
            } else if (step.startsWith("scale")) {
                t.type("txt_scale", step == "scale 1.0" ? "0.99960" : "1.0");
            } else if (step == "unscale") {
                t.type("txt_scale", "0.9996");
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
        if (action == "delete")
            t.guard.expect("Delete Airy 1830 from the catalogue?", "Quillmar",
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
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
        QCOMPARE(t.state.parameters.selectedRef(), std::optional<qint64>(index + 1));
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
    // A grid of the registry found by code or words, saved, selected and
    // converting as cs2cs does (716557.106, 732882.306 for 53 20 N 6 15 W).
    void fromRegistry_data() {
        QTest::addColumn<QString>("query");
        QTest::newRow("code") << "2157";
        QTest::newRow("words") << "irish";
        QTest::newRow("code with authority") << "EPSG:2157";
    }
    void fromRegistry() {
        QFETCH(QString, query);
        Window t;
        t.select("Airy 1830");
        QString listed;
        t.w->spheroidTab()->chooseFromRegistry = [&](QWidget* parent, catalogue::EntryTexts& out) {
            RegistryDialog dialog(parent);
            dialog.setProperty("modalGuardIgnore", true);
            QTimer::singleShot(0, &dialog, [&] {
                QTest::keyClicks(must<QLineEdit>(&dialog, "txt_registry_search"), query);
                auto* list = must<QListWidget>(&dialog, "lst_registry");
                const auto items = list->findItems("EPSG:2157", Qt::MatchStartsWith);
                if (!items.isEmpty()) {
                    listed = items.first()->text();
                    list->setCurrentItem(items.first());
                }
                must<QDialogButtonBox>(&dialog, "btn_registry_box")
                    ->button(QDialogButtonBox::Ok)
                    ->click();
            });
            if (dialog.exec() != QDialog::Accepted)
                return false;
            out = dialog.entryTexts();
            return true;
        };
        t.click("cmd_registry");
        QCOMPARE(listed, "EPSG:2157  IRENET95 / Irish Transverse Mercator");
        QCOMPARE(t.text("txt_name"), "IRENET95 / Irish Transverse Mercator");
        QCOMPARE(t.fields().mid(6), (QStringList{"53.5 N", "8 W"}));
        // A new entry: nothing selected, nothing written, Save offered.
        QCOMPARE(t.buttons(), "E--");
        QCOMPARE(t.names().size(), 5);
        t.click("SSCommand2");
        QCOMPARE(t.names().last(), "IRENET95 / Irish Transverse Mercator");
        QCOMPARE(t.list()->selectedItems().first()->text(), t.names().last());
        t.get<QTabWidget>("SSTab1")->setCurrentIndex(2);
        const char* entries[][2] = {{"txt_lat_deg", "53"}, {"txt_lat_min", "20"}, {"txt_ns", "N"},
                                    {"txt_long_deg", "6"}, {"txt_long_min", "15"}, {"txt_ew", "W"}};
        for (auto [f, v] : entries)
            t.get(f)->setText(v);
        t.click("cmd_convert");
        QCOMPARE(t.text("txt_easting"), "716557.106");
        QCOMPARE(t.text("txt_northing"), "732882.306");
        QVERIFY_GUARD(t.guard);
    }

    // Regression rows: a scale typed over the selected entry's took no effect
    // (the result was the stored k0's while 1.0 showed), and a set typed by
    // hand after Clear details failed with a fault message.
    void typedValuesAreUsed_data() {
        QTest::addColumn<bool>("fromEntry"); // else Clear details and all eight typed
        QTest::addColumn<QString>("scale");
        QTest::addColumn<QString>("line");
        QTest::newRow("scale 1.0 over the selected entry")
            << true << "1.0" << "Parameter set: Airy 1830 (changed, not saved)";
        QTest::newRow("typed by hand after Clear details")
            << false << "0.9996012717" << "Parameter set: typed by hand, not saved";
    }
    void typedValuesAreUsed() {
        QFETCH(bool, fromEntry);
        QFETCH(QString, scale);
        QFETCH(QString, line);
        Window t({row(1, "Airy 1830", "49 N", "2 W", 6377563.396)});
        if (fromEntry) {
            t.select("Airy 1830");
        } else {
            t.click("SSCommand1");
            const QStringList typed{"Mine", "6377563.396", "0.006694379990141", "", "500000",
                                    "0", "49 N", "2 W"};
            for (int i = 0; i < 8; ++i)
                t.type(kFields[i], typed[i]);
        }
        t.type("txt_scale", scale);
        t.leaveCm();
        auto* tabs = t.get<QTabWidget>("SSTab1");
        tabs->setCurrentIndex(2);
        for (auto [f, v] : {std::pair{"txt_lat_deg", "52"}, {"txt_ns", "N"}, {"txt_long_deg", "1"},
                            {"txt_ew", "W"}})
            t.get(f)->setText(v);
        t.click("cmd_convert");
        QVERIFY_GUARD(t.guard);
        convert::GeogInput in{"52", "", "", "N", "1", "", "", "W"};
        const convert::GridTexts expected = convert::Geog_To_Grid(
            convert::Make_In_Force({6377563.396, 0.006694379990141, scale.toDouble(), 500000, 0, 49, -2}),
            in);
        QCOMPARE(t.text("txt_easting"), QString::fromStdString(expected.easting));
        QCOMPARE(t.text("txt_northing"), QString::fromStdString(expected.northing));
        QCOMPARE(t.get<QLabel>("lbl_active_g2g")->text(), line);
        // Any change of a value empties the results it no longer belongs to.
        tabs->setCurrentIndex(0);
        t.type("txt_fe", "400000");
        QCOMPARE(t.text("txt_easting"), QString());
    }

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
        QCOMPARE(t.state.parameters.reading().values->lon0, 147.0);
        QVERIFY_GUARD(t.guard);
    }
};

QTEST_MAIN(TestSpheroidTab)
#include "tst_spheroidtab.moc"
