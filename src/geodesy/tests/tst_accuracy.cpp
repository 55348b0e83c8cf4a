// The series against the exact projection: where the check flags, what the
// exact figures are (against cs2cs +proj=tmerc, PROJ 9.1), which inverses are
// refused, the pre-tests' soundness, the texts and the nearer entry.
#include "accuracy.h"

#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdint>

using accuracy::TmParams;
Q_DECLARE_METATYPE(accuracy::TmParams)

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TmParams Utm(double a, double e2, double lon0, double FN = 0) {
    return {a, e2, 0.9996, 500000, FN, 0, lon0};
}
const TmParams kGrs80Zone0 = Utm(6378137, 0.00669438002290, 0);

// SplitMix64: the same points with every compiler and library.
class Rng {
  public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    double uniform(double lo, double hi) {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return lo + (hi - lo) * static_cast<double>(z >> 11) * 0x1.0p-53;
    }

  private:
    uint64_t s_;
};

double Distance(const accuracy::GridXY& p, double E, double N) {
    return std::hypot(p.easting - E, p.northing - N);
}

} // namespace

class TestAccuracy : public QObject {
    Q_OBJECT

  private slots:
    void byDistance_data();
    void byDistance();
    void exactAgainstCs2cs_data();
    void exactAgainstCs2cs();
    void impossibleInverse_data();
    void impossibleInverse();
    void pretestSound_data();
    void pretestSound();
    void pretestCovers_data();
    void pretestCovers();
    void texts_data();
    void texts();
    void nearerEntry_data();
    void nearerEntry();
};

// One grouped table by distance from the meridian: GRS 80, k0 0.9996,
// meridian 0. Forward compares the series' E, N with the exact ones; inverse
// the exact projection of the series' position with the typed E, N (here the
// exact grid position of lat, dlon). Threshold rows sit either side of where
// the error passes 1 mm. eastErr: the forward easting error to expect within
// 10 % (the figures of the bug report), or NaN. csE, csN: cs2cs's easting and
// northing (+x_0=500000), or NaN.
void TestAccuracy::byDistance_data() {
    QTest::addColumn<bool>("inverse");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("dlon");
    QTest::addColumn<bool>("flagged");
    QTest::addColumn<double>("eastErr");
    QTest::addColumn<double>("csE");
    QTest::addColumn<double>("csN");
    // forward, 40 N
    QTest::newRow("forward 40N 0 deg: on the meridian") << false << 40.0 << 0.0 << false << kNaN
                                                        << 500000.0 << 4427757.218624;
    QTest::newRow("forward 40N 3 deg") << false << 40.0 << 3.0 << false << kNaN << kNaN << kNaN;
    QTest::newRow("forward 40N 5 deg") << false << 40.0 << 5.0 << false << kNaN << kNaN << kNaN;
    QTest::newRow("forward 40N 7.9 deg: below 1 mm") << false << 40.0 << 7.9 << false << kNaN << kNaN << kNaN;
    QTest::newRow("forward 40N 8.0 deg: above 1 mm") << false << 40.0 << 8.0 << true << kNaN << kNaN << kNaN;
    QTest::newRow("forward 40N 15 deg: 10 cm") << false << 40.0 << 15.0 << true << 0.10 << 1782840.295854
                                               << 4537064.542641;
    QTest::newRow("forward 40N 18 deg") << false << 40.0 << 18.0 << true << kNaN << 2040597.605691
                                        << 4586165.738817;
    QTest::newRow("forward 40N 20 deg: 1 m") << false << 40.0 << 20.0 << true << 1.0 << 2212740.643068
                                             << 4624280.975648;
    QTest::newRow("forward 40N 30 deg: 25 m") << false << 40.0 << 30.0 << true << 25.0 << 3076934.549929
                                              << 4884302.019156;
    QTest::newRow("forward 40N 45 deg: 720 m") << false << 40.0 << 45.0 << true << 720.0 << 4372613.504965
                                               << 5529598.289674;
    // forward, other latitudes and hemispheres
    QTest::newRow("forward 60S -33 deg") << false << -60.0 << -33.0 << true << kNaN << -1285636.113046
                                         << -7115901.000238;
    QTest::newRow("forward 10N 45 deg: exact formulas, beyond 35 deg of arc")
        << false << 10.0 << 45.0 << true << kNaN << 5989665.377164 << 1552689.772583;
    QTest::newRow("forward 89.5N 3 deg: near the pole") << false << 89.5 << 3.0 << false << kNaN
                                                        << 502921.598862 << 9942216.808128;
    // inverse, 40 N
    QTest::newRow("inverse 40N 3 deg") << true << 40.0 << 3.0 << false << kNaN << kNaN << kNaN;
    QTest::newRow("inverse 40N 5 deg") << true << 40.0 << 5.0 << false << kNaN << kNaN << kNaN;
    QTest::newRow("inverse 40N 7.0 deg: below 1 mm") << true << 40.0 << 7.0 << false << kNaN << kNaN << kNaN;
    QTest::newRow("inverse 40N 7.2 deg: above 1 mm") << true << 40.0 << 7.2 << true << kNaN << kNaN << kNaN;
    QTest::newRow("inverse 40N 15 deg") << true << 40.0 << 15.0 << true << kNaN << kNaN << kNaN;
    QTest::newRow("inverse 20S -10 deg") << true << -20.0 << -10.0 << true << kNaN << kNaN << kNaN;
}

void TestAccuracy::byDistance() {
    QFETCH(bool, inverse);
    QFETCH(double, lat);
    QFETCH(double, dlon);
    QFETCH(bool, flagged);
    QFETCH(double, eastErr);
    QFETCH(double, csE);
    QFETCH(double, csN);
    const accuracy::Checker c(kGrs80Zone0);
    const auto exact = c.exact().Forward(lat, dlon);
    QVERIFY(exact);
    if (!std::isnan(csE)) {
        QVERIFY2(Distance(*exact, csE, csN) < 1e-3, "the exact projection differs from cs2cs");
        const auto back = c.exact().Inverse(csE, csN);
        QVERIFY(back);
        QVERIFY(std::fabs(back->lat - lat) < 1e-8 && std::fabs(back->lon - dlon) < 1e-8);
    }
    accuracy::Finding f;
    if (!inverse) {
        const auto s = accuracy::Series_Forward(kGrs80Zone0, lat, dlon);
        QVERIFY(s);
        f = c.Check_Forward(lat, dlon, s->easting, s->northing);
        if (!std::isnan(eastErr))
            QVERIFY2(std::fabs(std::fabs(s->easting - exact->easting) / eastErr - 1) < 0.1,
                     qPrintable(QString::number(s->easting - exact->easting)));
        if (f.kind == accuracy::Finding::Kind::Checked) {
            QVERIFY(Distance(f.exact_grid, exact->easting, exact->northing) == 0);
            QCOMPARE(f.error_m, Distance(*s, exact->easting, exact->northing));
            QVERIFY(std::fabs(f.degrees_from_meridian - std::fabs(dlon)) < 1e-12);
        }
    } else {
        const auto s = accuracy::Series_Inverse(kGrs80Zone0, exact->easting, exact->northing);
        QVERIFY(s);
        QVERIFY(!accuracy::Inverse_Impossible(s->lat, s->lon, 0));
        f = c.Check_Inverse(exact->easting, exact->northing, s->lat, s->lon);
        QCOMPARE(bool(f.exact_geog), f.flagged()); // the warning's figures, only for it
        if (f.exact_geog) {
            QVERIFY(std::fabs(f.exact_geog->lat - lat) < 1e-9 && std::fabs(f.exact_geog->lon - dlon) < 1e-9);
        }
    }
    QCOMPARE(f.flagged(), flagged);
    // A plain verdict must be right: recompute what the exact check would say.
    if (f.kind == accuracy::Finding::Kind::Plain)
        QVERIFY(!flagged);
}

// Other parameter sets: a latitude of origin, false northings, fractional
// meridian and origin, the southern hemisphere. cs2cs +proj=tmerc figures.
void TestAccuracy::exactAgainstCs2cs_data() {
    QTest::addColumn<TmParams>("p");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("E");
    QTest::addColumn<double>("N");
    const TmParams osgb{6377563.396, 0.00667054, 0.9996012717, 400000, -100000, 49, -2};
    QTest::newRow("Airy, origin 49N 2W: the true origin") << osgb << 49.0 << -2.0 << 400000.0 << -100000.0;
    QTest::newRow("Airy, origin 49N 2W: 55N 2W") << osgb << 55.0 << -2.0 << 400000.0 << 567277.614191;
    QTest::newRow("Airy, origin 49N 2W: 49.5N 14W") << osgb << 49.5 << -14.0 << -467777.037439 << 25151.722816;
    QTest::newRow("Airy, origin 49N 2W: 60N 25W") << osgb << 60.0 << -25.0 << -864855.882507 << 1348220.383233;
    QTest::newRow("Airy, origin 49N 2W: 45S 5E") << osgb << -45.0 << 5.0 << 951654.043117 << -10533547.827079;
    const TmParams frac{6378137, 0.00669438002290, 1, 0, 0, -33.25, 14.5};
    QTest::newRow("GRS 80, origin 33.25S 14.5E: the origin") << frac << -33.25 << 14.5 << 0.0 << 0.0;
    QTest::newRow("GRS 80, origin 33.25S 14.5E: 30.5S 16.25E") << frac << -30.5 << 16.25 << 168010.882581
                                                              << 303630.484931;
    QTest::newRow("GRS 80, origin 33.25S 14.5E: 20S 40E") << frac << -20.0 << 40.0 << 2738258.994304
                                                         << 1249439.893812;
    QTest::newRow("International, zone 30 S: 60N 10E") << Utm(6378388, 0.00672267002233, -3, 1e7) << 60.0
                                                       << 10.0 << 1221997.623526 << 16722960.985253;
    QTest::newRow("Clarke 1866, zone 31 S: 50S 36E, exact formulas")
        << Utm(6378206.4, 0.00676865799729, 0, 1e7) << -50.0 << 36.0 << 3039554.509752 << 3811425.073960;
}

void TestAccuracy::exactAgainstCs2cs() {
    QFETCH(TmParams, p);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, E);
    QFETCH(double, N);
    const accuracy::ExactTm x(p);
    QVERIFY(x.usable());
    const auto g = x.Forward(lat, lon);
    QVERIFY(g);
    QVERIFY2(Distance(*g, E, N) < 1e-3,
             qPrintable(QStringLiteral("%1 %2").arg(g->easting, 0, 'f', 6).arg(g->northing, 0, 'f', 6)));
    const auto back = x.Inverse(E, N);
    QVERIFY(back);
    QVERIFY(std::fabs(back->lat - lat) < 1e-8);
    QVERIFY(std::fabs(back->lon - lon) < 1e-8);
}

// Inverses the series cannot have given right are refused; the figures of
// the bug report on a UTM-like set among them.
void TestAccuracy::impossibleInverse_data() {
    QTest::addColumn<double>("E");
    QTest::addColumn<double>("N");
    QTest::addColumn<bool>("refused");
    QTest::newRow("500000, 99999999: latitude 900") << 500000.0 << 99999999.0 << true;
    QTest::newRow("99999999, 5800000: latitude 1.7e11") << 99999999.0 << 5800000.0 << true;
    QTest::newRow("500000, 10001965: just beyond the pole") << 500000.0 << 10100000.0 << true;
    QTest::newRow("500000, 5800000: a position") << 500000.0 << 5800000.0 << false;
    QTest::newRow("2500000, 4500000: 25 deg out, a warning, not a refusal") << 2500000.0 << 4500000.0 << false;
}

void TestAccuracy::impossibleInverse() {
    QFETCH(double, E);
    QFETCH(double, N);
    QFETCH(bool, refused);
    const TmParams p = Utm(6378137, 0.00669437999014, 3);
    const auto s = accuracy::Series_Inverse(p, E, N);
    const bool impossible = !s || accuracy::Inverse_Impossible(s->lat, s->lon, p.lon0_deg);
    QCOMPARE(impossible, refused);
    QVERIFY(accuracy::Inverse_Impossible(kNaN, 3, 3));
    QVERIFY(accuracy::Inverse_Impossible(45, 93.5, 3));
    QVERIFY(!accuracy::Inverse_Impossible(-90, -87, 3));
}

// Wherever a pre-test says "plain", the exact check finds at most
// kPlainBound (0.9 mm, under the 1 mm that flags):
// seeded random points, forward and inverse, on the spheroids of the
// catalogue and latitudes of origin that make the arc error largest.
void TestAccuracy::pretestSound_data() {
    QTest::addColumn<TmParams>("p");
    QTest::addColumn<double>("maxDlon");
    QTest::newRow("Airy 1830, origin 49N 2W") << TmParams{6377563.396, 0.00667054, 0.9996012717, 400000, -100000, 49, -2} << 8.0;
    QTest::newRow("Bessel 1841, k0 1, 9E") << TmParams{6377397.155, 0.00667437223062, 1, 3500000, 0, 0, 9} << 8.0;
    QTest::newRow("Clarke 1866, UTM 17S") << Utm(6378206.4, 0.00676865799729, -81, 1e7) << 8.0;
    QTest::newRow("International 1924, origin 70S") << TmParams{6378388, 0.00672267002233, 1, 0, 0, -70, 20} << 8.0;
    QTest::newRow("GRS 80, UTM 31N") << Utm(6378137, 0.00669438002290, 3) << 8.0;
    QTest::newRow("WGS 84, origin 33.25S 14.5E") << TmParams{6378137, 0.00669437999014, 1, 0, 0, -33.25, 14.5} << 8.0;
    QTest::newRow("Clarke 1880, origin 53.5N, wide") << TmParams{6378249.145, 0.006803511282849, 1.000035, 200000, 250000, 53.5, -8} << 20.0;
    QTest::newRow("sphere, origin 10N") << TmParams{6371000, 0, 1, 0, 0, 10, 0} << 8.0;
}

void TestAccuracy::pretestSound() {
    QFETCH(TmParams, p);
    QFETCH(double, maxDlon);
    // The guarantee as documented, not as the header's constant may drift to.
    const double bound = 0.9e-3;
    QCOMPARE(accuracy::kPlainBound, bound);
    const accuracy::Checker c(p);
    Rng rng(0x5eed);
    int plain = 0;
    for (int i = 0; i < 20000; ++i) {
        // Half the points where the pre-tests' allowances end.
        const double lat = rng.uniform(-90, 90);
        const double side = rng.uniform(-1, 1) < 0 ? -1 : 1;
        const double dlon = i % 2 ? rng.uniform(-maxDlon, maxDlon) : side * rng.uniform(3, 6.5);
        const double lon = p.lon0_deg + dlon;
        const auto exact = c.exact().Forward(lat, lon);
        QVERIFY(exact);
        if (c.Plain_Forward(lat, lon)) {
            ++plain;
            const auto s = accuracy::Series_Forward(p, lat, lon);
            QVERIFY(s);
            QVERIFY2(Distance(*s, exact->easting, exact->northing) <= bound,
                     qPrintable(QStringLiteral("forward plain at %1 %2").arg(lat).arg(lon)));
        }
        // The inverse from the exact grid position, and from one up to
        // 0.1 k0 a cos(lat) from the meridian.
        const double wide = side * rng.uniform(0, 0.1) * p.k0 * p.a * std::cos(lat * M_PI / 180);
        for (double E : {exact->easting, p.FE + wide}) {
            const double N = exact->northing;
            if (!c.Plain_Inverse(E, N))
                continue;
            ++plain;
            const auto s = accuracy::Series_Inverse(p, E, N);
            QVERIFY(s && !accuracy::Inverse_Impossible(s->lat, s->lon, p.lon0_deg));
            const auto back = c.exact().Forward(s->lat, s->lon);
            QVERIFY(back);
            QVERIFY2(Distance(*back, E, N) <= bound,
                     qPrintable(QStringLiteral("inverse plain at E %1 N %2").arg(E).arg(N)));
        }
    }
    if (p.e2 <= 0.0069)
        QVERIFY2(plain > 5000, "the pre-tests hardly ever pass");
}

// Where the windows and quillmar-batch mostly work (within 3 degrees of the
// meridian, middle latitudes) the pre-tests settle it, so the exact check
// costs nothing there.
void TestAccuracy::pretestCovers_data() {
    QTest::addColumn<TmParams>("p");
    QTest::addColumn<double>("latFrom");
    QTest::addColumn<double>("latTo");
    QTest::addColumn<bool>("inverse");
    const TmParams grs = Utm(6378137, 0.00669438002290, 3);
    QTest::newRow("GRS 80 UTM forward 60S-55N") << grs << -55.0 << 55.0 << false;
    QTest::newRow("GRS 80 UTM inverse 45S-45N") << grs << -45.0 << 45.0 << true;
    const TmParams osgb{6377563.396, 0.00667054, 0.9996012717, 400000, -100000, 49, -2};
    QTest::newRow("Airy origin 49N forward 49N-61N") << osgb << 49.0 << 61.0 << false;
    QTest::newRow("Airy origin 49N inverse 49N-61N") << osgb << 49.0 << 61.0 << true;
}

void TestAccuracy::pretestCovers() {
    QFETCH(TmParams, p);
    QFETCH(double, latFrom);
    QFETCH(double, latTo);
    QFETCH(bool, inverse);
    const accuracy::Checker c(p);
    Rng rng(42);
    for (int i = 0; i < 2000; ++i) {
        const double lat = rng.uniform(latFrom, latTo), lon = p.lon0_deg + rng.uniform(-3, 3);
        if (!inverse) {
            QVERIFY2(c.Plain_Forward(lat, lon), qPrintable(QStringLiteral("%1 %2").arg(lat).arg(lon)));
        } else {
            const auto g = c.exact().Forward(lat, lon);
            QVERIFY(g);
            QVERIFY2(c.Plain_Inverse(g->easting, g->northing),
                     qPrintable(QStringLiteral("%1 %2").arg(lat).arg(lon)));
        }
    }
}

void TestAccuracy::texts_data() {
    QTest::addColumn<double>("error");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("E");
    QTest::addColumn<double>("N");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("the example of the bug report")
        << 25.4664 << 18.0 << 3076934.549929 << 4884302.019156
        << "18.0° from the central meridian: these series are 25.466 m from the exact projection "
           "here. Exact: E 3076934.550, N 4884302.019."
        << "25.466 m from the exact projection, 18.0° from the central meridian";
    QTest::newRow("just over 1 mm, negative easting: no -0 anywhere")
        << 0.0010004 << 7.96 << -0.0004 << -1234.5675
        << "8.0° from the central meridian: these series are 0.001 m from the exact projection "
           "here. Exact: E 0.000, N -1234.568."
        << "0.001 m from the exact projection, 8.0° from the central meridian";
    QTest::newRow("1 mm exactly: not flagged") << 1e-3 << 8.0 << 0.0 << 0.0 << "" << "";
}

void TestAccuracy::texts() {
    QFETCH(double, error);
    QFETCH(double, degrees);
    QFETCH(double, E);
    QFETCH(double, N);
    QFETCH(QString, warning);
    QFETCH(QString, refusal);
    accuracy::Finding f;
    f.kind = accuracy::Finding::Kind::Checked;
    f.error_m = error;
    f.degrees_from_meridian = degrees;
    f.exact_grid = {E, N};
    // The texts must not follow a locale with a decimal comma (Qt sets the
    // process locale from the environment).
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    QCOMPARE(QString::fromStdString(accuracy::Warning_Text(f)), warning);
    QCOMPARE(QString::fromStdString(accuracy::Refusal_Text(f)), refusal);
    if (!warning.isEmpty()) {
        const QString geog = warning.left(warning.indexOf("Exact: ") + 7) + "40° 00' 00.00\" N, 30° 00' 00.00\" E.";
        QCOMPARE(QString::fromStdString(accuracy::Warning_Text(f, "40° 00' 00.00\" N, 30° 00' 00.00\" E")), geog);
    }
    if (comma)
        std::setlocale(LC_NUMERIC, "C");
    f.kind = accuracy::Finding::Kind::Plain;
    QVERIFY(accuracy::Warning_Text(f).empty() && accuracy::Refusal_Text(f).empty());
}

// Zone 30 in force, a point in zone 33. Entries: name, a, e2, meridian, FN.
void TestAccuracy::nearerEntry_data() {
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<QString>("text");
    // Regression: 33S's false northing leaves a northern point's coordinates
    // positive too; the smaller northing decides.
    QTest::newRow("45N 16E: zone 33N") << 45.0 << 16.0 << "Nearer: WGS 84 / UTM zone 33N (1.0° from its meridian).";
    QTest::newRow("45S 16E: zone 33S, same meridian") << -45.0 << 16.0 << "Nearer: WGS 84 / UTM zone 33S (1.0° from its meridian).";
    QTest::newRow("45N 27.5E: ED50 zone 35 nearer, other spheroid: zone 33N, 12.5 deg off, disagrees")
        << 45.0 << 27.5 << "";
    QTest::newRow("45N 1W: the entry in force is nearest") << 45.0 << -1.0 << "";
    QTest::newRow("45N 6E: zone 31N, 3.0 deg") << 45.0 << 6.0 << "Nearer: WGS 84 / UTM zone 31N (3.0° from its meridian).";
}

void TestAccuracy::nearerEntry() {
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(QString, text);
    const double a = 6378137, e2 = 0.00669437999014;
    const TmParams inForce = Utm(a, e2, -3);
    const std::vector<accuracy::Entry> entries{
        {"WGS 84 / UTM zone 30N", inForce},
        {"WGS 84 / UTM zone 31N", Utm(a, e2, 3)},
        {"WGS 84 / UTM zone 33S", Utm(a, e2, 15, 1e7)},
        {"WGS 84 / UTM zone 33N", Utm(a, e2, 15)},
        {"ETRS89 / UTM zone 33N", Utm(a, 0.00669438002290, 15)},
        {"ED50 / UTM zone 35N", Utm(6378388, 0.00672267002233, 27)},
    };
    const auto n = accuracy::Nearer_Entry(inForce, entries, lat, lon);
    QCOMPARE(n ? QString::fromStdString(accuracy::Nearer_Text(*n)) : QString(), text);
}

QTEST_APPLESS_MAIN(TestAccuracy)
#include "tst_accuracy.moc"
