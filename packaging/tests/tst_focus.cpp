// Keyboard order and screen-reader names of every window: Tab must walk the
// fields in the documented order, skipping hidden ones, and each entry field
// must announce the caption beside it.
#include "appstate.h"
#include "conversionwindow.h"
#include "modalguard.h"
#include "shell.h"
#include "store.h"
#include "trianglewindow.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class TestFocus : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    AppState state_;
    AppState shellState_; // the shell installs its own give-up handler
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<ConversionWindow> conversion_;
    std::unique_ptr<TriangleWindow> triangular_;
    std::unique_ptr<TriangleWindow> trilateration_;

    QWidget* window(const QString& name) {
        if (name == QLatin1String("menu"))
            return shell_->menu();
        if (name == QLatin1String("conversion"))
            return conversion_.get();
        if (name == QLatin1String("triangular"))
            return triangular_.get();
        return trilateration_.get();
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString catalogue = dir_.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(catalogue));
        state_.DatabasePath = catalogue;
        state_.terminate = [] { QFAIL("the program gave up"); };
        conversion_ = std::make_unique<ConversionWindow>(state_);
        QVERIFY(conversion_->Load());
        conversion_->show();
        triangular_ = std::make_unique<TriangleWindow>(TriangleWindow::Kind::Angles);
        triangular_->show();
        trilateration_ = std::make_unique<TriangleWindow>(TriangleWindow::Kind::Bearings);
        trilateration_->show();
        shell_ = std::make_unique<Shell>(shellState_,
                                         Shell::Options{dir_.filePath(QStringLiteral("data")),
                                                        dir_.filePath(QStringLiteral("run"))});
        QVERIFY(shell_->Start());
        QVERIFY(shell_->menu());
    }
    void cleanupTestCase() {
        triangular_.reset();
        trilateration_.reset();
        conversion_.reset();
        shell_.reset();
    }

    void tabOrder_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("tab");           // conversion window tab, -1 elsewhere
        QTest::addColumn<QString>("mode");      // option button clicked first, if any
        QTest::addColumn<QStringList>("order"); // from the first widget on
        auto row = [](const char* name, const char* window, int tab, const char* mode,
                      const char* order) {
            QTest::newRow(name) << QString(window) << tab << QString(mode)
                                << QString(order).split(QLatin1Char(' '));
        };
        // clang-format off
        row("main menu: task buttons, then Exit before the conversion button", "menu", -1, "",
            "SSCommand1 SSCommand2 SSCommand3 SSCommand4");
        row("spheroid: list, buttons, From registry, then the eight fields top to bottom", "conversion", 0, "",
            "List1 SSCommand1 SSCommand2 SSCommand3 SSCommand4 cmd_registry SSCommand5 "
            "txt_name txt_major txt_ecc txt_scale txt_fe txt_fn txt_orig txt_cm");
        row("grid to geog: easting, northing, height, Convert", "conversion", 1, "",
            "txt_east txt_north txt_height_g2l Command1");
        row("geog to grid with seconds: row by row, then the height", "conversion", 2, "opt_long",
            "txt_lat_deg txt_lat_min txt_lat_sec txt_ns txt_long_deg txt_long_min txt_long_sec txt_ew "
            "txt_height_g2g cmd_convert");
        row("geog to grid without seconds: hidden seconds skipped", "conversion", 2, "opt_short",
            "txt_lat_deg txt_lat_min txt_ns txt_long_deg txt_long_min txt_ew");
        row("distance with seconds: sixteen fields row by row", "conversion", 3, "Option4",
            "txt_lat_deg1 txt_lat_min1 txt_lat_sec1 txt_lat_hemis1 "
            "txt_long_deg1 txt_long_min1 txt_long_sec1 txt_long_hemis1 "
            "txt_lat_deg2 txt_lat_min2 txt_lat_sec2 txt_lat_hemis2 "
            "txt_long_deg2 txt_long_min2 txt_long_sec2 txt_long_hemis2 txt_height1 txt_height2");
        row("distance without seconds: four hidden seconds skipped", "conversion", 3, "Option3",
            "txt_lat_deg1 txt_lat_min1 txt_lat_hemis1 txt_long_deg1 txt_long_min1 txt_long_hemis1 "
            "txt_lat_deg2 txt_lat_min2 txt_lat_hemis2 txt_long_deg2 txt_long_min2 txt_long_hemis2");
        row("triangular: inputs, results E before N, Calculate, Close, Clear Details", "triangular", -1, "",
            "txt_E1 txt_N1 txt_E2 txt_N2 txt_anglea txt_angleb txt_E3 txt_N3 SSCommand1 SSCommand2 SSCommand3");
        row("trilateration: results N before E, Close before Calculate", "trilateration", -1, "",
            "txt_E1 txt_N1 txt_E2 txt_N2 txt_anglea txt_angleb txt_N3 txt_E3 SSCommand2 SSCommand1 SSCommand3");
        // clang-format on
    }
    void tabOrder() {
        QFETCH(QString, window);
        QFETCH(int, tab);
        QFETCH(QString, mode);
        QFETCH(QStringList, order);
        QWidget* w = this->window(window);
        if (tab >= 0)
            must<QTabWidget>(w, "SSTab1")->setCurrentIndex(tab);
        if (!mode.isEmpty())
            must<QAbstractButton>(w, mode.toLatin1().constData())->click();
        QCOMPARE(
            TabOrder(must<QWidget>(w, order.first().toLatin1().constData()), int(order.size())),
            order);
    }

    // Every entry field of every window.
    void accessibleNames_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption"); // the label that must read the same
        // "field|spoken name|label": no label where row and column headings combine.
        auto rows = [](const char* window, const QStringList& list) {
            for (const QString& r : list) {
                const QStringList p = r.split(QLatin1Char('|'));
                QTest::addRow("%s %s", window, qPrintable(p[0]))
                    << QString(window) << p[0] << p[1] << p.value(2);
            }
        };
        // clang-format off
        rows("conversion", {
            // Spheroid tab: each field beside its label.
            "txt_name|Name|Label2", "txt_major|Semi Major Axis|lbl_major1",
            "txt_ecc|Eccentricity ^2|lbl_ecc1", "txt_scale|Scale Factor|lbl_scale1",
            "txt_fe|False Easting|lbl_fe1", "txt_fn|False Northing|lbl_fn1",
            "txt_orig|Latitude of Origin|lbl_orig1", "txt_cm|Central Meridian|lbl_cm1",
            // Grid to Geog.
            "txt_east|Easting|Text3", "txt_north|Northing|Text4",
            "txt_lat|Latitude|Text7", "txt_long|Longitude|Text8",
            // Geog to Grid: row heading and column heading.
            "txt_lat_deg|Latitude degrees", "txt_lat_min|Latitude minutes",
            "txt_lat_sec|Latitude seconds", "txt_ns|Latitude hemisphere, N or S",
            "txt_long_deg|Longitude degrees", "txt_long_min|Longitude minutes",
            "txt_long_sec|Longitude seconds", "txt_ew|Longitude hemisphere, E or W",
            "txt_easting|Easting|Text1", "txt_northing|Northing|Text2"});
        // Distance: position, row and column headings.
        for (const QString p : {"1", "2"}) {
            const QString pos = "|Position " + p + " ";
            QStringList list{"txt_east" + p + pos + "easting", "txt_north" + p + pos + "northing"};
            for (const QString axis : {"lat", "long"}) {
                const QString word = axis == "lat" ? "latitude " : "longitude ";
                for (const QString part : {"deg|degrees", "min|minutes", "sec|seconds"})
                    list << "txt_" + axis + "_" + part.section('|', 0, 0) + p + pos + word + part.section('|', 1);
                list << "txt_" + axis + "_hemis" + p + pos + word + "hemisphere, " + (axis == "lat" ? "N or S" : "E or W");
            }
            rows("conversion", list);
        }
        // Both intersection windows share their field captions.
        for (const char* window : {"triangular", "trilateration"})
            rows(window, {"txt_E1|Position A easting", "txt_N1|Position A northing",
                          "txt_anglea|Angle a|Label10", "txt_E2|Position B easting",
                          "txt_N2|Position B northing", "txt_angleb|Angle b|Label12",
                          "txt_E3|Position C easting", "txt_N3|Position C northing"});
        // clang-format on
    }
    void accessibleNames() {
        QFETCH(QString, window);
        QFETCH(QString, field);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QWidget* w = this->window(window);
        QCOMPARE(must<QLineEdit>(w, field.toLatin1().constData())->accessibleName(), name);
        if (!caption.isEmpty())
            QCOMPARE(must<QLabel>(w, caption.toLatin1().constData())->text(), name);
    }
};

QTEST_MAIN(TestFocus)
#include "tst_focus.moc"
