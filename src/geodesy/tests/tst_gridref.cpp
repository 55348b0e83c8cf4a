// Grid references: the sets that name a grid, the letters at the worked
// examples and at the grids' edges, MGRS against GeoConvert -m and against
// GeographicLib's GeoCoords (the code behind GeoConvert), and every reference
// read back at the centre of the square it names.
#include "gridref.h"

#include <GeographicLib/GeoCoords.hpp>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <random>

using gridref::Grid;
using gridref::ParameterSet;
using gridref::Recognised;

Q_DECLARE_METATYPE(gridref::ParameterSet)

namespace {
// The catalogue's texts.
const ParameterSet kBng{6377563.396, 0.006670540074149, 0.9996012717, 400000, -100000, 49, -2};
const ParameterSet kIrish{6377340.189, 0.00667054, 1.000035, 200000, 250000, 53.5, -8};
const ParameterSet kUtm30N{6378137, 0.006694379990141, 0.9996, 500000, 0, 0, -3};
const ParameterSet kUtm21S{6378137, 0.006694379990141, 0.9996, 500000, 10000000, 0, -57};

QString Unspaced(const std::optional<std::string>& s) {
    return QString::fromStdString(s.value_or("")).remove(' ');
}
} // namespace

class TestGridRef : public QObject {
    Q_OBJECT

  private slots:
    void recognise_data();
    void recognise();
    void write_data();
    void write();
    void geographic_data();
    void geographic();
    void mgrsAgainstGeoConvert_data();
    void mgrsAgainstGeoConvert();
    void mgrsRandom_data();
    void mgrsRandom();
    void read_data();
    void read();
    void readBackAtCentre_data();
    void readBackAtCentre();
};

void TestGridRef::recognise_data() {
    QTest::addColumn<ParameterSet>("p");
    QTest::addColumn<int>("grid");
    QTest::addColumn<int>("zone"); // negative: south
    auto with = [](ParameterSet p, double ParameterSet::*field, double v) {
        p.*field = v;
        return p;
    };
    QTest::newRow("National Grid, catalogue") << kBng << int(Grid::National) << 0;
    QTest::newRow("National Grid, e2 to 8 decimals")
        << with(kBng, &ParameterSet::e2, 0.00667054) << int(Grid::National) << 0;
    QTest::newRow("National Grid, OS e2 0.0066705397616")
        << with(kBng, &ParameterSet::e2, 0.0066705397616) << int(Grid::National) << 0;
    QTest::newRow("National Grid, a one digit off")
        << with(kBng, &ParameterSet::a, 6377563.397) << int(Grid::None) << 0;
    QTest::newRow("National Grid, e2 one digit off")
        << with(kBng, &ParameterSet::e2, 0.00667055) << int(Grid::None) << 0;
    QTest::newRow("National Grid, k0 one digit off")
        << with(kBng, &ParameterSet::k0, 0.9996012718) << int(Grid::None) << 0;
    QTest::newRow("National Grid, k0 within half a digit")
        << with(kBng, &ParameterSet::k0, 0.99960127174) << int(Grid::National) << 0;
    QTest::newRow("National Grid, false northing one off")
        << with(kBng, &ParameterSet::false_northing, -99999) << int(Grid::None) << 0;
    QTest::newRow("National Grid, meridian 3 W")
        << with(kBng, &ParameterSet::central_meridian, -3) << int(Grid::None) << 0;
    QTest::newRow("Irish Grid") << kIrish << int(Grid::Irish) << 0;
    QTest::newRow("Irish Grid, catalogue e2")
        << with(kIrish, &ParameterSet::e2, 0.006670540074149) << int(Grid::Irish) << 0;
    QTest::newRow("Irish Grid, origin 53.4 N")
        << with(kIrish, &ParameterSet::origin_latitude, 53.4) << int(Grid::None) << 0;
    QTest::newRow("Irish Grid, k0 1.000036")
        << with(kIrish, &ParameterSet::k0, 1.000036) << int(Grid::None) << 0;
    QTest::newRow("UTM 30N") << kUtm30N << int(Grid::Mgrs) << 30;
    QTest::newRow("UTM 21S") << kUtm21S << int(Grid::Mgrs) << -21;
    QTest::newRow("UTM 30N, e2 of TR8350.2")
        << with(kUtm30N, &ParameterSet::e2, 0.00669437999014) << int(Grid::Mgrs) << 30;
    QTest::newRow("UTM 1N, meridian 177 W")
        << with(kUtm30N, &ParameterSet::central_meridian, -177) << int(Grid::Mgrs) << 1;
    QTest::newRow("UTM 60N, meridian 177 E")
        << with(kUtm30N, &ParameterSet::central_meridian, 177) << int(Grid::Mgrs) << 60;
    QTest::newRow("meridian 0 is no UTM zone")
        << with(kUtm30N, &ParameterSet::central_meridian, 0) << int(Grid::None) << 0;
    QTest::newRow("GRS 80 (SWEREF99 TM) is not WGS 84")
        << ParameterSet{6378137, 0.006694380022901, 0.9996, 500000, 0, 0, 15} << int(Grid::None)
        << 0;
    QTest::newRow("UTM, false northing 5000000")
        << with(kUtm30N, &ParameterSet::false_northing, 5e6) << int(Grid::None) << 0;
    QTest::newRow("UTM, k0 0.9997") << with(kUtm30N, &ParameterSet::k0, 0.9997) << int(Grid::None)
                                    << 0;
    QTest::newRow("not a number") << with(kBng, &ParameterSet::a, qQNaN()) << int(Grid::None) << 0;
}

void TestGridRef::recognise() {
    QFETCH(ParameterSet, p);
    QFETCH(int, grid);
    QFETCH(int, zone);
    const Recognised r = gridref::Recognise(p);
    QCOMPARE(int(r.grid), grid);
    QCOMPARE(r.north ? r.zone : -r.zone, zone);
}

void TestGridRef::write_data() {
    QTest::addColumn<int>("grid");
    QTest::addColumn<double>("e");
    QTest::addColumn<double>("n");
    QTest::addColumn<QString>("ref"); // empty: none
    const int nat = int(Grid::National), ir = int(Grid::Irish);
    QTest::newRow("OS worked example") << nat << 651409.903 << 313177.270 << "TG 51409 13177";
    QTest::newRow("OS false origin SV") << nat << 0.0 << 0.0 << "SV 00000 00000";
    QTest::newRow("OS Ben Nevis NN") << nat << 216667.9 << 771285.1 << "NN 16667 71285";
    QTest::newRow("OS Shetland HP") << nat << 460000.0 << 1214000.0 << "HP 60000 14000";
    QTest::newRow("OS lowest corner VV") << nat << -1e6 << -5e5 << "VV 00000 00000";
    QTest::newRow("OS highest corner EE")
        << nat << 1499999.999 << 1999999.999 << "EE 99999 99999";
    QTest::newRow("OS east of the grid") << nat << 1.5e6 << 0.0 << "";
    QTest::newRow("OS south of the grid") << nat << 0.0 << -500000.001 << "";
    QTest::newRow("OS not a number") << nat << qQNaN() << 0.0 << "";
    QTest::newRow("Irish worked example") << ir << 315904.0 << 234671.0 << "O 15904 34671";
    QTest::newRow("Irish false origin V") << ir << 0.0 << 0.0 << "V 00000 00000";
    QTest::newRow("Irish top left A") << ir << 0.0 << 499999.999 << "A 00000 99999";
    QTest::newRow("Irish top right E") << ir << 499999.999 << 499999.999 << "E 99999 99999";
    QTest::newRow("Irish bottom right Z") << ir << 499999.0 << 0.0 << "Z 99999 00000";
    QTest::newRow("Irish Belfast J, I skipped") << ir << 333800.0 << 374200.0 << "J 33800 74200";
    QTest::newRow("Irish H left of J") << ir << 250000.0 << 350000.0 << "H 50000 50000";
    QTest::newRow("Irish west of the grid") << ir << -0.001 << 1000.0 << "";
    QTest::newRow("Irish north of the grid") << ir << 1000.0 << 500000.0 << "";
}

void TestGridRef::write() {
    QFETCH(int, grid);
    QFETCH(double, e);
    QFETCH(double, n);
    QFETCH(QString, ref);
    const auto got = gridref::Reference_At_Grid({Grid(grid)}, e, n);
    QCOMPARE(QString::fromStdString(got.value_or("")), ref);
}

// The Ordnance Survey's worked example (A guide to coordinate systems in
// Great Britain) and the Irish one's position from TransverseMercatorProj -r.
void TestGridRef::geographic_data() {
    QTest::addColumn<ParameterSet>("p");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<QString>("ref");
    QTest::newRow("OS worked example") << kBng << 52.657570305556 << 1.717921583333
                                       << "TG 51409 13177";
    QTest::newRow("Irish worked example")
        << kIrish << 53.349563255522 << -6.259281499823 << "O 15904 34671";
    QTest::newRow("OS, far east of the grid") << kBng << 52.0 << 40.0 << "";
    QTest::newRow("a set naming no grid") << ParameterSet{6378137, 0.006694380022901, 0.9996,
                                                          500000, 0, 0, 15}
                                          << 59.0 << 15.0 << "";
}

void TestGridRef::geographic() {
    QFETCH(ParameterSet, p);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(QString, ref);
    const auto got = gridref::Reference_At_Geographic(p, lat, lon);
    QCOMPARE(QString::fromStdString(got.value_or("")), ref);
}

// Generated once with GeoConvert -m and GeoConvert -u -p 6 (GeographicLib
// 2.1.2): band edges, Svalbard's widened 31X, the equator both ways, 80 S.
void TestGridRef::mgrsAgainstGeoConvert_data() {
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<int>("zone"); // negative: south
    QTest::addColumn<double>("e");
    QTest::addColumn<double>("n");
    QTest::addColumn<QString>("mgrs");
    const struct {
        double lat, lon;
        int zone;
        double e, n;
        const char* mgrs;
    } rows[] = {
        {51.4778, -0.0014, 30, 708220.893119, 5707224.827113, "30UYC0822007224"},
        {55.95, -3.19, 30, 488134.829046, 6200531.045621, "30UVH8813400531"},
        {48.0, -6.0, 30, 276224.084603, 5320655.789192, "30UTU7622420655"},
        {56.0, 0.0, 31, 312928.560893, 6210141.326872, "31VCC1292810141"},
        {64.0, 5.5, 31, 622256.537058, 7099411.974811, "31WFL2225699411"},
        {72.0, 6.1, 31, 606878.143539, 7991683.122750, "31XFV0687891683"},
        {83.9, 2.9, 31, 498813.614793, 9316931.183521, "31XDP9881316931"},
        {0.0001, -2.5, 30, 555638.192444, 11.053428, "30NWF5563800011"},
        {45.0, 9.0, 32, 500000.000000, 4982950.400227, "32TNQ0000082950"},
        {-0.0001, 12.0, -33, 166021.443081, 9999988.931724, "33MSV6602199988"},
        {40.75, -74.0, 18, 584419.143940, 4511486.205787, "18TWL8441911486"},
        {37.8, -122.4, 10, 552821.382993, 4183794.498935, "10SEG5282183794"},
        {-34.6, -58.4, -21, 371624.544190, 6170423.240399, "21HUB7162470423"},
        {-33.87, 151.21, -56, 334435.706142, 6250816.397805, "56HLH3443550816"},
        {-79.9, -55.0, -21, 539147.625398, 1128902.938685, "21CWM3914728902"},
        {-72.0, 150.5, -56, 413796.047415, 2009278.527150, "56DMF1379609278"},
        {8.0, -80.0, 17, 610204.602078, 884431.706491, "17PPJ1020484431"},
    };
    for (const auto& r : rows)
        QTest::addRow("%s", r.mgrs) << r.lat << r.lon << r.zone << r.e << r.n << r.mgrs;
}

void TestGridRef::mgrsAgainstGeoConvert() {
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(int, zone);
    QFETCH(double, e);
    QFETCH(double, n);
    QFETCH(QString, mgrs);
    const Recognised g{Grid::Mgrs, std::abs(zone), zone > 0};
    const ParameterSet utm{6378137, 0.006694379990141, 0.9996, 500000, zone > 0 ? 0 : 1e7, 0,
                           6.0 * std::abs(zone) - 183};
    const auto fromGrid = gridref::Reference_At_Grid(g, e, n);
    const auto fromGeog = gridref::Reference_At_Geographic(utm, lat, lon);
    const qsizetype z = mgrs.indexOf(QRegularExpression("[A-Z]")) + 1;
    QVERIFY(fromGrid && fromGeog);
    QCOMPARE(Unspaced(fromGeog), mgrs);
    // On a band's edge the grid position alone, to the micrometre, falls on
    // either side; GeoConvert goes by the latitude. The squares agree.
    const bool bandEdge = std::fmod(lat + 80, 8) == 0;
    QCOMPARE(Unspaced(fromGrid).remove(z - 1, bandEdge), QString(mgrs).remove(z - 1, bandEdge));
    // Spaced after the grid zone and the square letters, digits halved.
    QCOMPARE(QString::fromStdString(*fromGeog),
             mgrs.left(z) + ' ' + mgrs.mid(z, 2) + ' ' + mgrs.mid(z + 2, 5) + ' ' +
                 mgrs.mid(z + 7));
}

void TestGridRef::mgrsRandom_data() {
    QTest::addColumn<ParameterSet>("p");
    for (ParameterSet p : {kUtm30N, kUtm21S}) {
        for (double cm : {-3.0, 15.0, -81.0, -57.0, 153.0}) {
            p.central_meridian = cm;
            QTest::addRow("zone %d %s", int(cm + 183) / 6, p.false_northing ? "S" : "N") << p;
        }
    }
}

// 100 points a row, 1,000 in all, on the zone's own side of the equator and
// within 3 degrees of its meridian.
void TestGridRef::mgrsRandom() {
    QFETCH(ParameterSet, p);
    const Recognised g = gridref::Recognise(p);
    QCOMPARE(g.grid, Grid::Mgrs);
    std::mt19937 rng(g.zone * 2 + g.north);
    std::uniform_real_distribution<double> lat(g.north ? 0 : -80, g.north ? 84 : 0);
    std::uniform_real_distribution<double> dlon(-2.9999, 2.9999);
    for (int i = 0; i < 100; ++i) {
        const double la = lat(rng), lo = p.central_meridian + dlon(rng);
        const GeographicLib::GeoCoords gc(la, lo, g.zone);
        const QString want = QString::fromStdString(gc.MGRSRepresentation(0));
        QCOMPARE(Unspaced(gridref::Reference_At_Geographic(p, la, lo)), want);
        QCOMPARE(Unspaced(gridref::Reference_At_Grid(g, gc.Easting(), gc.Northing())), want);
    }
}

void TestGridRef::read_data() {
    QTest::addColumn<ParameterSet>("p");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("read"); // empty: refused
    QTest::addColumn<double>("e");
    QTest::addColumn<double>("n");
    QTest::newRow("OS worked example") << kBng << "TG 51409 13177" << "TG 51409 13177" << 651409.5
                                       << 313177.5;
    QTest::newRow("OS lower case, no blanks") << kBng << "tg5140913177" << "TG 51409 13177"
                                              << 651409.5 << 313177.5;
    QTest::newRow("OS blanks anywhere, 6 digits")
        << kBng << " T G 51 4 131\t" << "TG 514 131" << 651450.0 << 313150.0;
    QTest::newRow("OS 2 digits") << kBng << "SV 0 0" << "SV 0 0" << 5000.0 << 5000.0;
    QTest::newRow("OS odd digits") << kBng << "TG 5140 13177" << "" << 0.0 << 0.0;
    QTest::newRow("OS 12 digits") << kBng << "TG 514099 131779" << "" << 0.0 << 0.0;
    QTest::newRow("OS letters only") << kBng << "TG" << "" << 0.0 << 0.0;
    QTest::newRow("OS letter I") << kBng << "TI 1 1" << "" << 0.0 << 0.0;
    QTest::newRow("OS given an Irish one") << kBng << "O 15904 34671" << "" << 0.0 << 0.0;
    QTest::newRow("OS given an MGRS one") << kBng << "30U XC 99512 10549" << "" << 0.0 << 0.0;
    QTest::newRow("Irish worked example") << kIrish << "O 15904 34671" << "O 15904 34671"
                                          << 315904.5 << 234671.5;
    QTest::newRow("Irish 4 digits") << kIrish << "j3374" << "J 33 74" << 333500.0 << 374500.0;
    QTest::newRow("Irish given an OS one") << kIrish << "TG 51409 13177" << "" << 0.0 << 0.0;
    QTest::newRow("Irish letter I") << kIrish << "I 1 1" << "" << 0.0 << 0.0;
    QTest::newRow("MGRS") << kUtm30N << "30U XC 99512 10549" << "30U XC 99512 10549" << 699512.5
                          << 5710549.5;
    QTest::newRow("MGRS south of the equator on the north zone")
        << kUtm30N << "30MWE5563899988" << "30M WE 55638 99988" << 555638.5 << -11.5;
    QTest::newRow("MGRS north of the equator on the south zone")
        << kUtm21S << "21NUA 0 0" << "21N UA 0 0" << 305000.0 << 10005000.0;
    QTest::newRow("MGRS another zone") << kUtm30N << "31U DQ 48250 11850" << "" << 0.0 << 0.0;
    QTest::newRow("MGRS square outside its band") << kUtm30N << "30X XC 1 1" << "" << 0.0 << 0.0;
    QTest::newRow("MGRS column letter of another zone") << kUtm30N << "30U AA 1 1" << "" << 0.0
                                                        << 0.0;
    QTest::newRow("MGRS zone only") << kUtm30N << "30U" << "" << 0.0 << 0.0;
    QTest::newRow("MGRS given an OS one") << kUtm30N << "TG 51409 13177" << "" << 0.0 << 0.0;
}

void TestGridRef::read() {
    QFETCH(ParameterSet, p);
    QFETCH(QString, typed);
    QFETCH(QString, read);
    QFETCH(double, e);
    QFETCH(double, n);
    const Recognised g = gridref::Recognise(p);
    const gridref::ReadResult r = gridref::Read(g, typed.toStdString());
    QCOMPARE(r.reading.has_value(), !read.isEmpty());
    if (!r.reading) {
        QCOMPARE(QString::fromStdString(r.refusal),
                 QString::fromStdString(gridref::Expected_Form(g)));
        return;
    }
    QVERIFY(r.refusal.empty());
    QCOMPARE(QString::fromStdString(r.reading->text), read);
    QCOMPARE(r.reading->easting, e);
    QCOMPARE(r.reading->northing, n);
}

void TestGridRef::readBackAtCentre_data() {
    QTest::addColumn<ParameterSet>("p");
    QTest::addColumn<double>("emin");
    QTest::addColumn<double>("emax");
    QTest::addColumn<double>("nmin");
    QTest::addColumn<double>("nmax");
    QTest::newRow("National Grid") << kBng << -1e6 << 1.5e6 << -5e5 << 2e6;
    QTest::newRow("Irish Grid") << kIrish << 0.0 << 5e5 << 0.0 << 5e5;
    QTest::newRow("MGRS 30N") << kUtm30N << 2e5 << 8e5 << 0.0 << 9.3e6;
    QTest::newRow("MGRS 21S") << kUtm21S << 2e5 << 8e5 << 1.1e6 << 1e7;
}

// A reference cut to 2k digits names the square of side 10^(5-k) m holding
// the point; reading it gives that square's centre.
void TestGridRef::readBackAtCentre() {
    QFETCH(ParameterSet, p);
    QFETCH(double, emin);
    QFETCH(double, emax);
    QFETCH(double, nmin);
    QFETCH(double, nmax);
    const Recognised g = gridref::Recognise(p);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> E(emin, emax), N(nmin, nmax);
    for (int i = 0; i < 1000; ++i) {
        const double e = E(rng), n = N(rng);
        const std::string full = gridref::Reference_At_Grid(g, e, n).value();
        QCOMPARE(full.substr(full.size() - 12, 1) + full.substr(full.size() - 6, 1), "  ");
        for (int k = 1; k <= 5; ++k) {
            const std::string head = full.substr(0, full.size() - 12);
            const std::string cut =
                head + full.substr(full.size() - 11, k) + ' ' + full.substr(full.size() - 5, k);
            const gridref::ReadResult r = gridref::Read(g, cut);
            QVERIFY2(r.reading, cut.c_str());
            const double side = std::pow(10.0, 5 - k);
            QCOMPARE(r.reading->square, side);
            QCOMPARE(r.reading->easting, std::floor(e / side) * side + side / 2);
            QCOMPARE(r.reading->northing, std::floor(n / side) * side + side / 2);
        }
    }
}

QTEST_APPLESS_MAIN(TestGridRef)
#include "tst_gridref.moc"
