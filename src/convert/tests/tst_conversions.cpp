// The working tabs' arithmetic and texts without a window: checks, their
// order, sign rules, parsing of the Spheroid tab's texts, masks, and the
// single-precision rounding of the distance.
#include "conversions.h"

#include <QtTest>

Q_DECLARE_METATYPE(geo::ProjectionParams)

namespace {

// The published worked example: Airy spheroid, e^2 taken to 8 decimals.
geo::ProjectionParams airy() {
    geo::ProjectionParams p;
    p.major_axis = 6377563.396;
    p.ecc_squared = 0.00667054;
    p.scale_factor = 0.9996012717;
    p.false_easting = 400000;
    p.false_northing = -100000;
    p.origin_lat = 49;
    p.central_meridian = -2;
    return p;
}

geo::ProjectionParams southern() {
    geo::ProjectionParams p;
    p.major_axis = 6378137;
    p.ecc_squared = 0.00669438;
    p.scale_factor = 0.9996;
    p.false_easting = 500000;
    p.false_northing = 10000000;
    p.origin_lat = 0;
    p.central_meridian = -57;
    return p;
}

geo::ProjectionParams withCm(geo::ProjectionParams p, int16_t cm) {
    p.central_meridian = cm;
    return p;
}

geo::ProjectionParams withE2(geo::ProjectionParams p, double e2) {
    p.ecc_squared = e2;
    return p;
}

// What the window holds after clearing: numbers zero, origin kept.
geo::ProjectionParams cleared() {
    geo::ProjectionParams p;
    p.origin_lat = 49;
    p.central_meridian = -2;
    return p;
}

const QString kNumeric =
    "The conversion failed: the parameter set or the position gives no finite result.";
const QString kBadCm = "The central meridian must be whole degrees, a blank and a letter, e.g. 3 W.";
const QString kBadOrigin = "The latitude of origin must be a number of degrees, e.g. 49 N.";
const QString kOverflow =
    "The distance cannot be calculated: a position or a coordinate is too large.";

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.toStdString(); }

} // namespace

class TstConversions : public QObject {
    Q_OBJECT
  private slots:
    void geogToGrid_data();
    void geogToGrid();
    void minusDegreesWithWestMirrorsTheEast();
    void gridToGeog_data();
    void gridToGeog();
    void distance_data();
    void distance();
};

void TstConversions::geogToGrid_data() {
    QTest::addColumn<geo::ProjectionParams>("params");
    QTest::addColumn<QString>("cm");
    QTest::addColumn<QStringList>("lat"); // deg, min, sec, letter
    QTest::addColumn<QStringList>("lon");
    QTest::addColumn<bool>("withSeconds");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("easting");
    QTest::addColumn<QString>("northing");

    const QStringList lat52{"52", "0", "0", "N"};
    const QStringList lon1w{"1", "0", "0", "W"};
    QTest::newRow("worked example") << airy() << "2 W" << lat52 << lon1w << true << ""
                                    << "468643.108" << "234025.790";
    QTest::newRow("minutes mode ignores seconds text")
        << airy() << "2 W" << QStringList{"52", "0", "99", "N"} << QStringList{"1", "0", "7", "W"}
        << false << "" << "468643.108" << "234025.790";
    QTest::newRow("decimal minutes in seconds mode")
        << airy() << "2 W" << QStringList{"51", "60", "0", "N"} << QStringList{"0", "60", "0", "W"}
        << true << "" << "468643.108" << "234025.790";
    QTest::newRow("lower-case letters count")
        << southern() << "57 W" << QStringList{"34", "30", "0", "s"}
        << QStringList{"58", "15", "0", "w"} << true << "" << "385242.653" << "6181693.653";
    // Only the whole text "W" is west: " W" and "WEST" leave 3 deg east of 3 W.
    QTest::newRow("blank before W counts as east")
        << withCm(airy(), -3) << "3 W" << QStringList{"49", "0", "0", "N"}
        << QStringList{"-3", "0", "0", " W"} << true << "" << "400000.000" << "-100000.000";
    QTest::newRow("-3 with E is on the meridian 3 W")
        << withCm(airy(), -3) << "3 W" << QStringList{"49", "0", "0", "N"}
        << QStringList{"-3", "0", "0", "E"} << true << "" << "400000.000" << "-100000.000";
    QTest::newRow("3 with W is on the meridian 3 W")
        << withCm(airy(), -3) << "3 W" << QStringList{"49", "0", "0", "N"}
        << QStringList{"3", "0", "0", "W"} << true << "" << "400000.000" << "-100000.000";
    QTest::newRow("blank degrees pass and read as 0")
        << withCm(airy(), 0) << "0 E" << QStringList{" ", "0", "0", "N"}
        << QStringList{" ", "", "", ""} << true << "" << "400000.000" << "-5527063.815";

    QTest::newRow("no spheroid comes before empty degrees")
        << airy() << "" << QStringList{"", "", "", ""} << QStringList{"", "", "", ""} << true
        << "Select spheroid." << "" << "";
    QTest::newRow("empty latitude degrees")
        << airy() << "2 W" << QStringList{"", "0", "0", "N"} << lon1w << true << "Enter position."
        << "" << "";
    QTest::newRow("empty longitude degrees")
        << airy() << "2 W" << lat52 << QStringList{"", "0", "0", "W"} << true << "Enter position."
        << "" << "";
    QTest::newRow("cleared parameter set") << cleared() << "2 W" << lat52 << lon1w << true
                                           << kNumeric << "" << "";
    QTest::newRow("e2 of 1") << withE2(airy(), 1) << "2 W" << lat52 << lon1w << true << kNumeric
                             << "" << "";
    QTest::newRow("e2 above 1") << withE2(airy(), 1.5) << "2 W" << lat52 << lon1w << true
                                << kNumeric << "" << "";
    // Regression: degrees beyond a double escaped as an exception.
    QTest::newRow("degrees beyond double range")
        << airy() << "2 W" << QStringList{"1e999", "0", "0", "N"} << lon1w << true << kNumeric << ""
        << "";
}

void TstConversions::geogToGrid() {
    QFETCH(geo::ProjectionParams, params);
    QFETCH(QString, cm);
    QFETCH(QStringList, lat);
    QFETCH(QStringList, lon);
    QFETCH(bool, withSeconds);
    QFETCH(QString, message);
    QFETCH(QString, easting);
    QFETCH(QString, northing);

    convert::GeogInput in{s(lat[0]), s(lat[1]), s(lat[2]), s(lat[3]),
                          s(lon[0]), s(lon[1]), s(lon[2]), s(lon[3]), withSeconds};
    const convert::GridTexts r = convert::Geog_To_Grid(params, s(cm), in);
    QCOMPARE(q(r.message), message);
    QCOMPARE(q(r.easting), easting);
    QCOMPARE(q(r.northing), northing);
}

void TstConversions::minusDegreesWithWestMirrorsTheEast() {
    // '-3' with "W" is +3 degrees: the letter goes on top of the sign.
    const geo::ProjectionParams p = withCm(airy(), 0);
    const auto at = [&](const char* deg, const char* letter) {
        convert::GeogInput in{"52", "0", "0", "N", deg, "0", "0", letter, true};
        return convert::Geog_To_Grid(p, "0 E", in);
    };
    const convert::GridTexts minusWest = at("-3", "W");
    const convert::GridTexts plusEast = at("3", "E");
    const convert::GridTexts minusEast = at("-3", "");
    QVERIFY(minusWest.message.empty());
    QCOMPARE(q(minusWest.easting), q(plusEast.easting));
    QCOMPARE(q(minusWest.northing), q(plusEast.northing));
    QVERIFY(minusEast.easting != plusEast.easting);
    QCOMPARE(q(minusEast.northing), q(plusEast.northing));
}

void TstConversions::gridToGeog_data() {
    QTest::addColumn<geo::ProjectionParams>("params");
    QTest::addColumn<QString>("cm");
    QTest::addColumn<QString>("orig");
    QTest::addColumn<QString>("easting");
    QTest::addColumn<QString>("northing");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("bad"); // convert::GeogTexts::Bad
    QTest::addColumn<QString>("lat"); // seconds layout on success
    QTest::addColumn<QString>("lon");

    const int none = int(convert::GeogTexts::Bad::None);
    const int north = int(convert::GeogTexts::Bad::Northing);
    const int east = int(convert::GeogTexts::Bad::Easting);
    const QString lat52 = " 51 Deg  59 Min 60.000 Sec N";
    const QString lon1w = "001 Deg  0 Min 0.000 Sec W";

    QTest::newRow("worked example") << airy() << "2 W" << "49 N" << "468643.108" << "234025.790"
                                    << "" << none << lat52 << lon1w;
    QTest::newRow("blanks around the entries")
        << airy() << "2 W" << "49 N" << " 468643.108 " << " 234025.790 " << "" << none << lat52
        << lon1w;
    // The texts decide, not the parameter set's whole degrees.
    QTest::newRow("meridian from the text only")
        << withCm(airy(), 7) << "2 W" << "49 N" << "468643.108" << "234025.790" << "" << none
        << lat52 << lon1w;
    QTest::newRow("meridian halves to even: 2.5 W is 2 W")
        << airy() << "2.5 W" << "49 N" << "468643.108" << "234025.790" << "" << none << lat52
        << lon1w;
    QTest::newRow("lower-case letter w") << airy() << "2 w" << "49 n" << "468643.108"
                                         << "234025.790" << "" << none << lat52 << lon1w;
    QTest::newRow("southern example")
        << southern() << "57 W" << "0 N" << "385242.653" << "6181693.653" << "" << none
        << " 34 Deg  29 Min 60.000 Sec S" << "058 Deg  14 Min 60.000 Sec W";
    QTest::newRow("origin without blank is read whole")
        << southern() << "57 W" << "0" << "385242.653" << "6181693.653" << "" << none
        << " 34 Deg  29 Min 60.000 Sec S" << "058 Deg  14 Min 60.000 Sec W";
    QTest::newRow("origin and equator give zero, N and E")
        << withE2(southern(), 0.00669438) << "0 E" << "0 N" << "500000" << "10000000" << ""
        << none << " 0 Deg  0 Min 0.000 Sec N" << "000 Deg  0 Min 0.000 Sec E";

    QTest::newRow("no meridian comes before bad entries")
        << airy() << "" << "49 N" << "x" << "y" << "Select a spheroid or enter central meridian"
        << none << "" << "";
    QTest::newRow("both entries empty: northing reported")
        << airy() << "2 W" << "49 N" << "" << "" << "Entry must be numeric" << north << "" << "";
    QTest::newRow("easting with comma") << airy() << "2 W" << "49 N" << "523,456.7" << "234025.790"
                                        << "Entry must be numeric" << east << "" << "";
    QTest::newRow("easting with trailing letter")
        << airy() << "2 W" << "49 N" << "12a" << "234025.790" << "Entry must be numeric" << east
        << "" << "";
    QTest::newRow("meridian without blank") << airy() << "2W" << "49 N" << "468643.108"
                                            << "234025.790" << kBadCm << none << "" << "";
    QTest::newRow("meridian degrees not a number")
        << airy() << "X W" << "49 N" << "468643.108" << "234025.790" << kBadCm << none << "" << "";
    QTest::newRow("meridian beginning with a blank")
        << airy() << " 2 W" << "49 N" << "468643.108" << "234025.790" << kBadCm << none << ""
        << "";
    QTest::newRow("meridian outside 16 bits") << airy() << "40000 E" << "49 N" << "468643.108"
                                              << "234025.790" << kBadCm << none << "" << "";
    QTest::newRow("origin not a number") << airy() << "2 W" << "N" << "468643.108"
                                         << "234025.790" << kBadOrigin << none << "" << "";
    QTest::newRow("origin empty") << airy() << "2 W" << "" << "468643.108" << "234025.790"
                                  << kBadOrigin << none << "" << "";
    QTest::newRow("cleared parameter set") << cleared() << "2 W" << "49 N" << "468643.108"
                                           << "234025.790" << kNumeric << none << "" << "";
    QTest::newRow("e2 of 1") << withE2(airy(), 1) << "2 W" << "49 N" << "468643.108"
                             << "234025.790" << kNumeric << none << "" << "";
    QTest::newRow("northing beyond double range") << airy() << "2 W" << "49 N" << "468643.108"
                                                  << "1e999" << kNumeric << none << "" << "";
}

void TstConversions::gridToGeog() {
    QFETCH(geo::ProjectionParams, params);
    QFETCH(QString, cm);
    QFETCH(QString, orig);
    QFETCH(QString, easting);
    QFETCH(QString, northing);
    QFETCH(QString, message);
    QFETCH(int, bad);
    QFETCH(QString, lat);
    QFETCH(QString, lon);

    const convert::GeogTexts r =
        convert::Grid_To_Geog(params, {s(easting), s(northing), s(cm), s(orig)});
    QCOMPARE(q(r.message), message);
    QCOMPARE(int(r.bad), bad);
    if (message.isEmpty()) {
        const numtext::LayoutTexts t = numtext::Layout_Seconds(r.result);
        QCOMPARE(q(t.lat), lat);
        QCOMPARE(q(t.lon), lon);
    }
}

void TstConversions::distance_data() {
    QTest::addColumn<geo::ProjectionParams>("params");
    QTest::addColumn<QString>("cm");
    QTest::addColumn<QStringList>("geog"); // sixteen, or empty for all empty
    QTest::addColumn<QStringList>("grid");
    QTest::addColumn<bool>("withSeconds");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("kms");
    QTest::addColumn<QString>("miles");

    const QStringList noGeog;
    // Rounded to the millimetre first: 4.9995 m is held as 5 m.
    QTest::newRow("grid rounded to three decimals first")
        << airy() << "2 W" << noGeog << QStringList{"", "", "4.9995", ""} << true << "" << ".01"
        << ".00";
    // Held in single precision: 134217735 m is held as 134217728 m.
    QTest::newRow("grid held in single precision")
        << airy() << "2 W" << noGeog << QStringList{"", "", "", "134217735"} << true << ""
        << "134217.73" << "72471.78";
    QTest::newRow("geographic identical positions")
        << airy() << "2 W"
        << QStringList{"52", "0", "0", "N", "1", "0", "0", "W", "52", "0", "0", "N", "1", "0", "0",
                       "W"}
        << QStringList{} << true << "" << ".00" << ".00";
    QTest::newRow("geographic 51 30 36 equals 51 30.6")
        << airy() << "2 W"
        << QStringList{"51", "30", "36", "N", "1", "", "", "W", "51", "30.6", "", "N", "1", "", "",
                       "W"}
        << QStringList{} << true << "" << ".00" << ".00";
    QTest::newRow("geographic minutes mode ignores seconds")
        << airy() << "2 W"
        << QStringList{"51", "30", "36", "N", "1", "", "59", "W", "51", "30", "", "N", "1", "", "",
                       "W"}
        << QStringList{} << false << "" << ".00" << ".00";
    QTest::newRow("geographic lower-case letters")
        << airy() << "2 W"
        << QStringList{"1", "", "", "s", "3", "", "", "w", "1", "", "", "S", "3", "", "", "W"}
        << QStringList{} << true << "" << ".00" << ".00";
    QTest::newRow("geographic leaves the grid fields alone")
        << airy() << "2 W"
        << QStringList{"52", "", "", "N", "1", "", "", "W", "52", "", "", "N", "1", "", "", "W"}
        << QStringList{"0", "0", "3000", "4000"} << true << "" << ".00" << ".00";

    QTest::newRow("no spheroid") << airy() << "" << noGeog << QStringList{"0", "0", "3000", "4000"}
                                 << true << "Select spheroid." << "" << "";
    QTest::newRow("grid beyond double range") << airy() << "2 W" << noGeog
                                              << QStringList{"1e999", "", "", ""} << true
                                              << kOverflow << "" << "";
    QTest::newRow("grid beyond single range") << airy() << "2 W" << noGeog
                                              << QStringList{"", "", "", "3.5e38"} << true
                                              << kOverflow << "" << "";
    QTest::newRow("grid just inside single range") << airy() << "2 W" << noGeog
                                                   << QStringList{"", "", "", "3.4e38"} << true << ""
                                                   << "339999995214436000000000000000000000.00"
                                                   << "183585310590948000000000000000000000.00";
    // Regression: degrees beyond a double escaped as an exception.
    QTest::newRow("geographic degrees beyond double range")
        << airy() << "2 W"
        << QStringList{"52", "", "", "N", "1", "", "", "W", "1e999", "", "", "N", "1", "", "", "W"}
        << QStringList{} << true << kOverflow << "" << "";
    QTest::newRow("geographic with cleared parameter set")
        << cleared() << "2 W"
        << QStringList{"52", "", "", "N", "1", "", "", "W", "52", "", "", "N", "1", "", "", "W"}
        << QStringList{} << true << kOverflow << "" << "";
}

void TstConversions::distance() {
    QFETCH(geo::ProjectionParams, params);
    QFETCH(QString, cm);
    QFETCH(QStringList, geog);
    QFETCH(QStringList, grid);
    QFETCH(bool, withSeconds);
    QFETCH(QString, message);
    QFETCH(QString, kms);
    QFETCH(QString, miles);

    convert::DistanceInput in;
    for (int i = 0; i < geog.size(); ++i)
        in.geog[std::size_t(i)] = s(geog[i]);
    for (int i = 0; i < grid.size(); ++i)
        in.grid[std::size_t(i)] = s(grid[i]);
    in.withSeconds = withSeconds;
    const convert::DistanceTexts r = convert::Point_Distance(params, s(cm), in);
    QCOMPARE(q(r.message), message);
    QCOMPARE(q(r.kms), kms);
    QCOMPARE(q(r.miles), miles);
}

QTEST_APPLESS_MAIN(TstConversions)
#include "tst_conversions.moc"
