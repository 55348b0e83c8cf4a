// The quantities beside the coordinates, checked against GeographicLib's own
// command-line tools run as programs on the same points: a wrong central
// meridian, a swapped sign or hemisphere, or a convergence taken at the wrong
// point fails here. Independent checks tie them together: on a short line the
// grid bearing is the azimuth less the convergence, and the line scale factor
// is the mean of the point scale factors.
#include "conversions.h"
#include "parameterset.h"
#include "store.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>
#include <random>
#include <tuple>

namespace {

// Stated tolerances of the comparison.
constexpr double kAngle = 1e-7;    // degrees: convergence, azimuths
constexpr double kScale = 1e-9;    // point scale factor
constexpr double kDistance = 1e-4; // metres: geodesic distance

struct Entry {
    geo::ParameterValues values;
    convert::InForce pf;
};

Entry defaultEntry(const QString& name) {
    for (const catalogue::EntryTexts& e : catalogue::CatalogueStore::DefaultEntries()) {
        if (e.name != name)
            continue;
        const numtext::ParameterReading r = catalogue::Read_Entry(e, {});
        if (!r.values)
            qFatal("default entry %s does not read", qPrintable(name));
        const numtext::ParameterNumbers& n = *r.values;
        const geo::ParameterValues v{n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0};
        return {v, convert::Make_In_Force(v)};
    }
    qFatal("no default entry %s", qPrintable(name));
}

// Exactly the double, so the tools read the number the program converted.
QString exact(double x) { return QString::number(x, 'g', 17); }
std::string text(double x) { return exact(x).toStdString(); }

// Runs a tool with one line per point on standard input; its output lines as
// numbers.
QList<QList<double>> runTool(const QString& tool, const QStringList& args,
                             const QStringList& lines) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForStarted())
        return {};
    p.write((lines.join('\n') + '\n').toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    QList<QList<double>> out;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n',
                                                                                 Qt::SkipEmptyParts)) {
        QList<double> numbers;
        for (const QString& w : line.split(' ', Qt::SkipEmptyParts))
            numbers << w.toDouble();
        out << numbers;
    }
    return out;
}

// a and f as GeographicLib's tools take them.
QStringList ellipsoid(const geo::ProjectionParams& p) {
    return {"-e", exact(p.major_axis), exact(1 - std::sqrt(1 - p.ecc_squared))};
}

// Difference of two angles in degrees, across the 0/360 seam.
double angleDiff(double a, double b) {
    const double d = std::fmod(a - b, 360.0);
    return std::fabs(d > 180 ? d - 360 : d < -180 ? d + 360 : d);
}

// Fail with both values and what they are.
#define NEAR(actual, expected, tol, what)                                                          \
    QVERIFY2(std::fabs((actual) - (expected)) < (tol),                                             \
             qPrintable((what) + QString(": %1, reference %2").arg(exact(actual), exact(expected))))
#define NEAR_ANGLE(actual, expected, tol, what)                                                    \
    QVERIFY2(angleDiff((actual), (expected)) < (tol),                                              \
             qPrintable((what) + QString(": %1, reference %2").arg(exact(actual), exact(expected))))

struct Point {
    double lat, lon; // degrees
};

convert::GeogInput decimalInput(const Point& pt) {
    convert::GeogInput in;
    in.lat_deg = text(pt.lat);
    in.long_deg = text(pt.lon);
    in.factors = true;
    return in;
}

} // namespace

class TestSurvey : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        for (const char* tool : {"TransverseMercatorProj", "GeodSolve"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                     "GeographicLib's tools (geographiclib-tools) are needed as the reference");
    }

    // Northern and southern zones, west and east meridians, an origin away
    // from the equator, k0 of 1: 60 seeded points each, within 7 degrees of
    // the meridian and 80 of the equator.
    void againstGeographicLib_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<unsigned>("seed");
        const char* names[] = {"Airy 1830 / National Grid",         "WGS 84 / UTM zone 21S",
                               "WGS 84 / UTM zone 55S",             "GRS 80 / NZTM 2000",
                               "Bessel 1841 / Gauss-Kruger zone 3", "Everest 1830 / UTM zone 44N",
                               "WGS 84 / UTM zone 10N"};
        unsigned seed = 1;
        for (const char* n : names)
            QTest::newRow(n) << QString::fromLatin1(n) << seed++;
    }
    void againstGeographicLib() {
        QFETCH(QString, entry);
        QFETCH(unsigned, seed);
        const Entry e = defaultEntry(entry);
        const convert::InForce& p = e.pf;
        std::mt19937_64 rng(seed);
        std::uniform_real_distribution<double> lat(-80, 80), dlon(-7, 7), step(-0.03, 0.03);
        const int n = 60;
        QList<Point> pts;
        for (int i = 0; i < n; ++i)
            pts << Point{lat(rng), e.values.lon0 + dlon(rng)};

        // Geog to Grid at the typed position; Grid to Geog at the converted one.
        QStringList forwardLines, inverseLines;
        QList<convert::GridTexts> forward;
        QList<convert::GeogTexts> inverse;
        for (const Point& pt : pts) {
            const convert::GridTexts g = convert::Geog_To_Grid(p, decimalInput(pt));
            QCOMPARE(g.message, std::string());
            forward << g;
            forwardLines << exact(pt.lat) + ' ' + exact(pt.lon);
            const convert::GeogTexts r =
                convert::Grid_To_Geog(p, {g.easting, g.northing, true});
            QCOMPARE(r.message, std::string());
            inverse << r;
            inverseLines << exact(r.latitude) + ' ' + exact(r.longitude);
        }
        const QStringList tm =
            QStringList{"-l", exact(e.values.lon0), "-k", exact(e.values.k0)} +
            ellipsoid(p.projection->params());
        const auto fwdRef = runTool("TransverseMercatorProj", tm, forwardLines);
        const auto invRef = runTool("TransverseMercatorProj", tm, inverseLines);
        QCOMPARE(fwdRef.size(), n);
        QCOMPARE(invRef.size(), n);
        for (int i = 0; i < n; ++i) {
            for (const auto& [f, ref, tab] :
                 {std::tuple{forward[i].factors, fwdRef[i], "Geog to Grid"},
                  std::tuple{inverse[i].factors, invRef[i], "Grid to Geog"}}) {
                const QString at = QString("%1 point %2").arg(tab).arg(i);
                QVERIFY2(f.convergence && f.scale, qPrintable(at));
                NEAR(*f.convergence, ref[2], kAngle, at + " convergence");
                NEAR(*f.scale, ref[3], kScale, at + " scale");
            }
        }

        // Distance: long lines between successive points, and short ones (a
        // few km) from each point, in geographic mode; the short ones also
        // typed as the grid coordinates the program gives their ends.
        QStringList geodLines;
        QList<convert::LineFactors> lines, gridLines;
        QList<double> convergence, meanScale; // at the short lines' ends
        for (int i = 0; i + 1 < n; ++i) {
            for (bool isShort : {false, true}) {
                const Point a = pts[i];
                const Point b = isShort ? Point{a.lat + step(rng), a.lon + step(rng)} : pts[i + 1];
                convert::DistanceInput in;
                in.geodesic = true;
                in.geog[0] = text(a.lat);
                in.geog[4] = text(a.lon);
                in.geog[8] = text(b.lat);
                in.geog[12] = text(b.lon);
                const convert::DistanceTexts d = convert::Point_Distance(p, in);
                QCOMPARE(d.message, std::string());
                lines << d.line;
                geodLines << QStringList{exact(a.lat), exact(a.lon), exact(b.lat), exact(b.lon)}
                                 .join(' ');
                if (!isShort)
                    continue;
                const convert::GridTexts ga = convert::Geog_To_Grid(p, decimalInput(a));
                const convert::GridTexts gb = convert::Geog_To_Grid(p, decimalInput(b));
                convert::DistanceInput gin;
                gin.geodesic = true;
                gin.grid = {ga.easting, ga.northing, gb.easting, gb.northing};
                gridLines << convert::Point_Distance(p, gin).line;
                convergence << *ga.factors.convergence;
                meanScale << (*ga.factors.scale + *gb.factors.scale) / 2;
            }
        }
        const auto geodRef = runTool("GeodSolve", QStringList{"-i", "-p", "9"} + ellipsoid(p.projection->params()),
                                     geodLines);
        QCOMPARE(geodRef.size(), lines.size());
        for (int j = 0; j < lines.size(); ++j) {
            const convert::LineFactors& l = lines[j];
            const QList<double>& ref = geodRef[j]; // azi1 azi2 s12
            const QString at = QString("line %1").arg(j);
            QVERIFY2(l.geodesic && l.azimuth12 && l.azimuth2 && l.bearing12 && l.grid_distance &&
                         l.line_scale,
                     qPrintable(at));
            NEAR(*l.geodesic, ref[2], kDistance, at + " s12");
            NEAR_ANGLE(*l.azimuth12, ref[0], kAngle, at + " azimuth 1");
            NEAR_ANGLE(*l.azimuth2, ref[1], kAngle, at + " azimuth 2");
            QVERIFY(*l.azimuth12 >= 0 && *l.azimuth12 < 360);
            QVERIFY(*l.bearing12 >= 0 && *l.bearing12 < 360);
            if (j % 2 == 0)
                continue;
            // Within 5 km and 7 degrees of the meridian the arc-to-chord
            // correction stays below 10", and the line's scale is the mean
            // of its ends' to a few parts in 10^9.
            const int k = j / 2;
            NEAR_ANGLE(*l.bearing12, *l.azimuth12 - convergence[k], 12.0 / 3600,
                       at + " bearing against azimuth - convergence");
            NEAR(*l.line_scale, meanScale[k], 1e-7, at + " line scale");
            // Through the inverse, from coordinates rounded to the millimetre.
            const convert::LineFactors& g = gridLines[k];
            QVERIFY2(g.geodesic && g.azimuth12 && g.bearing12, qPrintable(at + " (grid)"));
            NEAR(*g.geodesic, *l.geodesic, 0.01, at + " (grid) s12");
            NEAR_ANGLE(*g.azimuth12, *l.azimuth12, 1.0 / 3600, at + " (grid) azimuth");
            NEAR_ANGLE(*g.bearing12, *l.bearing12, 1.0 / 3600, at + " (grid) bearing");
        }
    }

    // Where a quantity has no value its field stays empty; the specified
    // results appear all the same.
    void undefinedQuantities() {
        const Entry e = defaultEntry("WGS 84 / UTM zone 30N");
        const convert::GridTexts pole = convert::Geog_To_Grid(e.pf, decimalInput({90, 0}));
        QCOMPARE(pole.message, std::string());
        QVERIFY(!pole.easting.empty());
        QVERIFY(!pole.factors.convergence); // no north at the pole
        QVERIFY(pole.factors.scale);

        convert::DistanceInput same;
        same.geodesic = true;
        same.geog[0] = same.geog[8] = "51.5";
        same.geog[4] = same.geog[12] = "-3";
        const convert::DistanceTexts d = convert::Point_Distance(e.pf, same);
        QCOMPARE(d.kms, std::string(".00"));
        QCOMPARE(*d.line.geodesic, 0.0);
        QCOMPARE(*d.line.grid_distance, 0.0);
        QVERIFY(!d.line.azimuth12 && !d.line.azimuth2 && !d.line.bearing12 && !d.line.line_scale);

        // Not asked for: not computed.
        convert::GeogInput plain = decimalInput({51.5, -3});
        plain.factors = false;
        const convert::GridTexts none = convert::Geog_To_Grid(e.pf, plain);
        QVERIFY(!none.factors.convergence && !none.factors.scale);
    }

    // The window's texts: degrees, minutes and seconds to 0.01", the sign
    // from the rounded value, a carry through 60 seconds and 60 minutes.
    void dmsText_data() {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("withSign");
        QTest::addColumn<QString>("text");
        QTest::newRow("positive with sign") << 2.957378 << true << "+2° 57' 26.56\"";
        QTest::newRow("negative") << -(1 + 2 / 60.0 + 3.45 / 3600) << true << "-1° 02' 03.45\"";
        QTest::newRow("rounds to zero: no sign") << -1e-7 << true << "0° 00' 00.00\"";
        QTest::newRow("carry into the minute") << (59.9951 / 3600) << false << "0° 01' 00.00\"";
        QTest::newRow("carry into the degree") << (1 - 0.001 / 3600) << false << "1° 00' 00.00\"";
        QTest::newRow("azimuth just short of 360") << 359.9999999 << false << "0° 00' 00.00\"";
        QTest::newRow("azimuth 270") << 270.0 << false << "270° 00' 00.00\"";
    }
    void dmsText() {
        QFETCH(double, degrees);
        QFETCH(bool, withSign);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(convert::Dms_Text(degrees, withSign)), text);
    }

    void emptyTexts() {
        for (double bad : {NAN, INFINITY})
            QCOMPARE(convert::Dms_Text(bad, true), std::string());
        QCOMPARE(convert::Dms_Text(std::nullopt, false), std::string());
        QCOMPARE(convert::Scale_Text(std::nullopt), std::string());
        QCOMPARE(convert::Metres_Text(std::nullopt), std::string());
        QCOMPARE(convert::Scale_Text(0.9996), std::string("0.99960000"));
        QCOMPARE(convert::Metres_Text(119559.18149), std::string("119559.181"));
    }
};

QTEST_GUILESS_MAIN(TestSurvey)
#include "tst_survey.moc"
