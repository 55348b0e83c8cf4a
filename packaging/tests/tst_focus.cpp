// Keyboard order and screen-reader names of every window: Tab must walk the
// fields in the documented order, skipping hidden ones, and each entry field
// must announce the caption beside it.
#include "appstate.h"
#include "menufrm.h"
#include "modalguard.h"
#include "shell.h"
#include "store.h"
#include "trig1frm.h"
#include "trig2frm.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The widgets Tab visits from `first` on, as Qt's own focusNextPrevChild
// chooses them: in the focus chain, taking keyboard focus, and shown.
QStringList TabOrder(QWidget* first, int count) {
    QStringList names;
    QWidget* w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(w->window()))
            names << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first && names.size() < count);
    return names;
}

enum class Window { Menu, Conversion, Triangular, Trilateration };

} // namespace

Q_DECLARE_METATYPE(Window)

class TestFocus : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    AppState state_;
    AppState shellState_; // the shell installs its own give-up handler
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<MenuFrm> conversion_;

    QWidget* open(Window which) {
        switch (which) {
        case Window::Menu:
            return shell_->menu();
        case Window::Conversion:
            return conversion_.get();
        case Window::Triangular: {
            auto* w = new Trig1Frm;
            w->show();
            return w;
        }
        case Window::Trilateration: {
            auto* w = new Trig2Frm;
            w->show();
            return w;
        }
        }
        return nullptr;
    }
    static void dispose(Window which, QWidget* w) {
        if (which == Window::Triangular || which == Window::Trilateration)
            delete w;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString catalogue = dir_.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(catalogue));
        state_.DatabasePath = catalogue;
        state_.terminate = [] { QFAIL("the program gave up"); };
        conversion_ = std::make_unique<MenuFrm>(state_);
        QVERIFY(conversion_->Load());
        conversion_->show();

        shell_ = std::make_unique<Shell>(shellState_, Shell::Options{dir_.filePath(QStringLiteral("data")),
                                                                dir_.filePath(QStringLiteral("run"))});
        QVERIFY(shell_->Start());
        QVERIFY(shell_->menu());
    }
    void cleanupTestCase() {
        conversion_.reset();
        shell_.reset();
    }

    void tabOrder_data() {
        QTest::addColumn<Window>("window");
        QTest::addColumn<int>("tab");          // conversion window tab, -1 elsewhere
        QTest::addColumn<QString>("mode");     // option button clicked first, if any
        QTest::addColumn<QStringList>("order"); // from the first widget on

        QTest::newRow("main menu: task buttons, then Exit before the conversion button")
            << Window::Menu << -1 << QString()
            << QStringList{"SSCommand1", "SSCommand2", "SSCommand3", "SSCommand4"};
        QTest::newRow("spheroid: list, buttons, then the eight fields top to bottom")
            << Window::Conversion << 0 << QString()
            << QStringList{"List1",    "SSCommand1", "SSCommand2", "SSCommand3", "SSCommand4",
                           "SSCommand5", "txt_name",  "txt_major",  "txt_ecc",    "txt_scale",
                           "txt_fe",   "txt_fn",     "txt_orig",   "txt_cm"};
        QTest::newRow("grid to geog: easting, northing, Convert")
            << Window::Conversion << 1 << QString()
            << QStringList{"txt_east", "txt_north", "Command1"};
        QTest::newRow("geog to grid with seconds: row by row")
            << Window::Conversion << 2 << QStringLiteral("opt_long")
            << QStringList{"txt_lat_deg",  "txt_lat_min",  "txt_lat_sec",  "txt_ns",
                           "txt_long_deg", "txt_long_min", "txt_long_sec", "txt_ew"};
        QTest::newRow("geog to grid without seconds: hidden seconds skipped")
            << Window::Conversion << 2 << QStringLiteral("opt_short")
            << QStringList{"txt_lat_deg", "txt_lat_min", "txt_ns", "txt_long_deg", "txt_long_min", "txt_ew"};
        QTest::newRow("distance with seconds: sixteen fields row by row")
            << Window::Conversion << 3 << QStringLiteral("Option4")
            << QStringList{"txt_lat_deg1",  "txt_lat_min1",  "txt_lat_sec1",  "txt_lat_hemis1",
                           "txt_long_deg1", "txt_long_min1", "txt_long_sec1", "txt_long_hemis1",
                           "txt_lat_deg2",  "txt_lat_min2",  "txt_lat_sec2",  "txt_lat_hemis2",
                           "txt_long_deg2", "txt_long_min2", "txt_long_sec2", "txt_long_hemis2"};
        QTest::newRow("distance without seconds: four hidden seconds skipped")
            << Window::Conversion << 3 << QStringLiteral("Option3")
            << QStringList{"txt_lat_deg1",  "txt_lat_min1",  "txt_lat_hemis1",
                           "txt_long_deg1", "txt_long_min1", "txt_long_hemis1",
                           "txt_lat_deg2",  "txt_lat_min2",  "txt_lat_hemis2",
                           "txt_long_deg2", "txt_long_min2", "txt_long_hemis2"};
        QTest::newRow("triangular: inputs, results E before N, Calculate, Close, Clear Details")
            << Window::Triangular << -1 << QString()
            << QStringList{"txt_E1", "txt_N1", "txt_E2", "txt_N2", "txt_anglea", "txt_angleb",
                           "txt_E3", "txt_N3", "SSCommand1", "SSCommand2", "SSCommand3"};
        QTest::newRow("trilateration: results N before E, Close before Calculate")
            << Window::Trilateration << -1 << QString()
            << QStringList{"txt_E1", "txt_N1", "txt_E2", "txt_N2", "txt_anglea", "txt_angleb",
                           "txt_N3", "txt_E3", "SSCommand2", "SSCommand1", "SSCommand3"};
    }
    void tabOrder() {
        QFETCH(Window, window);
        QFETCH(int, tab);
        QFETCH(QString, mode);
        QFETCH(QStringList, order);

        QWidget* w = open(window);
        QVERIFY(w);
        if (tab >= 0)
            must<QTabWidget>(w, "SSTab1")->setCurrentIndex(tab);
        if (!mode.isEmpty())
            must<QAbstractButton>(w, mode.toLatin1().constData())->click();
        QWidget* first = must<QWidget>(w, order.first().toLatin1().constData());
        const QStringList walked = TabOrder(first, int(order.size()));
        dispose(window, w);
        QCOMPARE(walked, order);
    }

    void accessibleNames_data() {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption"); // the label that must read the same; empty
                                              // where row and column headings combine

        auto row = [](Window w, const char* field, const char* name, const char* caption) {
            QTest::addRow("%s %s", w == Window::Conversion   ? "conversion"
                                   : w == Window::Triangular ? "triangular"
                                                             : "trilateration",
                          field)
                << w << QString::fromLatin1(field) << QString::fromUtf8(name)
                << QString::fromLatin1(caption);
        };
        const Window c = Window::Conversion;
        // Spheroid tab: each field beside its label.
        row(c, "txt_name", "Name", "Label2");
        row(c, "txt_major", "Semi Major Axis", "lbl_major1");
        row(c, "txt_ecc", "Eccentricity ^2", "lbl_ecc1");
        row(c, "txt_scale", "Scale Factor", "lbl_scale1");
        row(c, "txt_fe", "False Easting", "lbl_fe1");
        row(c, "txt_fn", "False Northing", "lbl_fn1");
        row(c, "txt_orig", "Latitude of Origin", "lbl_orig1");
        row(c, "txt_cm", "Central Meridian", "lbl_cm1");
        // Grid to Geog.
        row(c, "txt_east", "Easting", "Text3");
        row(c, "txt_north", "Northing", "Text4");
        row(c, "txt_lat", "Latitude", "Text7");
        row(c, "txt_long", "Longitude", "Text8");
        // Geog to Grid: row heading and column heading.
        row(c, "txt_lat_deg", "Latitude degrees", "");
        row(c, "txt_lat_min", "Latitude minutes", "");
        row(c, "txt_lat_sec", "Latitude seconds", "");
        row(c, "txt_ns", "Latitude hemisphere, N or S", "");
        row(c, "txt_long_deg", "Longitude degrees", "");
        row(c, "txt_long_min", "Longitude minutes", "");
        row(c, "txt_long_sec", "Longitude seconds", "");
        row(c, "txt_ew", "Longitude hemisphere, E or W", "");
        row(c, "txt_easting", "Easting", "Text1");
        row(c, "txt_northing", "Northing", "Text2");
        // Distance: position, row and column headings.
        for (const char* p : {"1", "2"}) {
            for (const auto& [axis, letters] : {std::pair{"lat", "N or S"}, std::pair{"long", "E or W"}}) {
                const QByteArray word = qstrcmp(axis, "lat") == 0 ? "latitude" : "longitude";
                for (const auto& [part, spoken] :
                     {std::pair{"deg", "degrees"}, std::pair{"min", "minutes"}, std::pair{"sec", "seconds"}}) {
                    const QByteArray field = QByteArray("txt_") + axis + "_" + part + p;
                    const QByteArray name = QByteArray("Position ") + p + " " + word + " " + spoken;
                    row(c, field.constData(), name.constData(), "");
                }
                const QByteArray field = QByteArray("txt_") + axis + "_hemis" + p;
                const QByteArray name = QByteArray("Position ") + p + " " + word + " hemisphere, " + letters;
                row(c, field.constData(), name.constData(), "");
            }
            row(c, (QByteArray("txt_east") + p).constData(), (QByteArray("Position ") + p + " easting").constData(), "");
            row(c, (QByteArray("txt_north") + p).constData(), (QByteArray("Position ") + p + " northing").constData(), "");
        }
        // Both intersection windows share their field captions.
        for (Window t : {Window::Triangular, Window::Trilateration}) {
            row(t, "txt_E1", "Position A easting", "");
            row(t, "txt_N1", "Position A northing", "");
            row(t, "txt_anglea", "Angle a", "Label10");
            row(t, "txt_E2", "Position B easting", "");
            row(t, "txt_N2", "Position B northing", "");
            row(t, "txt_angleb", "Angle b", "Label12");
            row(t, "txt_E3", "Position C easting", "");
            row(t, "txt_N3", "Position C northing", "");
        }
    }
    void accessibleNames() {
        QFETCH(Window, window);
        QFETCH(QString, field);
        QFETCH(QString, name);
        QFETCH(QString, caption);

        QWidget* w = open(window);
        const QString spoken = must<QLineEdit>(w, field.toLatin1().constData())->accessibleName();
        const QString label =
            caption.isEmpty() ? name : must<QLabel>(w, caption.toLatin1().constData())->text();
        dispose(window, w);
        QCOMPARE(spoken, name);
        QCOMPARE(label, name);
    }

    // A field added later without a name would be read out as "edit".
    void everyFieldNamed_data() {
        QTest::addColumn<Window>("window");
        QTest::newRow("conversion") << Window::Conversion;
        QTest::newRow("triangular") << Window::Triangular;
        QTest::newRow("trilateration") << Window::Trilateration;
    }
    void everyFieldNamed() {
        QFETCH(Window, window);
        QWidget* w = open(window);
        QStringList unnamed;
        const auto fields = w->findChildren<QLineEdit*>();
        for (QLineEdit* e : fields)
            if (!e->objectName().startsWith(QLatin1String("qt_")) && e->accessibleName().trimmed().isEmpty())
                unnamed << e->objectName();
        const bool none = fields.isEmpty();
        dispose(window, w);
        QVERIFY(!none);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String(", "))));
    }
};

QTEST_MAIN(TestFocus)
#include "tst_focus.moc"
