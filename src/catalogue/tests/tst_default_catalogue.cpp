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
int degrees(const QString& text) {
    const QStringList p = text.split(QLatin1Char(' '));
    const int d = p.first().toInt();
    return p.last() == QLatin1String("S") || p.last() == QLatin1String("W") ? -d : d;
}
} // namespace

class TestDefaultCatalogue : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void againstExactTmerc_data();
    void againstExactTmerc();

  private:
    QTemporaryDir dir_;
    QString path_;
    PJ_CONTEXT* ctx_ = nullptr;
};

void TestDefaultCatalogue::initTestCase() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("QUILLMAR.MDB"));
    QString error;
    QVERIFY2(CatalogueStore::InstallDefault(path_, &error), qPrintable(error));
    ctx_ = proj_context_create();
}

void TestDefaultCatalogue::cleanupTestCase() { proj_context_destroy(ctx_); }

void TestDefaultCatalogue::againstExactTmerc_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("lat");
    // Southern zones (false northing 10000000) are tested south of the
    // equator, the rest at 45 N; the National Grid near its origin.
    const QStringList names = CatalogueStore(path_).ListNames();
    QCOMPARE(names.size(), 25);
    for (const QString& n : names) {
        const auto e = CatalogueStore(path_).FindByName(n);
        QVERIFY(e);
        double lat = number(e->texts.FN) == 10000000 ? -30 : 45;
        if (n.startsWith(QLatin1String("Airy")))
            lat = 52;
        QTest::newRow(qPrintable(n)) << n << lat;
    }
}

void TestDefaultCatalogue::againstExactTmerc() {
    QFETCH(QString, name);
    QFETCH(double, lat);
    const auto e = CatalogueStore(path_).FindByName(name);
    QVERIFY(e);
    const auto& t = e->texts;
    geo::ProjectionParams p;
    p.major_axis = number(t.sma);
    p.ecc_squared = number(t.eccentricity);
    p.scale_factor = number(t.Scale);
    p.false_easting = number(t.FE);
    p.false_northing = number(t.FN);
    p.origin_lat = int16_t(degrees(t.Lat));
    p.central_meridian = int16_t(degrees(t.meridian));

    // The program's radians: degrees over DEG_PER_RAD. PROJ gets the same
    // angles; its lat_0 is in degrees, so it is converted back with true pi.
    const double phi = lat / DEG_PER_RAD;
    const double lon = p.central_meridian + 1.0;
    const double omega = (lon - p.central_meridian) / DEG_PER_RAD;
    const double E = geo::Calc_Easting(p, phi, p.scale_factor, omega);
    const double N = geo::Calc_Northing(p, phi, p.scale_factor, omega);

    const QString def =
        QStringLiteral("+proj=tmerc +algo=poder_engsager +lat_0=%1 +lon_0=0 +k_0=%2 +x_0=%3 "
                       "+y_0=%4 +a=%5 +es=%6")
            .arg(p.origin_lat / DEG_PER_RAD * 180 / M_PI, 0, 'g', 17)
            .arg(p.scale_factor, 0, 'g', 17)
            .arg(p.false_easting, 0, 'g', 17)
            .arg(p.false_northing, 0, 'g', 17)
            .arg(p.major_axis, 0, 'g', 17)
            .arg(p.ecc_squared, 0, 'g', 17);
    PJ* pj = proj_create(ctx_, def.toUtf8().constData());
    QVERIFY2(pj, qPrintable(def));
    // A bare projection takes radians.
    const PJ_COORD out = proj_trans(pj, PJ_FWD, proj_coord(omega, phi, 0, 0));
    proj_destroy(pj);
    QVERIFY(std::isfinite(out.xy.x) && std::isfinite(out.xy.y));
    QVERIFY2(std::fabs(E - out.xy.x) < 0.005,
             qPrintable(QStringLiteral("easting %1 vs %2").arg(E, 0, 'f', 4).arg(out.xy.x, 0, 'f', 4)));
    QVERIFY2(std::fabs(N - out.xy.y) < 0.005,
             qPrintable(QStringLiteral("northing %1 vs %2").arg(N, 0, 'f', 4).arg(out.xy.y, 0, 'f', 4)));
}

QTEST_GUILESS_MAIN(TestDefaultCatalogue)
#include "tst_default_catalogue.moc"
