// Grid references: the sets that name a grid, the letters at the worked
// examples and at the grids' edges, MGRS against GeoConvert -m and against
// GeographicLib's GeoCoords (the code behind GeoConvert), and every reference
// read back at the centre of the square it names.
#include "gridref.h"

#include <GeographicLib/GeoCoords.hpp>
#include <QRectF>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <random>

using gridref::Grid;
using gridref::ParameterSet;
using gridref::Recognised;

Q_DECLARE_METATYPE(gridref::ParameterSet)

namespace {
// The catalogue's texts; the Irish Grid with e2 as the README gives it.
const ParameterSet kBng{6377563.396, 0.006670540074149, 0.9996012717, 400000, -100000, 49, -2};
const ParameterSet kIrish{6377340.189, 0.00667054, 1.000035, 200000, 250000, 53.5, -8};
const ParameterSet kGrs80{6378137, 0.006694380022901, 0.9996, 500000, 0, 0, 15};

// WGS 84 UTM zone |zone|, south for a negative zone.
ParameterSet Utm(int zone) {
    const double fn = zone > 0 ? 0 : 1e7;
    return {6378137, 0.006694379990141, 0.9996, 500000, fn, 0, 6.0 * std::abs(zone) - 183};
}

ParameterSet With(ParameterSet p, double ParameterSet::*field, double v) {
    if (field)
        p.*field = v;
    return p;
}

QString Text(const std::optional<std::string>& s) { return QString::fromStdString(s.value_or("")); }
} // namespace

class TestGridRef : public QObject {
    Q_OBJECT

  private slots:
    void recognise_data();
    void recognise();
    void write_data();
    void write();
    void knownPoints_data();
    void knownPoints();
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
    using P = ParameterSet;
    const int nat = int(Grid::National), ir = int(Grid::Irish), mgrs = int(Grid::Mgrs), no = 0;
    const struct {
        const char* name;
        ParameterSet base;
        double P::*field; // changed to value, unless null
        double value;
        int grid, zone;
    } rows[] = {
        {"National Grid, catalogue", kBng, nullptr, 0, nat, 0},
        {"National Grid, e2 to 8 decimals", kBng, &P::e2, 0.00667054, nat, 0},
        {"National Grid, k0 within half a digit", kBng, &P::k0, 0.99960127174, nat, 0},
        {"National Grid, a one digit off", kBng, &P::a, 6377563.397, no, 0},
        {"National Grid, e2 one digit off", kBng, &P::e2, 0.00667055, no, 0},
        {"National Grid, k0 one digit off", kBng, &P::k0, 0.9996012718, no, 0},
        {"National Grid, origin 50 N", kBng, &P::origin_latitude, 50, no, 0},
        {"National Grid, meridian 3 W", kBng, &P::central_meridian, -3, no, 0},
        {"Irish Grid", kIrish, nullptr, 0, ir, 0},
        {"Irish Grid, catalogue's Airy e2", kIrish, &P::e2, 0.006670540074149, ir, 0},
        {"Irish Grid, origin 53.4 N", kIrish, &P::origin_latitude, 53.4, no, 0},
        {"UTM 30N", Utm(30), nullptr, 0, mgrs, 30},
        {"UTM 21S", Utm(-21), nullptr, 0, mgrs, -21},
        {"UTM 30N, e2 of TR8350.2", Utm(30), &P::e2, 0.00669437999014, mgrs, 30},
        {"UTM 1N, meridian 177 W", Utm(30), &P::central_meridian, -177, mgrs, 1},
        {"meridian 0 is no UTM zone", Utm(30), &P::central_meridian, 0, no, 0},
        {"UTM, false northing 5000000", Utm(30), &P::false_northing, 5e6, no, 0},
        {"GRS 80 (SWEREF99 TM) is not WGS 84", kGrs80, nullptr, 0, no, 0},
        {"not a number", kBng, &P::a, qQNaN(), no, 0},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << With(r.base, r.field, r.value) << r.grid << r.zone;
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
    const struct { const char* name; int grid; double e, n; const char* ref; } rows[] = {
        {"OS false origin SV", nat, 0, 0, "SV 00000 00000"},
        {"OS Ben Nevis NN", nat, 216667.9, 771285.1, "NN 16667 71285"},
        {"OS lowest corner VV", nat, -1e6, -5e5, "VV 00000 00000"},
        {"OS highest corner EE", nat, 1499999.999, 1999999.999, "EE 99999 99999"},
        {"OS east of the grid", nat, 1.5e6, 0, ""},
        {"OS south of the grid", nat, 0, -500000.001, ""},
        {"OS not a number", nat, qQNaN(), 0, ""},
        {"Irish false origin V", ir, 0, 0, "V 00000 00000"},
        {"Irish top left A", ir, 0, 499999.999, "A 00000 99999"},
        {"Irish top right E", ir, 499999.999, 499999.999, "E 99999 99999"},
        {"Irish bottom right Z", ir, 499999, 0, "Z 99999 00000"},
        {"Irish Belfast J, I skipped", ir, 333800, 374200, "J 33800 74200"},
        {"Irish west of the grid", ir, -0.001, 1000, ""},
        {"Irish north of the grid", ir, 1000, 500000, ""},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << r.grid << r.e << r.n << QString(r.ref);
}

void TestGridRef::write() {
    QFETCH(int, grid);
    QFETCH(double, e);
    QFETCH(double, n);
    QFETCH(QString, ref);
    QCOMPARE(Text(gridref::Reference_At_Grid({Grid(grid)}, e, n)), ref);
}

// Each position with its grid coordinates: the worked examples (the Ordnance
// Survey's guide; the Irish one's position from TransverseMercatorProj -r),
// and MGRS generated once with GeoConvert -m and -u -p 6 (GeographicLib
// 2.1.2): band edges, Svalbard's widened 31X, the equator both ways, 80 S.
void TestGridRef::knownPoints_data() {
    QTest::addColumn<ParameterSet>("p");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("e");
    QTest::addColumn<double>("n");
    QTest::addColumn<QString>("ref");
    const struct { ParameterSet p; double lat, lon, e, n; const char* ref; } rows[] = {
        {kBng, 52.657570305556, 1.717921583333, 651409.903, 313177.270, "TG 51409 13177"},
        {kIrish, 53.349563255522, -6.259281499823, 315904.5, 234671.5, "O 15904 34671"},
        {Utm(30), 51.4778, -0.0014, 708220.893119, 5707224.827113, "30UYC0822007224"},
        {Utm(31), 56.0, 0.0, 312928.560893, 6210141.326872, "31VCC1292810141"},
        {Utm(31), 64.0, 5.5, 622256.537058, 7099411.974811, "31WFL2225699411"},
        {Utm(31), 72.0, 6.1, 606878.143539, 7991683.122750, "31XFV0687891683"},
        {Utm(31), 83.9, 2.9, 498813.614793, 9316931.183521, "31XDP9881316931"},
        {Utm(30), 0.0001, -2.5, 555638.192444, 11.053428, "30NWF5563800011"},
        {Utm(32), 45.0, 9.0, 500000.000000, 4982950.400227, "32TNQ0000082950"},
        {Utm(-33), -0.0001, 12.0, 166021.443081, 9999988.931724, "33MSV6602199988"},
        {Utm(-56), -33.87, 151.21, 334435.706142, 6250816.397805, "56HLH3443550816"},
        {Utm(-21), -79.9, -55.0, 539147.625398, 1128902.938685, "21CWM3914728902"},
        {Utm(-56), -72.0, 150.5, 413796.047415, 2009278.527150, "56DMF1379609278"},
        {Utm(17), 8.0, -80.0, 610204.602078, 884431.706491, "17PPJ1020484431"},
    };
    for (const auto& r : rows)
        QTest::newRow(r.ref) << r.p << r.lat << r.lon << r.e << r.n << QString(r.ref);
}

void TestGridRef::knownPoints() {
    QFETCH(ParameterSet, p);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, e);
    QFETCH(double, n);
    QFETCH(QString, ref);
    const QString fromGeog = Text(gridref::Reference_At_Geographic(p, lat, lon));
    const QString fromGrid = Text(gridref::Reference_At_Grid(gridref::Recognise(p), e, n));
    if (ref.contains(' ')) {
        QCOMPARE(fromGeog, ref);
        QCOMPARE(fromGrid, ref);
        return;
    }
    // MGRS: spaced after the grid zone and the square letters, digits halved.
    const qsizetype z = ref.indexOf(QRegularExpression("[A-Z]")) + 1;
    QCOMPARE(fromGeog,
             ref.left(z) + ' ' + ref.mid(z, 2) + ' ' + ref.mid(z + 2, 5) + ' ' + ref.mid(z + 7));
    // On a band's edge the grid position alone, to the micrometre, falls on
    // either side; GeoConvert goes by the latitude. The squares agree.
    const bool edge = std::fmod(lat + 80, 8) == 0;
    QCOMPARE(QString(fromGrid).remove(' ').remove(z - 1, edge), QString(ref).remove(z - 1, edge));
}

void TestGridRef::mgrsRandom_data() {
    QTest::addColumn<int>("zone");
    for (int zone : {30, 33, 17, 21, 56, -30, -33, -17, -21, -56})
        QTest::addRow("zone %d%c", std::abs(zone), zone > 0 ? 'N' : 'S') << zone;
}

// 100 points a row, 1,000 in all, on the zone's own side of the equator and
// within 3 degrees of its meridian.
void TestGridRef::mgrsRandom() {
    QFETCH(int, zone);
    const ParameterSet p = Utm(zone);
    std::mt19937 rng(zone + 100);
    std::uniform_real_distribution<double> lat(zone > 0 ? 0 : -80, zone > 0 ? 84 : 0);
    std::uniform_real_distribution<double> dlon(-2.9999, 2.9999);
    for (int i = 0; i < 100; ++i) {
        const double la = lat(rng), lo = p.central_meridian + dlon(rng);
        const GeographicLib::GeoCoords gc(la, lo, std::abs(zone));
        const QString want = QString::fromStdString(gc.MGRSRepresentation(0));
        QCOMPARE(Text(gridref::Reference_At_Geographic(p, la, lo)).remove(' '), want);
        const Recognised g = gridref::Recognise(p);
        QCOMPARE(Text(gridref::Reference_At_Grid(g, gc.Easting(), gc.Northing())).remove(' '),
                 want);
    }
}

void TestGridRef::read_data() {
    QTest::addColumn<ParameterSet>("p");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("read"); // empty: refused
    QTest::addColumn<double>("e");
    QTest::addColumn<double>("n");
    const struct {
        const char* name;
        ParameterSet p;
        const char *typed, *read;
        double e, n;
    } rows[] = {
        {"OS worked example", kBng, "TG 51409 13177", "TG 51409 13177", 651409.5, 313177.5},
        {"OS blanks anywhere, 6 digits", kBng, " T G 51 4 131\t", "TG 514 131", 651450, 313150},
        {"OS 2 digits", kBng, "SV 0 0", "SV 0 0", 5000, 5000},
        {"OS odd digits", kBng, "TG 5140 13177", "", 0, 0},
        {"OS 12 digits", kBng, "TG 514099 131779", "", 0, 0},
        {"OS letter I", kBng, "TI 1 1", "", 0, 0},
        {"OS given an Irish one", kBng, "O 15904 34671", "", 0, 0},
        {"OS given an MGRS one", kBng, "30U XC 99512 10549", "", 0, 0},
        {"Irish worked example", kIrish, "O 15904 34671", "O 15904 34671", 315904.5, 234671.5},
        {"Irish 4 digits", kIrish, "j3374", "J 33 74", 333500, 374500},
        {"Irish given an OS one", kIrish, "TG 51409 13177", "", 0, 0},
        {"MGRS", Utm(30), "30U XC 99512 10549", "30U XC 99512 10549", 699512.5, 5710549.5},
        {"MGRS south of the equator, north zone", Utm(30), "30MWE5563899988", "30M WE 55638 99988",
         555638.5, -11.5},
        {"MGRS north of the equator, south zone", Utm(-21), "21NUA 0 0", "21N UA 0 0", 305000,
         10005000},
        {"MGRS another zone", Utm(30), "31U DQ 48250 11850", "", 0, 0},
        {"MGRS square outside its band", Utm(30), "30X XC 1 1", "", 0, 0},
        {"MGRS column letter of another zone", Utm(30), "30U AA 1 1", "", 0, 0},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << r.p << QString(r.typed) << QString(r.read) << r.e << r.n;
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
    QTest::addColumn<QRectF>("area"); // eastings and northings written from
    QTest::newRow("National Grid") << kBng << QRectF(-1e6, -5e5, 2.5e6, 2.5e6);
    QTest::newRow("Irish Grid") << kIrish << QRectF(0, 0, 5e5, 5e5);
    QTest::newRow("MGRS 30N") << Utm(30) << QRectF(2e5, 0, 6e5, 9.3e6);
    QTest::newRow("MGRS 21S") << Utm(-21) << QRectF(2e5, 1.1e6, 6e5, 8.9e6);
}

// A reference cut to 2k digits names the square of side 10^(5-k) m holding
// the point; reading it gives that square's centre.
void TestGridRef::readBackAtCentre() {
    QFETCH(ParameterSet, p);
    QFETCH(QRectF, area);
    const Recognised g = gridref::Recognise(p);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> E(area.left(), area.right()),
        N(area.top(), area.bottom());
    for (int i = 0; i < 1000; ++i) {
        const double e = E(rng), n = N(rng);
        const std::string full = gridref::Reference_At_Grid(g, e, n).value();
        QCOMPARE(full.substr(full.size() - 12, 1) + full.substr(full.size() - 6, 1), "  ");
        const std::string head = full.substr(0, full.size() - 12);
        for (int k = 1; k <= 5; ++k) {
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
