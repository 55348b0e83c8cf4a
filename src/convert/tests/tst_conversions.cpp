// The working tabs' arithmetic without a window: the rules the window tests
// cannot reach (the window already upper-cases its letter fields), sign and
// parsing edges, and the distance tab's rounding and overflow limits.
#include "conversions.h"
#include "paramtext.h"

#include <QtTest>

Q_DECLARE_METATYPE(geo::ProjectionParams)

namespace {

enum Tab { GridToGeog = 1, GeogToGrid = 2, Distance = 3 };

// The published worked examples; e^2 taken to 8 decimals.
const geo::ProjectionParams kAiry{6377563.396, 0.00667054, 0.9996012717, 400000, -100000, 49, -2};
const geo::ProjectionParams kSouthern{6378137, 0.00669438, 0.9996, 500000, 10000000, 0, -57};

// The Airy set with another meridian or e^2.
geo::ProjectionParams airyWith(int16_t cm, double e2 = kAiry.ecc_squared) {
    geo::ProjectionParams p = kAiry;
    p.central_meridian = cm;
    p.ecc_squared = e2;
    return p;
}

const QString kNumeric =
    "The conversion failed: the parameter set or the position gives no finite result.";
// A parameter set the reading refuses, as every tab says it.
QString unusable(const QString& problem) { return QString::fromStdString(convert::kUnusable) + problem; }
const QString kCmRange = unusable("Central Meridian must lie between 180 W and 180 E.");
const QString kOriginForm = unusable(
    "Latitude of Origin must be degrees with N or S (49 N, 53.5 N) or a signed number (-10).");
const QString kOriginRange = unusable("Latitude of Origin must lie between 90 S and 90 N.");
const QString kOverflow =
    "The distance cannot be calculated: a position or a coordinate is too large.";

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.toStdString(); }

// in: "Geog to Grid" the eight entries in focus order; "Grid to Geog" easting,
// northing, central meridian and origin texts; "Distance" the sixteen
// geographic then the four grid entries. out: the two texts written, the
// geographic ones in the seconds layout. sph: the Spheroid tab's meridian,
// origin and unusable texts (Grid to Geog takes meridian and origin from in).
// Rows read leniently, as earlier versions and quillmar-batch --as-window do,
// unless `strict`.
void rowWith(const char* name, Tab tab, const geo::ProjectionParams& p, const QStringList& sph,
             const QStringList& in, const QString& message, const QStringList& out = {"", ""},
             bool strict = false) {
    QTest::newRow(name) << int(tab) << p << sph << in << message << out << strict;
}

// The origin text shows the parameter set's whole degrees.
void row(const char* name, Tab tab, const geo::ProjectionParams& p, const QString& cm,
         const QStringList& in, const QString& message, const QStringList& out = {"", ""}) {
    rowWith(name, tab, p, {cm, QString::number(p.origin_lat), ""}, in, message, out);
}

} // namespace

class TstConversions : public QObject {
    Q_OBJECT
  private slots:
    void conversion_data();
    void conversion();
};

void TstConversions::conversion_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<geo::ProjectionParams>("params");
    QTest::addColumn<QStringList>("sph");
    QTest::addColumn<QStringList>("in");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<bool>("strict");

    const QStringList lat52{"52", "0", "0", "N"};
    const QStringList lon1w{"1", "0", "0", "W"};
    const QStringList example{"52", "", "", "N", "1", "", "", "W"};
    // Seconds that round to 60 carry (they showed " 51 Deg  59 Min 60.000 Sec N").
    const QStringList grid52{" 52 Deg  0 Min 0.000 Sec N", "001 Deg  0 Min 0.000 Sec W"};
    const QStringList gridSouth{" 34 Deg  30 Min 0.000 Sec S", "058 Deg  15 Min 0.000 Sec W"};
    const QString e = "468643.108";
    const QString n = "234025.790";
    const QStringList none(16);
    const QStringList atZero{"400000.000", "-100000.000"};

    row("geog: lower-case letters count", GeogToGrid, kSouthern, "57 W",
        {"34", "30", "0", "s", "58", "15", "0", "w"}, "", {"385242.653", "6181693.653"});
    // Only the whole text "W" is west: with " W" the typed -3 keeps its sign.
    row("geog: blank before W counts as east", GeogToGrid, airyWith(-3), "3 W",
        {"49", "0", "0", "N", "-3", "0", "0", " W"}, "", atZero);
    row("geog: blank degrees pass and read as 0", GeogToGrid, airyWith(0), "0 E",
        {" ", "0", "0", "N", " ", "", "", ""}, "", {"400000.000", "-5527063.815"});
    row("geog: empty latitude degrees", GeogToGrid, kAiry, "2 W",
        QStringList{"", "0", "0", "N"} + lon1w, "Enter position.");
    row("geog: e2 above 1", GeogToGrid, airyWith(-2, 1.5), "2 W", lat52 + lon1w,
        unusable("Eccentricity ^2 must be a number from 0 up to but not including 1."));
    // Regression: degrees beyond a double escaped as an exception.
    row("geog: degrees beyond double range", GeogToGrid, kAiry, "2 W",
        QStringList{"1e999", "0", "0", "N"} + lon1w, kNumeric);

    // The texts decide, not the parameter set's whole degrees.
    row("grid: meridian from the text only", GridToGeog, airyWith(7), "", {e, n, "2 W", "49 N"}, "",
        grid52);
    // The fraction was dropped: 2.5 W converted as 2 W.
    row("grid: meridian fraction kept, 2.5 W", GridToGeog, kAiry, "", {e, n, "2.5 W", "49 N"}, "",
        {" 52 Deg  0 Min 0.000 Sec N", "001 Deg  30 Min 0.000 Sec W"});
    row("grid: lower-case letters w and n", GridToGeog, kAiry, "", {e, n, "2 w", "49 n"}, "",
        grid52);
    row("grid: origin without blank is read whole", GridToGeog, kSouthern, "",
        {"385242.653", "6181693.653", "57 W", "0"}, "", gridSouth);
    row("grid: origin and equator give zero, N and E", GridToGeog, kSouthern, "",
        {"500000", "10000000", "0 E", "0 N"}, "",
        {" 0 Deg  0 Min 0.000 Sec N", "000 Deg  0 Min 0.000 Sec E"});
    row("grid: meridian beginning with a blank", GridToGeog, kAiry, "", {e, n, " 2 W", "49 N"}, "",
        grid52);
    row("grid: meridian beyond 180", GridToGeog, kAiry, "", {e, n, "181 E", "49 N"}, kCmRange);
    row("grid: meridian as a signed number", GridToGeog, kAiry, "", {e, n, "-2", "49 N"}, "", grid52);

    // Rounded to the millimetre first: 4.9995 m is held as 5 m.
    row("distance: grid rounded to three decimals first", Distance, kAiry, "2 W",
        none + QStringList{"", "", "4.9995", ""}, "", {".01", ".00"});
    // Held in single precision: 134217735 m is held as 134217728 m.
    row("distance: grid held in single precision", Distance, kAiry, "2 W",
        none + QStringList{"", "", "", "134217735"}, "", {"134217.73", "72471.78"});
    row("distance: grid beyond single range", Distance, kAiry, "2 W",
        none + QStringList{"", "", "", "3.5e38"}, kOverflow);
    row("distance: grid just inside single range", Distance, kAiry, "2 W",
        none + QStringList{"", "", "", "3.4e38"}, "",
        {"339999995214436000000000000000000000.00", "183585310590948000000000000000000000.00"});
    row("distance: geographic 51 30 36 equals 51 30.6", Distance, kAiry, "2 W",
        {"51", "30", "36", "N", "1", "", "", "W", "51", "30.6", "", "N", "1", "", "", "W"}, "",
        {".00", ".00"});
    row("distance: geographic lower-case letters", Distance, kAiry, "2 W",
        {"1", "", "", "s", "3", "", "", "w", "1", "", "", "S", "3", "", "", "W"}, "",
        {".00", ".00"});
    // Regression: degrees beyond a double escaped as an exception.
    row("distance: geographic degrees beyond double range", Distance, kAiry, "2 W",
        example + QStringList{"1e999", "", "", "N", "1", "", "", "W"}, kNumeric);
    row("distance: geographic with cleared parameter set", Distance,
        geo::ProjectionParams{0, 0, 0, 0, 0, 49, -2}, "2 W", example + example,
        unusable("Semi Major Axis must be a number greater than 0."));

    // Regressions for answers that were wrong without a word.
    // The Irish Grid: the origin 53.5 N was taken as 54 (northing 207046.940).
    const geo::ProjectionParams irish{6377340.189, 0.00667054, 1.000035, 200000, 250000, 54, -8};
    const QStringList irishPoint{"53", "35", "40.532", "N", "10", "9", "28", "W"};
    rowWith("origin: fraction kept forward (Irish Grid)", GeogToGrid, irish, {"8 W", "53.5 N", ""},
            irishPoint, "", {"57154.731", "262692.139"});
    rowWith("origin: fraction kept in distance (Irish Grid)", Distance, irish,
            {"8 W", "53.5 N", ""}, irishPoint + QStringList{"53.5", "", "", "N", "8", "", "", "W"},
            "", {"143.41", "77.43"});
    // An entry with Lat "0" kept the previous selection's origin 49.
    rowWith("origin: the text decides, not the last selection", GeogToGrid, kAiry,
            {"2 W", "0", ""}, example, "", {"468643.108", "5661089.605"});
    rowWith("origin: text that does not read, forward", GeogToGrid, kAiry, {"2 W", "20 X", ""},
            example, kOriginForm);
    // "53 30 N" was read as 53 N.
    rowWith("origin: degrees and minutes do not read", GeogToGrid, kAiry, {"2 W", "53 30 N", ""},
            example, kOriginForm);
    rowWith("origin: text that does not read, distance", Distance, kAiry, {"2 W", "", ""},
            example + example, kOriginForm);
    rowWith("origin: beyond 90 forward", GeogToGrid, kAiry, {"2 W", "5462 N", ""}, example,
            kOriginRange);
    rowWith("origin: beyond 90 inverse", GridToGeog, kAiry, {"", "", ""}, {e, n, "2 W", "90.5 S"},
            kOriginRange);
    rowWith("origin: 90 S accepted", GridToGeog, kAiry, {"", "", ""}, {"400000", "-100000", "2 W", "90 S"},
            "", {" 90 Deg  0 Min 0.000 Sec S", "002 Deg  0 Min 0.000 Sec W"});
    // A selected entry whose scale did not convert put every point at the false origin.
    const QStringList unusableSet{"2 W", "49 N", "Scale Factor is not a number."};
    rowWith("unusable set: forward refuses", GeogToGrid, kAiry, unusableSet, example,
            unusable("Scale Factor is not a number."));
    rowWith("unusable set: inverse refuses", GridToGeog, kAiry, unusableSet, {e, n, "2 W", "49 N"},
            unusable("Scale Factor is not a number."));
    rowWith("unusable set: distance refuses, grid mode too", Distance, kAiry, unusableSet,
            none + QStringList{"0", "0", "3000", "4000"}, unusable("Scale Factor is not a number."));
    rowWith("unusable set: no spheroid is asked first", GeogToGrid, kAiry,
            {"", "49 N", "Scale Factor is not a number."}, example, "Select spheroid.");
    // An empty position 2 measured to latitude 0, longitude 0 (5782.23 km).
    row("distance: position 2 latitude empty", Distance, kAiry, "2 W",
        example + QStringList{"", "", "", "", "1", "", "", "W"}, "Enter position.");
    row("distance: position 1 longitude empty", Distance, kAiry, "2 W",
        QStringList{"52", "", "", "N", "", "", "", ""} + example, "Enter position.");

    // The strict reader of the windows and quillmar-batch. Regressions: each
    // of these converted without a word (seconds 27,2531 as 27; -52 39 27 as
    // -51 20 33; 95 N; 75 minutes; W as a latitude letter).
    const QStringList sph{"2 W", "49", ""};
    auto strict = [&](const char* name, Tab tab, const QStringList& in, const QString& message,
                      const QStringList& out = {"", ""}) {
        rowWith(name, tab, kAiry, sph, in, message, out, true);
    };
    const QStringList south{"467632.817", "-11361277.357"};
    strict("strict: worked example", GeogToGrid, example, "", {"468643.108", "234025.790"});
    strict("strict: lower-case letters", GeogToGrid, {"52", "", "", "n", "1", "", "", "w"}, "",
           {"468643.108", "234025.790"});
    strict("strict: comma in seconds", GeogToGrid, QStringList{"52", "39", "27,2531", "N"} + lon1w,
           "Entry must be numeric");
    strict("strict: whole position pasted into the degrees", GeogToGrid,
           QStringList{"52 39 27.2531", "", "", "N"} + lon1w, "Entry must be numeric");
    strict("strict: minus negates the whole angle", GeogToGrid,
           QStringList{"-52", "39", "27", ""} + lon1w, "", south);
    strict("strict: the same angle with S", GeogToGrid, QStringList{"52", "39", "27", "S"} + lon1w,
           "", south);
    strict("strict: minus with S is ambiguous", GeogToGrid,
           QStringList{"-52", "39", "27", "S"} + lon1w,
           "Latitude: a minus in the degrees together with S is ambiguous; give one or the other.");
    strict("strict: minus zero degrees is south", GeogToGrid,
           QStringList{"-0", "30", "", ""} + lon1w, "", {"511266.575", "-5582333.753"});
    strict("strict: 95 N", GeogToGrid, QStringList{"95", "", "", "N"} + lon1w,
           "Latitude must lie between 90 S and 90 N.");
    strict("strict: 75 minutes", GeogToGrid, QStringList{"52", "75", "", "N"} + lon1w,
           "Latitude minutes must be at least 0 and less than 60.");
    strict("strict: 60 seconds", GeogToGrid, QStringList{"52", "0", "60", "N"} + lon1w,
           "Latitude seconds must be at least 0 and less than 60.");
    strict("strict: negative minutes", GeogToGrid, QStringList{"52", "-1", "", "N"} + lon1w,
           "Latitude minutes must be at least 0 and less than 60.");
    strict("strict: W as the latitude letter", GeogToGrid, QStringList{"52", "", "", "W"} + lon1w,
           "Latitude letter must be N or S.");
    strict("strict: 181 E", GeogToGrid, QStringList{"52", "", "", "N", "181", "", "", "E"},
           "Longitude must lie between 180 W and 180 E.");
    strict("strict: first faulty field in keyboard order", GeogToGrid,
           {"52", "75", "", "W", "x", "", "", ""}, "Latitude minutes must be at least 0 and less than 60.");
    strict("strict: distance grid field", Distance, none + QStringList{"0", "0", "3000,5", "4000"},
           "Entry must be numeric");
    strict("strict: distance position 2 minutes", Distance,
           example + QStringList{"52", "75", "", "N", "1", "", "", "W"},
           "Position 2 latitude minutes must be at least 0 and less than 60.");
}

void TstConversions::conversion() {
    QFETCH(int, tab);
    QFETCH(geo::ProjectionParams, params);
    QFETCH(QStringList, sph);
    QFETCH(QStringList, in);
    QFETCH(bool, strict);
    // The texts the Spheroid tab would show for these numbers.
    auto inForce = [&](const QString& cm, const QString& orig) {
        if (cm.isEmpty())
            return convert::InForce{};
        if (!sph[2].isEmpty())
            return convert::InForce{nullptr, convert::Status::Unusable, s(sph[2])};
        numtext::ParameterTexts t;
        using F = numtext::ParamField;
        t[F::Major] = numtext::Shortest_Text(params.major_axis);
        t[F::Ecc] = numtext::Shortest_Text(params.ecc_squared);
        t[F::Scale] = numtext::Shortest_Text(params.scale_factor);
        t[F::FE] = numtext::Shortest_Text(params.false_easting);
        t[F::FN] = numtext::Shortest_Text(params.false_northing);
        t[F::Origin] = s(orig);
        t[F::Meridian] = s(cm);
        const numtext::ParameterReading r = numtext::Read_Parameters(t, {false, false});
        if (r.meridianEmpty)
            return convert::InForce{};
        if (!r.values)
            return convert::InForce{nullptr, convert::Status::Unusable, r.problems.front().message};
        const numtext::ParameterNumbers& v = *r.values;
        return convert::Make_In_Force({v.a, v.e2, v.k0, v.fe, v.fn, v.lat0, v.lon0});
    };
    std::string message;
    QStringList out;
    if (tab == GeogToGrid) {
        const convert::GeogInput g{s(in[0]), s(in[1]), s(in[2]), s(in[3]), s(in[4]),
                                   s(in[5]), s(in[6]), s(in[7]), true, !strict};
        const convert::GridTexts r = convert::Geog_To_Grid(inForce(sph[0], sph[1]), g);
        message = r.message;
        out = QStringList{q(r.easting), q(r.northing)};
    } else if (tab == GridToGeog) {
        const convert::GeogTexts r =
            convert::Grid_To_Geog(inForce(in[2], in[3]), {s(in[0]), s(in[1])});
        message = r.message;
        const numtext::LayoutTexts t = numtext::Layout_Seconds(r.result);
        out = r.message.empty() ? QStringList{q(t.lat), q(t.lon)} : QStringList{"", ""};
    } else {
        convert::DistanceInput d;
        d.lenient = !strict;
        for (int i = 0; i < in.size(); ++i)
            (i < 16 ? d.geog[std::size_t(i)] : d.grid[std::size_t(i - 16)]) = s(in[i]);
        const convert::DistanceTexts r = convert::Point_Distance(inForce(sph[0], sph[1]), d);
        message = r.message;
        out = QStringList{q(r.kms), q(r.miles)};
    }
    QTEST(q(message), "message");
    QTEST(out, "out");
}

QTEST_APPLESS_MAIN(TstConversions)
#include "tst_conversions.moc"
