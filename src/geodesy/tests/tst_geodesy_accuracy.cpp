// Redfearn's series against GeographicLib's exact Transverse Mercator on the
// same spheroid. Both sides see the same radians: degrees are converted with
// DEG_PER_RAD for the series and back with the true pi for GeographicLib.
#include "geodesy.h"
#include "spheroids.h"

#include <GeographicLib/TransverseMercatorExact.hpp>
#include <QTest>

#include <cmath>

using geo::DEG_PER_RAD;

class TestGeodesyAccuracy : public QObject {
    Q_OBJECT

  private slots:
    void againstExact_data();
    void againstExact();
};

// Tolerances: easting 0.2 mm up to 5 degrees from the central meridian and
// 4 mm up to 8 degrees, northing 1 mm up to 8 degrees.
void TestGeodesyAccuracy::againstExact_data() {
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("e2");
    QTest::addColumn<double>("lat");
    for (const TestSpheroid& s : kTestSpheroids)
        for (int lat = 0; lat <= 80; lat += 5)
            QTest::addRow("%s lat %d", s.name, lat) << s.a << s.e2 << double(lat);
}

void TestGeodesyAccuracy::againstExact() {
    QFETCH(double, a);
    QFETCH(double, e2);
    QFETCH(double, lat);
    const double k0 = 0.9996;
    const geo::ProjectionParams p{a, e2, k0, 0, 0, 0, 0};
    const GeographicLib::TransverseMercatorExact exact(a, 1 - std::sqrt(1 - e2), k0);

    for (int step = 0; step <= 32; ++step) {
        const double dlon = step * 0.25, phi = lat / DEG_PER_RAD, omega = dlon / DEG_PER_RAD;
        double x = 0, y = 0;
        exact.Forward(0, phi * 180 / M_PI, omega * 180 / M_PI, x, y);
        const double dE = std::fabs(geo::Calc_Easting(p, phi, k0, omega) - x);
        const double dN = std::fabs(geo::Calc_Northing(p, phi, k0, omega) - y);
        const double limitE = dlon <= 5 ? 0.2e-3 : 4e-3;
        QVERIFY2(dE < limitE,
                 qPrintable(QStringLiteral("dlon %1: easting off by %2 m").arg(dlon).arg(dE)));
        QVERIFY2(dN < 1e-3,
                 qPrintable(QStringLiteral("dlon %1: northing off by %2 m").arg(dlon).arg(dN)));
    }
}

QTEST_APPLESS_MAIN(TestGeodesyAccuracy)
#include "tst_geodesy_accuracy.moc"
