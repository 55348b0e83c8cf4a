// The catalogue the program installs on first run, read back through the
// store, drives Redfearn's series to within 5 mm of PROJ's exact Transverse
// Mercator one degree east of each entry's central meridian.
#include "geodesy.h"
#include "numtext.h"
#include "store.h"

#include <QTemporaryDir>
#include <QTest>

#include <proj.h>

#include <cmath>

using catalogue::CatalogueStore;
using geo::DEG_PER_RAD;

namespace {
double number(const QString& text) {
    const auto v = numtext::To_Number(text.toStdString());
    if (!v)
        qFatal("not a number: %s", qPrintable(text));
    return *v;
}
// Whole degrees and hemisphere from "49 N" / "3 W", signed.
int16_t degrees(const QString& text) {
    const QStringList p = text.split(' ');
    const int d = p.first().toInt();
    return int16_t(p.last() == "S" || p.last() == "W" ? -d : d);
}
} // namespace

class TestDefaultCatalogue : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_ = dir_.filePath("QUILLMAR.MDB");

  private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(CatalogueStore::InstallDefault(path_, &error), qPrintable(error));
    }

    void againstExactTmerc_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("lat");
        // Southern zones (false northing 10000000) are tested south of the
        // equator, the rest at 45 N; the National Grid near its origin.
        const QStringList names = CatalogueStore(path_).ListNames();
        QCOMPARE(names.size(), 25);
        for (const QString& n : names) {
            const auto e = CatalogueStore(path_).FindByName(n);
            QVERIFY(e);
            const double lat = n.startsWith("Airy") ? 52 : number(e->texts.FN) == 1e7 ? -30 : 45;
            QTest::newRow(qPrintable(n)) << n << lat;
        }
    }
    void againstExactTmerc() {
        QFETCH(QString, name);
        QFETCH(double, lat);
        const auto e = CatalogueStore(path_).FindByName(name);
        QVERIFY(e);
        const auto& t = e->texts;
        geo::ProjectionParams p{number(t.sma), number(t.eccentricity), number(t.Scale),
                                number(t.FE),  number(t.FN),           degrees(t.Lat),
                                degrees(t.meridian)};
        // The program's radians: degrees over DEG_PER_RAD. PROJ gets the same
        // angles; its lat_0 is in degrees, so it is converted back with true pi.
        const double phi = lat / DEG_PER_RAD;
        const double omega = 1.0 / DEG_PER_RAD;
        const double E = geo::Calc_Easting(p, phi, p.scale_factor, omega);
        const double N = geo::Calc_Northing(p, phi, p.scale_factor, omega);
        auto n = [](double x) { return QString::number(x, 'g', 17); };
        const QString def = "+proj=tmerc +algo=poder_engsager +lat_0=" +
                            n(p.origin_lat / DEG_PER_RAD * 180 / M_PI) + " +lon_0=0 +k_0=" +
                            n(p.scale_factor) + " +x_0=" + n(p.false_easting) +
                            " +y_0=" + n(p.false_northing) + " +a=" + n(p.major_axis) +
                            " +es=" + n(p.ecc_squared);
        PJ* pj = proj_create(PJ_DEFAULT_CTX, def.toUtf8().constData());
        QVERIFY2(pj, qPrintable(def));
        // A bare projection takes radians.
        const PJ_COORD out = proj_trans(pj, PJ_FWD, proj_coord(omega, phi, 0, 0));
        proj_destroy(pj);
        const QString both = QString("E %1 vs %2, N %3 vs %4")
                                 .arg(E, 0, 'f', 4).arg(out.xy.x, 0, 'f', 4)
                                 .arg(N, 0, 'f', 4).arg(out.xy.y, 0, 'f', 4);
        QVERIFY2(std::fabs(E - out.xy.x) < 0.005, qPrintable(both));
        QVERIFY2(std::fabs(N - out.xy.y) < 0.005, qPrintable(both));
    }
};

QTEST_GUILESS_MAIN(TestDefaultCatalogue)
#include "tst_default_catalogue.moc"
