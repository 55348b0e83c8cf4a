// Point layers written in every format and read back through OGR: the layer,
// its CRS, every feature with its attributes and coordinates.
#include "layerwriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>

using gis::Column;
using gis::ColumnType;
using gis::LayerWriter;

namespace {

const QString kItmString = QStringLiteral(
    "+proj=tmerc +lat_0=53.5 +lon_0=-8 +k=0.99982 +x_0=600000 +y_0=750000 +a=6378137 "
    "+rf=298.257222101 +units=m +no_defs");
const QString kGrsLongLat = QStringLiteral("+proj=longlat +a=6378137 +rf=298.257222101 +no_defs");

struct Feature {
    double x, y;
    QStringList values;
};

// Easting/northing in Ireland, or longitude/latitude when geographic.
std::vector<Feature> features(bool geographic) {
    if (geographic)
        return {{-6.25, 53.333333333333336, {"Dublin", "1", "", "n1"}},
                {-8.4706, 51.8979, {"Cork", "2.5", "7", "12"}},
                {-9.0568, 53.2707, {"Galway", "-3", "", "n3"}}};
    return {{715830.7050083, 734697.7959861, {"Dublin", "1", "", "n1"}},
            {567471.123, 571929.5, {"Cork", "2.5", "7", "12"}},
            {529742.25, 725290.125, {"Galway", "-3", "", "n3"}}};
}

// The numbers that make a CRS, so a CRS read back can be compared with the
// one written whatever names a format keeps.
QString describe(OGRSpatialReferenceH srs) {
    if (!srs)
        return QStringLiteral("none");
    OGRErr err = OGRERR_NONE;
    auto n = [](double x) { return QString::number(x, 'g', 12); };
    QString s = QStringLiteral("a %1 rf %2")
                    .arg(n(OSRGetSemiMajor(srs, &err)), n(OSRGetInvFlattening(srs, &err)));
    if (OSRIsProjected(srs)) {
        s += QStringLiteral(" %1 lat0 %2 lon0 %3 k %4 fe %5 fn %6")
                 .arg(QString::fromUtf8(OSRGetAttrValue(srs, "PROJECTION", 0)),
                      n(OSRGetProjParm(srs, SRS_PP_LATITUDE_OF_ORIGIN, 0, &err)),
                      n(OSRGetProjParm(srs, SRS_PP_CENTRAL_MERIDIAN, 0, &err)),
                      n(OSRGetProjParm(srs, SRS_PP_SCALE_FACTOR, 0, &err)),
                      n(OSRGetProjParm(srs, SRS_PP_FALSE_EASTING, 0, &err)),
                      n(OSRGetProjParm(srs, SRS_PP_FALSE_NORTHING, 0, &err)));
    } else if (OSRIsGeographic(srs)) {
        s += QStringLiteral(" geographic");
    }
    return s;
}

QString describe(const QString& crs) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRSetFromUserInput(srs, crs.toUtf8().constData());
    const QString s = describe(srs);
    OSRRelease(srs);
    return s;
}

} // namespace

class TestLayerWriter : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

  private slots:
    void initTestCase() {
        GDALAllRegister();
        QVERIFY(dir_.isValid());
    }

    void readBack_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("crs");
        QTest::addColumn<bool>("geographic");
        QTest::addColumn<QString>("readCrs");  // as read back; empty: as written
        QTest::addColumn<double>("tolerance"); // of the coordinates read back
        const QStringList files{"points.gpkg", "points.geojson", "points.shp", "points.csv"};
        for (const QString& f : files) {
            const QString ext = f.section('.', 1);
            // OGR writes a CSV's X and Y with 15 significant digits.
            const double tolerance = ext == "csv" ? 1e-9 : 0.0;
            QTest::newRow(qPrintable(ext + ", EPSG code"))
                << f << "EPSG:2157" << false << "" << tolerance;
            QTest::newRow(qPrintable(ext + ", a grid's PROJ string"))
                << f << kItmString << false << "" << tolerance;
            QTest::newRow(qPrintable(ext + ", longitude and latitude on an ellipsoid"))
                << f << kGrsLongLat << true << "" << tolerance;
        }
        // KML holds WGS 84 only: OGR converts into it. Regression: its own
        // Name and Description fields shifted every value by two columns.
        QTest::newRow("kml, EPSG code") << "points.kml"
                                        << "EPSG:2157" << false << "EPSG:4326" << 1e-9;
        QTest::newRow("kml, longitude and latitude on an ellipsoid")
            << "points.kml" << kGrsLongLat << true << "EPSG:4326" << 1e-9;
        QTest::newRow("geographic EPSG code, latitude first in the registry")
            << "lonlat.geojson"
            << "EPSG:4258" << true << "" << 0.0;
    }
    void readBack() {
        QFETCH(QString, file);
        QFETCH(QString, crs);
        QFETCH(bool, geographic);
        QFETCH(QString, readCrs);
        QFETCH(double, tolerance);
        const QString path = dir_.filePath(file);
        const std::vector<Feature> written = features(geographic);
        {
            LayerWriter w(path, crs,
                          std::vector<Column>{{"name"}, {"value"}, {"sparse"}, {"mixed"}});
            QVERIFY2(w.ok(), qPrintable(w.error()));
            for (const Feature& f : written)
                QVERIFY2(w.addPoint(f.x, f.y, f.values), qPrintable(w.error()));
            QVERIFY2(w.finish(), qPrintable(w.error()));
        }

        GDALDatasetH ds =
            GDALOpenEx(path.toUtf8().constData(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
        QVERIFY2(ds, qPrintable(path));
        QCOMPARE(GDALDatasetGetLayerCount(ds), 1);
        OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
        QCOMPARE(QString::fromUtf8(OGR_L_GetName(layer)), QFileInfo(file).completeBaseName());
        QCOMPARE(describe(OGR_L_GetSpatialRef(layer)), describe(readCrs.isEmpty() ? crs : readCrs));
        QCOMPARE(OGR_L_GetFeatureCount(layer, TRUE), GIntBig(written.size()));

        OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
        const int name = OGR_FD_GetFieldIndex(defn, "name");
        const int value = OGR_FD_GetFieldIndex(defn, "value");
        const int sparse = OGR_FD_GetFieldIndex(defn, "sparse");
        const int mixed = OGR_FD_GetFieldIndex(defn, "mixed");
        QVERIFY(name >= 0 && value >= 0 && sparse >= 0 && mixed >= 0);
        // Numbers where every value is one; a blank is no value.
        QCOMPARE(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, name)), OFTString);
        QCOMPARE(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, value)), OFTReal);
        QCOMPARE(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, sparse)), OFTReal);
        QCOMPARE(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, mixed)), OFTString);

        OGRCoordinateTransformationH ct = nullptr;
        if (!readCrs.isEmpty()) {
            OGRSpatialReferenceH from = OSRNewSpatialReference(nullptr);
            OSRSetFromUserInput(from, crs.toUtf8().constData());
            OSRSetAxisMappingStrategy(from, OAMS_TRADITIONAL_GIS_ORDER);
            OGRSpatialReferenceH to = OSRNewSpatialReference(nullptr);
            OSRSetFromUserInput(to, readCrs.toUtf8().constData());
            OSRSetAxisMappingStrategy(to, OAMS_TRADITIONAL_GIS_ORDER);
            ct = OCTNewCoordinateTransformation(from, to);
            OSRRelease(from);
            OSRRelease(to);
            QVERIFY(ct);
        }
        OGR_L_ResetReading(layer);
        for (const Feature& f : written) {
            OGRFeatureH got = OGR_L_GetNextFeature(layer);
            QVERIFY(got);
            OGRGeometryH g = OGR_F_GetGeometryRef(got);
            QVERIFY(g);
            double x = f.x, y = f.y;
            if (ct)
                QVERIFY(OCTTransform(ct, 1, &x, &y, nullptr));
            const QString where = QStringLiteral("%1 %2 read %3 %4")
                                      .arg(x, 0, 'g', 17)
                                      .arg(y, 0, 'g', 17)
                                      .arg(OGR_G_GetX(g, 0), 0, 'g', 17)
                                      .arg(OGR_G_GetY(g, 0), 0, 'g', 17);
            QVERIFY2(std::fabs(OGR_G_GetX(g, 0) - x) <= tolerance &&
                         std::fabs(OGR_G_GetY(g, 0) - y) <= tolerance,
                     qPrintable(where));
            QCOMPARE(QString::fromUtf8(OGR_F_GetFieldAsString(got, name)), f.values[0]);
            QCOMPARE(OGR_F_GetFieldAsDouble(got, value), f.values[1].toDouble());
            QCOMPARE(bool(OGR_F_IsFieldSetAndNotNull(got, sparse)), !f.values[2].isEmpty());
            QCOMPARE(QString::fromUtf8(OGR_F_GetFieldAsString(got, mixed)), f.values[3]);
            OGR_F_Destroy(got);
        }
        if (ct)
            OCTDestroyCoordinateTransformation(ct);
        GDALClose(ds);
    }

    // A second layer at the same path replaces the first.
    void replacesAnExistingFile_data() {
        QTest::addColumn<QString>("file");
        for (const char* f : {"again.gpkg", "again.geojson", "again.shp", "again.csv", "again.kml"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void replacesAnExistingFile() {
        QFETCH(QString, file);
        const QString path = dir_.filePath(file);
        for (int n : {3, 1}) {
            LayerWriter w(path, "EPSG:2157", QStringList{"n"});
            for (int i = 0; i < n; ++i)
                QVERIFY(w.addPoint(600000 + i, 750000, {QString::number(i)}));
            QVERIFY2(w.finish(), qPrintable(w.error()));
        }
        GDALDatasetH ds =
            GDALOpenEx(path.toUtf8().constData(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
        QVERIFY(ds);
        QCOMPARE(OGR_L_GetFeatureCount(GDALDatasetGetLayer(ds, 0), TRUE), GIntBig(1));
        GDALClose(ds);
    }

    // Regression: KML went through LIBKML, whose time grows with the square
    // of the points (8,000 took 77 s).
    void manyPoints_data() {
        QTest::addColumn<QString>("file");
        for (const char* f : {"many.gpkg", "many.geojson", "many.kml", "many.shp", "many.csv"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void manyPoints() {
        QFETCH(QString, file);
        const int n = 20000;
        QElapsedTimer t;
        t.start();
        LayerWriter w(dir_.filePath(file), "EPSG:2157", QStringList{"i", "e"});
        for (int i = 0; i < n; ++i)
            QVERIFY(w.addPoint(600000 + i, 750000, {QString::number(i), "600000.125"}));
        QVERIFY2(w.finish(), qPrintable(w.error()));
        qInfo("%d points in %lld ms", n, t.elapsed());
        QVERIFY(t.elapsed() < 10000);
    }

    void refusals_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("crs");
        QTest::addColumn<double>("x");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("error"); // after the path and ": "
        QTest::newRow("unknown extension")
            << "points.txt"
            << "EPSG:2157" << 1.0 << QStringList{}
            << "the format is chosen by the extension, one of .gpkg, .geojson, .kml, .shp, .csv";
        QTest::newRow("CRS that does not read")
            << "nocrs.gpkg"
            << "EPSG:99999" << 1.0 << QStringList{}
            << "the coordinate reference system \"EPSG:99999\" does not read";
        QTest::newRow("a point without coordinates")
            << "nan.gpkg"
            << "EPSG:2157" << qQNaN() << QStringList{}
            << "a point without finite coordinates cannot be written";
        QTest::newRow("more values than columns")
            << "toomany.gpkg"
            << "EPSG:2157" << 1.0 << QStringList{"1", "2"} << "a point has 2 values for 1 columns";
    }
    void refusals() {
        QFETCH(QString, file);
        QFETCH(QString, crs);
        QFETCH(double, x);
        QFETCH(QStringList, values);
        QFETCH(QString, error);
        const QString path = dir_.filePath(file);
        {
            LayerWriter w(path, crs, QStringList{"n"});
            if (w.ok()) {
                QVERIFY(!w.addPoint(x, 1, values));
                QVERIFY(!w.finish());
            }
            QCOMPARE(w.error(), path + ": " + error);
        }
        QVERIFY(!QFile::exists(path));
    }

    // Regression: a column that fails after the file was created left the
    // half-made file behind.
    void failedColumnLeavesNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("CSV, one name twice") << "twice.csv";
    }
    void failedColumnLeavesNothing() {
        QFETCH(QString, file);
        const QString path = dir_.filePath(file);
        {
            LayerWriter w(path, "EPSG:2157",
                          std::vector<Column>{{"n", ColumnType::Real}, {"n", ColumnType::Real}});
            QVERIFY(!w.ok());
            QVERIFY2(w.error().startsWith(path + ": the column \"n\" could not be created ("),
                     qPrintable(w.error()));
        }
        QVERIFY(!QFile::exists(path));
    }

    // Regression: a number column named "fid" collided with a GeoPackage's
    // key column and the layer could not be made.
    void columnNamedFid_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("GeoPackage, fid") << "fid.gpkg" << QStringList{"fid", "e"};
        QTest::newRow("GeoPackage, FID and fid_1") << "fid1.gpkg" << QStringList{"FID", "fid_1"};
        QTest::newRow("shapefile, fid") << "fid.shp" << QStringList{"fid", "e"};
    }
    void columnNamedFid() {
        QFETCH(QString, file);
        QFETCH(QStringList, names);
        const QString path = dir_.filePath(file);
        {
            LayerWriter w(path, "EPSG:2157", names);
            QVERIFY(w.addPoint(600000, 750000, {"7", "8"}));
            QVERIFY2(w.finish(), qPrintable(w.error()));
        }
        GDALDatasetH ds =
            GDALOpenEx(path.toUtf8().constData(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
        QVERIFY(ds);
        OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
        OGRFeatureH f = OGR_L_GetNextFeature(layer);
        QVERIFY(f);
        OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
        for (int i = 0; i < names.size(); ++i) {
            const int at = OGR_FD_GetFieldIndex(defn, names[i].toUtf8().constData());
            QVERIFY2(at >= 0, qPrintable(names[i]));
            QCOMPARE(OGR_F_GetFieldAsDouble(f, at), 7.0 + i);
        }
        OGR_F_Destroy(f);
        GDALClose(ds);
    }

    void missingFolder() {
        const QString path = dir_.filePath("no/such/folder/points.gpkg");
        LayerWriter w(path, "EPSG:2157", QStringList{"n"});
        QCOMPARE(w.error(), path + ": the folder does not exist");
    }

    // A layer that is not finished leaves nothing behind.
    void abandonedLayerIsRemoved_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("declaredTypes"); // written while adding, not at the end
        QTest::newRow("streamed GeoPackage") << "gone.gpkg" << true;
        QTest::newRow("streamed shapefile") << "gone.shp" << true;
        QTest::newRow("streamed CSV") << "gone.csv" << true;
        QTest::newRow("held back GeoJSON") << "gone.geojson" << false;
    }
    void abandonedLayerIsRemoved() {
        QFETCH(QString, file);
        QFETCH(bool, declaredTypes);
        const QString path = dir_.filePath(file);
        {
            LayerWriter w(
                path, "EPSG:2157",
                std::vector<Column>{{"n", declaredTypes ? ColumnType::Real : ColumnType::Auto}});
            QVERIFY(w.addPoint(600000, 750000, {"1"}));
        }
        const QString base = QFileInfo(file).completeBaseName();
        QCOMPARE(QDir(dir_.path()).entryList({base + ".*"}, QDir::Files), QStringList{});
    }

    // Declared types are kept whatever the values: a Real column leaves a
    // text without a value instead of failing.
    void declaredTypes() {
        const QString path = dir_.filePath("declared.gpkg");
        {
            LayerWriter w(
                path, "EPSG:2157",
                std::vector<Column>{{"code", ColumnType::String}, {"e", ColumnType::Real}});
            QVERIFY(w.addPoint(600000, 750000, {"12", "oops"}));
            QVERIFY(w.addPoint(600001, 750000, {"x", "3.25"}));
            QVERIFY(w.finish());
        }
        GDALDatasetH ds =
            GDALOpenEx(path.toUtf8().constData(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
        QVERIFY(ds);
        OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
        OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
        QCOMPARE(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, 0)), OFTString);
        QCOMPARE(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, 1)), OFTReal);
        OGRFeatureH f = OGR_L_GetNextFeature(layer);
        QCOMPARE(QString::fromUtf8(OGR_F_GetFieldAsString(f, 0)), QStringLiteral("12"));
        QVERIFY(!OGR_F_IsFieldSetAndNotNull(f, 1));
        OGR_F_Destroy(f);
        f = OGR_L_GetNextFeature(layer);
        QCOMPARE(OGR_F_GetFieldAsDouble(f, 1), 3.25);
        OGR_F_Destroy(f);
        GDALClose(ds);
    }

    // A shapefile keeps ten characters of a column name; GDAL says so.
    void shapefileNamesShortened() {
        const QString path = dir_.filePath("long.shp");
        LayerWriter w(path, "EPSG:2157", QStringList{"a_very_long_column_name"});
        QVERIFY(w.addPoint(600000, 750000, {"1"}));
        QVERIFY(w.finish());
        QVERIFY2(!w.warnings().isEmpty(), "no warning");
        QVERIFY(w.warnings().join(' ').contains("a_very_long_column_name"));
    }
};

QTEST_GUILESS_MAIN(TestLayerWriter)
#include "tst_layerwriter.moc"
