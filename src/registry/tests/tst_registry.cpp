// The registry read from the installed proj.db: which grids are usable, what
// the refusals say, the eight texts of an entry, the search, and the PROJ
// string of any parameter set.
#include "registry.h"

#include "parameterset.h"
#include "geodesy.h"
#include "numtext.h"

#include <QElapsedTimer>
#include "paramtext.h"

#include <QTest>

#include <proj.h>

#include <cstring>

using registry::Grid;
using registry::Params;
using registry::Registry;

namespace {
Registry& reg() {
    return Registry::Instance();
}

QStringList codes(const std::vector<Grid>& grids) {
    QStringList out;
    for (const Grid& g : grids)
        out << g.code;
    return out;
}

bool same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY2(reg().loadError().isEmpty(), qPrintable(reg().loadError()));
        qInfo("registry: %d projected CRSs, %d usable Transverse Mercator grids, loaded in %.0f ms",
              reg().totalCount(), reg().usableCount(), reg().loadMilliseconds());
        QVERIFY2(reg().usableCount() >= 3000, qPrintable(QString::number(reg().usableCount())));
    }

    void lookup_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("reason");
        const QString itm = QStringLiteral("IRENET95 / Irish Transverse Mercator");
        QTest::newRow("a bare number") << "2157"
                                       << "EPSG:2157" << itm << true << "";
        QTest::newRow("EPSG: prefix") << "EPSG:2157"
                                      << "EPSG:2157" << itm << true << "";
        QTest::newRow("lower case prefix with a blank, blanks around")
            << "  epsg 2157 "
            << "EPSG:2157" << itm << true << "";
        QTest::newRow("northing first is accepted") << "3006"
                                                    << "EPSG:3006"
                                                    << "SWEREF99 TM" << true << "";
        QTest::newRow("not Transverse Mercator")
            << "3857"
            << "EPSG:3857"
            << "WGS 84 / Pseudo-Mercator" << false
            << "EPSG:3857 WGS 84 / Pseudo-Mercator is not Transverse Mercator but Popular "
               "Visualisation Pseudo Mercator";
        QTest::newRow("south-orientated")
            << "2046"
            << "EPSG:2046"
            << "Hartebeesthoek94 / Lo15" << false
            << "EPSG:2046 Hartebeesthoek94 / Lo15 is south-orientated (its coordinates increase "
               "to the west and south); Quillmar works with eastings and northings";
        QTest::newRow("US survey feet")
            << "2236"
            << "EPSG:2236"
            << "NAD83 / Florida East (ftUS)" << false
            << "EPSG:2236 NAD83 / Florida East (ftUS) is in US survey feet; Quillmar works in "
               "metres";
        QTest::newRow("yards, a unit named before its qualifier")
            << "27291"
            << "EPSG:27291"
            << "NZGD49 / North Island Grid" << false
            << "EPSG:27291 NZGD49 / North Island Grid is in British yards (Sears 1922); "
               "Quillmar works in metres";
        QTest::newRow("Gold Coast feet")
            << "2136"
            << "EPSG:2136"
            << "Accra / Ghana National Grid" << false
            << "EPSG:2136 Accra / Ghana National Grid is in Gold Coast feet; Quillmar works in "
               "metres";
        QTest::newRow("deprecated, with its replacement")
            << "2037"
            << "EPSG:2037"
            << "NAD83(CSRS98) / UTM zone 19N" << false
            << "EPSG:2037 NAD83(CSRS98) / UTM zone 19N is deprecated; use EPSG:2960 "
               "NAD83(CSRS) / UTM zone 19N instead";
        QTest::newRow("deprecated, no replacement")
            << "2008"
            << "EPSG:2008"
            << "NAD27(CGQ77) / SCoPQ zone 2" << false
            << "EPSG:2008 NAD27(CGQ77) / SCoPQ zone 2 is deprecated and the registry names no "
               "replacement";
        QTest::newRow("geographic, not projected")
            << "4326"
            << "EPSG:4326"
            << "WGS 84" << false
            << "EPSG:4326 WGS 84 is not a projected grid; Quillmar needs a Transverse Mercator "
               "grid";
        QTest::newRow("unknown code") << "EPSG:99999"
                                      << "EPSG:99999"
                                      << "" << false << "EPSG:99999 is not in the registry";
        QTest::newRow("not a code")
            << "ITM"
            << "ITM"
            << "" << false << "ITM is not an EPSG code such as 2157 or EPSG:2157";
        QTest::newRow("another authority is not a code")
            << "ESRI:102100"
            << "ESRI:102100"
            << "" << false << "ESRI:102100 is not an EPSG code such as 2157 or EPSG:2157";
    }
    void lookup() {
        QFETCH(QString, query);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(bool, usable);
        QFETCH(QString, reason);
        const Grid g = reg().Lookup(query);
        QCOMPARE(g.code, code);
        QCOMPARE(g.name, name);
        QCOMPARE(g.reason, reason);
        QCOMPARE(g.usable, usable);
        QCOMPARE(g.texts.name.isEmpty(), !usable);
    }

    // Every text as PROJ gives the number: the latitude of origin and the
    // meridian keep all their decimals.
    void entryTexts_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("geographic");
        QTest::addColumn<bool>("northingFirst");
        QTest::newRow("Irish Transverse Mercator")
            << "2157"
            << QStringList{"IRENET95 / Irish Transverse Mercator",
                           "6378137",
                           "0.006694380022900787",
                           "0.99982",
                           "600000",
                           "750000",
                           "53.5 N",
                           "8 W"}
            << "EPSG:4173" << false;
        QTest::newRow("fractional latitude of origin, Clarke-free GRS 1980")
            << "26958" << QStringList{"NAD83 / Florida East", "6378137", "0.006694380022900787",
                                      "0.999941177",          "200000",  "0",
                                      "24.333333333333332 N", "81 W"}
            << "EPSG:4269" << false;
        QTest::newRow("fractional meridian given in sexagesimal degrees")
            << "31257" << QStringList{"MGI / Austria GK M28",
                                      "6377397.155",
                                      "0.006674372231802145",
                                      "1",
                                      "150000",
                                      "-5000000",
                                      "0 N",
                                      "10.333333333333334 E"}
            << "EPSG:4312" << true;
        QTest::newRow("south of the equator, east")
            << "2193"
            << QStringList{"NZGD2000 / New Zealand Transverse Mercator 2000",
                           "6378137",
                           "0.006694380022900787",
                           "0.9996",
                           "1600000",
                           "10000000",
                           "0 N",
                           "173 E"}
            << "EPSG:4167" << true;
        QTest::newRow("a and b ellipsoid, origin north of the grid")
            << "27700"
            << QStringList{"OSGB36 / British National Grid",
                           "6377563.396",
                           "0.006670539999985363",
                           "0.9996012717",
                           "400000",
                           "-100000",
                           "49 N",
                           "2 W"}
            << "EPSG:4277" << false;
    }
    void entryTexts() {
        QFETCH(QString, code);
        QFETCH(QStringList, texts);
        QFETCH(QString, geographic);
        QFETCH(bool, northingFirst);
        const Grid g = reg().Lookup(code);
        QVERIFY2(g.usable, qPrintable(g.reason));
        const catalogue::EntryTexts& t = g.texts;
        QCOMPARE(
            (QStringList{t.name, t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian}),
            texts);
        QCOMPARE(g.geographicCode, geographic);
        QCOMPARE(g.northingFirst, northingFirst);
    }

    // The numbers against PROJ's own reading of the same CRS, parameter by
    // parameter, and e^2 from PROJ's ellipsoid as f(2 - f).
    void sevenValuesMatchProj_data() {
        QTest::addColumn<QString>("code");
        for (const char* c : {"2157", "26958", "31257", "2193", "27700", "3006"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }
    void sevenValuesMatchProj() {
        QFETCH(QString, code);
        const Grid g = reg().Lookup(code);
        QVERIFY(g.usable);
        PJ_CONTEXT* ctx = proj_context_create();
        PJ* crs = proj_create(ctx, ("EPSG:" + code).toUtf8().constData());
        QVERIFY(crs);
        PJ* conv = proj_crs_get_coordoperation(ctx, crs);
        auto value = [&](const char* name) {
            const int i = proj_coordoperation_get_param_index(ctx, conv, name);
            double v = 0, factor = 0;
            proj_coordoperation_get_param(ctx, conv, i, nullptr, nullptr, nullptr, &v, nullptr,
                                          &factor, nullptr, nullptr, nullptr, nullptr);
            return v;
        };
        PJ* ell = proj_get_ellipsoid(ctx, crs);
        double a = 0, b = 0, rf = 0;
        int computed = 0;
        proj_ellipsoid_get_parameters(ctx, ell, &a, &b, &computed, &rf);
        const double f = 1 / rf;
        const Params& p = g.params;
        QVERIFY(same(p.lat0, value("Latitude of natural origin")));
        QVERIFY(same(p.lon0, value("Longitude of natural origin")));
        QVERIFY(same(p.k0, value("Scale factor at natural origin")));
        QVERIFY(same(p.fe, value("False easting")));
        QVERIFY(same(p.fn, value("False northing")));
        QVERIFY(same(p.a, a));
        QVERIFY(same(p.e2, f * (2 - f)));
        QVERIFY(same(g.inverseFlattening, rf));
        proj_destroy(ell);
        proj_destroy(conv);
        proj_destroy(crs);
        proj_context_destroy(ctx);
    }

    // Every usable grid's eight texts read back to exactly its numbers, so a
    // saved entry is the grid.
    void everyGridReadsBack() {
        int n = 0;
        for (const Grid& g : reg().Search(QString())) {
            QString error;
            const auto p = registry::Params_From_Texts(g.texts, &error);
            QVERIFY2(p, qPrintable(g.code + ": " + error));
            const Params& q = g.params;
            QVERIFY2(same(p->a, q.a) && same(p->e2, q.e2) && same(p->k0, q.k0) &&
                         same(p->fe, q.fe) && same(p->fn, q.fn) && same(p->lat0, q.lat0) &&
                         same(p->lon0, q.lon0),
                     qPrintable(g.code));
            // Every reader of a parameter set takes the entry as it stands.
            const numtext::ParameterReading r = catalogue::Read_Entry(g.texts, {true, false});
            QVERIFY2(r.values, qPrintable(g.code));
            QVERIFY(same(r.values->lat0, q.lat0) && same(r.values->lon0, q.lon0));
            QVERIFY2(!g.texts.sma.contains('e') && !g.texts.eccentricity.contains('e'),
                     qPrintable(g.code));
            ++n;
        }
        QCOMPARE(n, reg().usableCount());
    }

    // An entry taken from the registry, read back from its texts as a saved
    // entry is, converts as cs2cs does with the registry's CRS (cs2cs -f %.4f
    // EPSG:<geographic> EPSG:<grid>), both ways, to the millimetre.
    void convertsAsCs2cs_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("northing");
        QTest::newRow("Irish Transverse Mercator, 53 20 N 6 15 W")
            << "2157" << 53 + 20 / 60.0 << -6.25 << 716557.1064 << 732882.3062;
        QTest::newRow("meridian 10 20 E, northing first")
            << "31257" << 47.0 << 10.5 << 162674.4601 << 206730.6053;
        QTest::newRow("SWEREF99 TM, northing first")
            << "3006" << 59.3 << 18.1 << 676509.2272 << 6577565.3171;
        QTest::newRow("origin 24 20 N") << "26958" << 24.5 << -80.5 << 250674.8358 << 18551.3215;
    }
    void convertsAsCs2cs() {
        QFETCH(QString, code);
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, easting);
        QFETCH(double, northing);
        const Grid g = reg().Lookup(code);
        QVERIFY2(g.usable, qPrintable(g.reason));
        const auto q = registry::Params_From_Texts(g.texts);
        QVERIFY(q);
        const geo::ProjectionParams p{q->a, q->e2, q->k0, q->fe, q->fn, 0, 0};
        const geo::GridPoint en = geo::Calc_Grid(p, lat / geo::DEG_PER_RAD, q->k0,
                                                 (lon - q->lon0) / geo::DEG_PER_RAD, q->lat0);
        QVERIFY2(std::fabs(en.easting - easting) < 0.001,
                 qPrintable(QString::number(en.easting, 'f', 4)));
        QVERIFY2(std::fabs(en.northing - northing) < 0.001,
                 qPrintable(QString::number(en.northing, 'f', 4)));
        const geo::GeogPoint ll = geo::Calc_Geographic(p, northing, easting - q->fe, q->lat0, 0);
        QVERIFY(std::fabs(ll.latitude - lat) * 111000 < 0.001);
        QVERIFY(std::fabs(ll.longitude + q->lon0 - lon) * 111000 * std::cos(lat / 57.3) < 0.001);
    }

    void degreeText_data() {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("latitude");
        QTest::addColumn<QString>("text");
        QTest::newRow("half degree north") << 53.5 << true << "53.5 N";
        QTest::newRow("whole west") << -8.0 << false << "8 W";
        QTest::newRow("quarter west") << -113.75 << false << "113.75 W";
        QTest::newRow("equator is north") << 0.0 << true << "0 N";
        QTest::newRow("negative zero is not south") << -0.0 << true << "0 N";
        QTest::newRow("greenwich is east") << 0.0 << false << "0 E";
        QTest::newRow("a third, every digit") << 10.0 + 1.0 / 3 << false << "10.333333333333334 E";
        QTest::newRow("tiny, no exponent") << -1e-7 << true << "0.0000001 S";
    }
    void degreeText() {
        QFETCH(double, degrees);
        QFETCH(bool, latitude);
        QFETCH(QString, text);
        QCOMPARE(registry::Degree_Text(degrees, latitude ? 'N' : 'E', latitude ? 'S' : 'W'), text);
        // Read back by the windows' readers to the same double.
        const auto back = latitude ? numtext::Read_Origin(text.toStdString())
                                   : numtext::Read_Meridian(text.toStdString());
        QVERIFY(back);
        QCOMPARE(*back, degrees == 0 ? 0.0 : degrees);
    }

    void search_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QStringList>("contains");
        QTest::addColumn<QStringList>("excludes");
        const QStringList itm{"EPSG:2157"};
        QTest::newRow("code") << "2157" << false << "EPSG:2157" << itm << QStringList{};
        QTest::newRow("EPSG: code") << "EPSG:2157" << false << "EPSG:2157" << itm << QStringList{};
        QTest::newRow("a word, lower case")
            << "irish" << false << "EPSG:2157" << QStringList{"EPSG:2157", "EPSG:29902"}
            << QStringList{"EPSG:27700"};
        QTest::newRow("words in any order, any case")
            << "MERCATOR irish" << false << "EPSG:2157" << itm << QStringList{"EPSG:29902"};
        QTest::newRow("every word must match")
            << "irish zzz" << false << "" << QStringList{} << itm;
        QTest::newRow("the start of a code, as it is typed")
            << "215" << false << "" << itm << QStringList{"EPSG:27700"};
        QTest::newRow("unusable hidden")
            << "Pseudo-Mercator" << false << "" << QStringList{} << QStringList{"EPSG:3857"};
        QTest::newRow("unusable listed with all")
            << "pseudo-mercator" << true << "" << QStringList{"EPSG:3857"} << QStringList{};
        QTest::newRow("feet listed with all")
            << "2236" << true << "EPSG:2236" << QStringList{"EPSG:2236"} << QStringList{};
        QTest::newRow("feet hidden")
            << "2236" << false << "" << QStringList{} << QStringList{"EPSG:2236"};
    }
    void search() {
        QFETCH(QString, query);
        QFETCH(bool, all);
        QFETCH(QString, first);
        QFETCH(QStringList, contains);
        QFETCH(QStringList, excludes);
        const QStringList found = codes(reg().Search(query, all));
        if (!first.isEmpty()) {
            QVERIFY(!found.isEmpty());
            QCOMPARE(found.first(), first);
        }
        for (const QString& c : contains)
            QVERIFY2(found.contains(c), qPrintable(c));
        for (const QString& c : excludes)
            QVERIFY2(!found.contains(c), qPrintable(c));
    }

    void searchCounts() {
        QCOMPARE(int(reg().Search(QString()).size()), reg().usableCount());
        QCOMPARE(int(reg().Search(QStringLiteral("  "), true).size()), reg().totalCount());
        for (const Grid& g : reg().Search(QString(), true))
            QCOMPARE(g.usable, g.reason.isEmpty());
    }

    // Every search over every grid well inside a keystroke.
    void searchSpeed() {
        const QStringList queries{"",
                                  "i",
                                  "ir",
                                  "iri",
                                  "iris",
                                  "irish",
                                  "utm zone",
                                  "2",
                                  "21",
                                  "215",
                                  "2157",
                                  "EPSG:2157",
                                  "gauss kruger zone",
                                  "nad83 / "};
        double worst = 0, total = 0;
        for (int round = 0; round < 3; ++round)
            for (const QString& q : queries) {
                QElapsedTimer t;
                t.start();
                const auto found = reg().Search(q);
                const double ms = t.nsecsElapsed() / 1e6;
                worst = std::max(worst, ms);
                total += ms;
            }
        qInfo("search: worst %.2f ms, mean %.2f ms over %lld searches", worst,
              total / (3 * queries.size()), 3LL * queries.size());
        QVERIFY2(worst < 100, qPrintable(QString::number(worst)));
    }

    void projString_data() {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("e2");
        QTest::addColumn<double>("k0");
        QTest::addColumn<double>("fe");
        QTest::addColumn<double>("fn");
        QTest::addColumn<double>("lat0");
        QTest::addColumn<double>("lon0");
        QTest::addColumn<QString>("text");
        const double grs80 = registry::Eccentricity_Squared(298.257222101);
        QTest::newRow("GRS 1980 gives its inverse flattening back")
            << 6378137.0 << grs80 << 0.99982 << 600000.0 << 750000.0 << 53.5 << -8.0
            << "+proj=tmerc +lat_0=53.5 +lon_0=-8 +k=0.99982 +x_0=600000 +y_0=750000 "
               "+a=6378137 +rf=298.257222101 +units=m +no_defs";
        QTest::newRow("south and fractional, no exponent")
            << 6378137.0 << grs80 << 1.0 << 0.0 << 10000000.0 << -33.25 << 10.0 + 1.0 / 3
            << "+proj=tmerc +lat_0=-33.25 +lon_0=10.333333333333334 +k=1 +x_0=0 "
               "+y_0=10000000 +a=6378137 +rf=298.257222101 +units=m +no_defs";
        QTest::newRow("a sphere has no inverse flattening")
            << 6371000.0 << 0.0 << 1.0 << 0.0 << 0.0 << 0.0 << 0.0
            << "+proj=tmerc +lat_0=0 +lon_0=0 +k=1 +x_0=0 +y_0=0 +a=6371000 +b=6371000 "
               "+units=m +no_defs";
        // Regression: the inverse flattening was formed as 1/(1 - sqrt(1 - e2))
        // and came out 1.4e-14 away.
        QTest::newRow("a typed e2 keeps its value")
            << 6377563.396 << 0.00667054 << 0.9996012717 << 400000.0 << -100000.0 << 49.0 << -2.0
            << "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 "
               "+a=6377563.396 +rf=299.32496459934214 +units=m +no_defs";
        QTest::newRow("e2 of one is no ellipsoid")
            << 6378137.0 << 1.0 << 1.0 << 0.0 << 0.0 << 0.0 << 0.0 << "";
        QTest::newRow("negative e2") << 6378137.0 << -0.1 << 1.0 << 0.0 << 0.0 << 0.0 << 0.0 << "";
        QTest::newRow("not finite")
            << 6378137.0 << grs80 << 1.0 << qInf() << 0.0 << 0.0 << 0.0 << "";
    }
    void projString() {
        QFETCH(double, a);
        QFETCH(double, e2);
        QFETCH(double, k0);
        QFETCH(double, fe);
        QFETCH(double, fn);
        QFETCH(double, lat0);
        QFETCH(double, lon0);
        QFETCH(QString, text);
        const QString s = registry::Proj_String({a, e2, k0, fe, fn, lat0, lon0});
        QCOMPARE(s, text);
        if (text.isEmpty())
            return;
        PJ* pj = proj_create(PJ_DEFAULT_CTX, s.toUtf8().constData());
        QVERIFY2(pj, qPrintable(s));
        proj_destroy(pj);
        // Where no inverse flattening gives a typed e^2 to the last bit, the
        // nearest one is within rounding of it.
        const QString rf = s.section("+rf=", 1).section(' ', 0, 0);
        if (!rf.isEmpty())
            QVERIFY(std::fabs(registry::Eccentricity_Squared(rf.toDouble()) - e2) <= 1e-15 * e2);
    }

    void geographicString() {
        QCOMPARE(registry::Geographic_Proj_String(6378137,
                                                  registry::Eccentricity_Squared(298.257222101)),
                 QStringLiteral("+proj=longlat +a=6378137 +rf=298.257222101 +no_defs"));
        QCOMPARE(registry::Geographic_Proj_String(6378137, 1.5), QString());
    }

    void paramsFromTexts_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("error");
        QTest::newRow("the registry's form")
            << QStringList{"x",       "6378137", "0.006694380022900787",
                           "0.99982", "600000",  "750000",
                           "53.5 N",  "113.75 W"}
            << "";
        QTest::newRow("meridian without a blank")
            << QStringList{"x",       "6378137", "0.006694380022900787",
                           "0.99982", "600000",  "750000",
                           "53.5 N",  "8W"}
            << "";
        QTest::newRow("meridian missing")
            << QStringList{"x",       "6378137", "0.006694380022900787",
                           "0.99982", "600000",  "750000",
                           "53.5 N",  ""}
            << "Central meridian does not read.";
        QTest::newRow("scale not a number")
            << QStringList{"x",      "6378137", "0.006694380022900787", "k", "600000", "750000",
                           "53.5 N", "8 W"}
            << "Scale Factor does not read.";
    }
    void paramsFromTexts() {
        QFETCH(QStringList, texts);
        QFETCH(QString, error);
        const catalogue::EntryTexts t{texts[0], texts[1], texts[2], texts[3],
                                      texts[4], texts[5], texts[6], texts[7]};
        QString why;
        const auto p = registry::Params_From_Texts(t, &why);
        QCOMPARE(why, error);
        QCOMPARE(bool(p), error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
