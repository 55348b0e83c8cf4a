// Height reductions against the closed forms R = a sqrt(1 - e2) / W^2 and
// Euler's R_alpha = nu / (1 + e'2 cos^2 phi cos^2 alpha), not the rho-nu
// products the code evaluates, with s12 and the azimuth from GeographicLib's
// Geodesic. The tolerances are far inside what a surveyor sees (1e-9, 0.1 mm)
// so that R in place of R_alpha, or nu in place of R, still fails.
#include "spheroids.h"
#include "survey.h"

#include <GeographicLib/Geodesic.hpp>
#include <QTest>

#include <cmath>

namespace {
constexpr double kFactor = 1e-13; // elevation and combined factors
constexpr double kGround = 1e-6;  // metres
constexpr double kRad = M_PI / 180;
} // namespace

class TestReductions : public QObject {
    Q_OBJECT

  private slots:
    void elevationAndGround_data();
    void elevationAndGround();
    void heightRefusal_data();
    void heightRefusal();
};

void TestReductions::elevationAndGround_data() {
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("e2");
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("azi");
    QTest::addColumn<double>("s");  // metres along the geodesic
    QTest::addColumn<double>("h1"); // metres
    QTest::addColumn<double>("h2");
    const double lines[][5] = {
        {0, 90, 20000, 4000, 4000},  {0.1, 0, 20000, 0, 4000},   {52.6, 45, 20000, 250, 310},
        {60, 90, 20000, 4000, 3900}, {-33.9, 200, 1, 12, 13},    {75, 135, 20000, -500, 4000},
        {-45, 300, 5000, 0, 0},      {89.9, 10, 20000, 4000, 0}, {30, 270, 12345.678, 1500, 2500},
        {48, 0, 0, 100, 100}, // no length: ground 0, no line factor
    };
    for (const TestSpheroid& sph : kTestSpheroids)
        for (const auto& l : lines)
            QTest::addRow("%s lat %g az %g %g m h %g-%g", sph.name, l[0], l[1], l[2], l[3], l[4])
                << sph.a << sph.e2 << l[0] << l[1] << l[2] << l[3] << l[4];
}

void TestReductions::elevationAndGround() {
    QFETCH(double, a);
    QFETCH(double, e2);
    QFETCH(double, lat1);
    QFETCH(double, azi);
    QFETCH(double, s);
    QFETCH(double, h1);
    QFETCH(double, h2);
    const GeographicLib::Geodesic geod(a, 1 - std::sqrt(1 - e2));
    double lat2 = 0, lon2 = 0, s12 = 0, azi1 = 0, azi2 = 0;
    geod.Direct(lat1, 10, azi, s, lat2, lon2);
    if (s == 0)
        lat2 = lat1, lon2 = 10; // Direct's round-off is not the same point
    geod.Inverse(lat1, 10, lat2, lon2, s12, azi1, azi2);

    const double sn = std::sin(lat1 * kRad), w2 = 1 - e2 * sn * sn;
    const double R = a * std::sqrt(1 - e2) / w2;
    const auto ef = survey::Elevation_Factor(a, e2, lat1, h1);
    QVERIFY(ef);
    QVERIFY(std::fabs(*ef - R / (R + h1)) < kFactor);
    const auto cf = survey::Combined_Scale_Factor(0.9996012717, *ef);
    QVERIFY(cf && std::fabs(*cf - 0.9996012717 * R / (R + h1)) < kFactor);

    const double phim = (lat1 + lat2) / 2 * kRad, ep2 = e2 / (1 - e2);
    const double nu = a / std::sqrt(1 - e2 * std::pow(std::sin(phim), 2));
    const double c = std::cos(phim) * std::cos(azi1 * kRad);
    const double Ra = nu / (1 + ep2 * c * c), hm = (h1 + h2) / 2;
    const double ground = s12 * (Ra + hm) / Ra, grid = s12 * 0.99971;

    const survey::Spheroid sp(a, e2, 0.9996);
    const survey::GroundLine line = sp.Ground(lat1, 10, h1, lat2, lon2, h2, grid);
    QVERIFY(line.ground_distance);
    QCOMPARE(line.combined_line_factor.has_value(), s > 0);
    if (s == 0) {
        QCOMPARE(*line.ground_distance, 0.0);
        return;
    }
    QVERIFY2(std::fabs(*line.ground_distance - ground) < kGround,
             qPrintable(QString::number(*line.ground_distance - ground)));
    QVERIFY(std::fabs(*line.combined_line_factor - grid / ground) < kFactor);
}

void TestReductions::heightRefusal_data() {
    QTest::addColumn<double>("h");
    QTest::addColumn<bool>("refused");
    QTest::newRow("lowest") << -500.0 << false;
    QTest::newRow("highest") << 9000.0 << false;
    QTest::newRow("below the lowest") << -500.001 << true;
    QTest::newRow("above the highest") << 9000.001 << true;
    QTest::newRow("not a number") << qQNaN() << true;
    QTest::newRow("infinite") << qInf() << true;
}

void TestReductions::heightRefusal() {
    QFETCH(double, h);
    QFETCH(bool, refused);
    const auto r = survey::Height_Refusal(h, "Ellipsoidal height (m)");
    QCOMPARE(r.has_value(), refused);
    if (refused)
        QCOMPARE(QString::fromStdString(*r),
                 QStringLiteral("Ellipsoidal height (m) must lie between -500 and 9000."));
    // A factor outside the accepted range is still a number: only the
    // checker refuses, so the batch tool and the windows refuse alike.
    if (std::isfinite(h))
        QVERIFY(survey::Elevation_Factor(6378137, 0.00669437999014, 45, h));
    else
        QVERIFY(!survey::Elevation_Factor(6378137, 0.00669437999014, 45, h));
}

QTEST_APPLESS_MAIN(TestReductions)
#include "tst_reductions.moc"
