#include "layerwriter.h"

#include "numtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

namespace gis {

namespace {

void registerDrivers() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

// GDAL reports through a handler; while one of these lives, the messages go
// to the writer instead of standard error.
struct Messages {
    QString failure;
    QStringList warnings;
    static void CPL_STDCALL handler(CPLErr level, CPLErrorNum, const char* msg) {
        auto* self = static_cast<Messages*>(CPLGetErrorHandlerUserData());
        const QString text = QString::fromUtf8(msg).trimmed();
        if (level >= CE_Failure)
            self->failure = text;
        else if (level == CE_Warning && !self->warnings.contains(text))
            self->warnings << text;
    }
};

struct Capture {
    explicit Capture(Messages& m) {
        CPLPushErrorHandlerEx(&Messages::handler, &m);
        CPLErrorReset();
    }
    ~Capture() { CPLPopErrorHandler(); }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
};

// A value of a number column; nullopt for a blank or a text that is not one.
std::optional<double> numberValue(const QString& text) {
    return numtext::To_Number(text.toStdString());
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

} // namespace

struct LayerWriter::Impl {
    QString path;
    QString driverName;
    std::vector<Column> columns;
    OGRSpatialReferenceH srs = nullptr;
    GDALDatasetH ds = nullptr;
    OGRLayerH layer = nullptr;
    bool transaction = false;
    bool created = false; // something is on disk that an unfinished layer must not leave
    bool finished = false;
    // Held back until every value of an Auto column has been seen.
    bool buffering = false;
    struct Row {
        double x, y;
        QStringList values;
    };
    std::vector<Row> rows;
    std::vector<bool> allNumbers; // per Auto column: only numbers and blanks so far
    std::vector<bool> anyNumber;
    std::vector<int> fields; // the layer's field of each column
    Messages messages;

    ~Impl() {
        if (srs)
            OSRRelease(srs);
    }
};

QString LayerWriter::Driver_For(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("gpkg"))
        return QStringLiteral("GPKG");
    if (ext == QLatin1String("geojson"))
        return QStringLiteral("GeoJSON");
    if (ext == QLatin1String("shp"))
        return QStringLiteral("ESRI Shapefile");
    if (ext == QLatin1String("csv"))
        return QStringLiteral("CSV");
    // Not LIBKML: it holds the whole document and its time grows with the
    // square of the points (8,000 took 77 s); KML streams.
    if (ext == QLatin1String("kml"))
        return QStringLiteral("KML");
    return {};
}

QStringList LayerWriter::Extensions() {
    return {QStringLiteral("gpkg"), QStringLiteral("geojson"), QStringLiteral("kml"),
            QStringLiteral("shp"), QStringLiteral("csv")};
}

LayerWriter::LayerWriter(const QString& path, const QString& crs, const QStringList& columnNames)
    : LayerWriter(path, crs, [&] {
          std::vector<Column> c;
          for (const QString& n : columnNames)
              c.push_back({n, ColumnType::Auto});
          return c;
      }()) {}

LayerWriter::LayerWriter(const QString& path, const QString& crs, std::vector<Column> columns)
    : d(std::make_unique<Impl>()) {
    registerDrivers();
    d->path = path;
    d->columns = std::move(columns);
    d->driverName = Driver_For(path);
    if (d->driverName.isEmpty()) {
        error_ = QStringLiteral("%1: the format is chosen by the extension, one of .%2")
                     .arg(path, Extensions().join(QStringLiteral(", .")));
        return;
    }
    if (!GDALGetDriverByName(d->driverName.toUtf8().constData())) {
        error_ = QStringLiteral("%1: this GDAL has no %2 driver").arg(path, d->driverName);
        return;
    }
    Capture capture(d->messages);
    d->srs = OSRNewSpatialReference(nullptr);
    if (OSRSetFromUserInput(d->srs, crs.toUtf8().constData()) != OGRERR_NONE) {
        error_ = QStringLiteral("%1: the coordinate reference system \"%2\" does not read")
                     .arg(path, crs);
        return;
    }
    OSRSetAxisMappingStrategy(d->srs, OAMS_TRADITIONAL_GIS_ORDER);
    for (const Column& c : d->columns) {
        d->buffering = d->buffering || c.type == ColumnType::Auto;
        d->allNumbers.push_back(true);
        d->anyNumber.push_back(false);
    }
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        error_ = QStringLiteral("%1: the folder does not exist").arg(path);
        return;
    }
    if (!d->buffering)
        open();
}

LayerWriter::~LayerWriter() {
    if (d->ds) {
        Capture capture(d->messages);
        GDALClose(d->ds);
        d->ds = nullptr;
    }
    if (!d->finished && d->created)
        removeOutput();
}

void LayerWriter::removeOutput() {
    Capture capture(d->messages);
    if (GDALDriverH driver = GDALGetDriverByName(d->driverName.toUtf8().constData()))
        GDALDeleteDataset(driver, d->path.toUtf8().constData());
    QFile::remove(d->path);
    if (d->driverName == QLatin1String("CSV")) {
        const QFileInfo f(d->path);
        QFile::remove(f.dir().filePath(f.completeBaseName() + QStringLiteral(".csvt")));
        QFile::remove(f.dir().filePath(f.completeBaseName() + QStringLiteral(".prj")));
    }
}

bool LayerWriter::fail(const QString& what) {
    QString detail = d->messages.failure;
    if (detail.isEmpty())
        detail = QString::fromUtf8(CPLGetLastErrorMsg()).trimmed();
    error_ = QStringLiteral("%1: %2").arg(d->path, what);
    if (!detail.isEmpty())
        error_ += QStringLiteral(" (%1)").arg(detail);
    return false;
}

bool LayerWriter::open() {
    Capture capture(d->messages);
    GDALDriverH driver = GDALGetDriverByName(d->driverName.toUtf8().constData());
    const QByteArray path = d->path.toUtf8();
    // Replace, never add to, what is there.
    if (QFileInfo::exists(d->path)) {
        GDALDeleteDataset(driver, path.constData());
        QFile::remove(d->path);
        CPLErrorReset();
        d->messages.failure.clear();
    }
    d->ds = GDALCreate(driver, path.constData(), 0, 0, 0, GDT_Unknown, nullptr);
    if (!d->ds)
        return fail(QStringLiteral("the file could not be created"));
    d->created = true;

    CPLStringList options;
    if (d->driverName == QLatin1String("CSV")) {
        options.SetNameValue("GEOMETRY", "AS_XY");
        options.SetNameValue("CREATE_CSVT", "YES");
    } else if (d->driverName == QLatin1String("ESRI Shapefile")) {
        options.SetNameValue("ENCODING", "UTF-8");
    } else if (d->driverName == QLatin1String("GeoJSON")) {
        options.SetNameValue("SIGNIFICANT_FIGURES", "17");
    } else if (d->driverName == QLatin1String("GPKG")) {
        // The key column takes a name no column has: a number column
        // called "fid" would otherwise be refused.
        QString fid = QStringLiteral("fid");
        for (int n = 1; std::any_of(
                 d->columns.begin(), d->columns.end(),
                 [&](const Column& c) { return c.name.compare(fid, Qt::CaseInsensitive) == 0; });
             ++n)
            fid = QStringLiteral("fid_%1").arg(n);
        options.SetNameValue("FID", fid.toUtf8().constData());
    }
    const QByteArray layerName = QFileInfo(d->path).completeBaseName().toUtf8();
    d->layer =
        GDALDatasetCreateLayer(d->ds, layerName.constData(), d->srs, wkbPoint, options.List());
    if (!d->layer)
        return fail(QStringLiteral("the layer could not be created"));

    for (size_t i = 0; i < d->columns.size(); ++i) {
        const Column& c = d->columns[i];
        const bool real = c.type == ColumnType::Real ||
                          (c.type == ColumnType::Auto && d->allNumbers[i] && d->anyNumber[i]);
        const QByteArray name = c.name.toUtf8();
        OGRFeatureDefnH defn = OGR_L_GetLayerDefn(d->layer);
        const int before = OGR_FD_GetFieldCount(defn);
        OGRFieldDefnH field = OGR_Fld_Create(name.constData(), real ? OFTReal : OFTString);
        const OGRErr err = OGR_L_CreateField(d->layer, field, TRUE);
        OGR_Fld_Destroy(field);
        if (err != OGRERR_NONE)
            return fail(QStringLiteral("the column \"%1\" could not be created").arg(c.name));
        // A layer may have fields of its own (KML's Name and Description,
        // which a column of that name becomes): a column's field is the one
        // just added, or else the one of its name.
        const int after = OGR_FD_GetFieldCount(defn);
        d->fields.push_back(after > before ? after - 1
                                           : OGR_FD_GetFieldIndex(defn, name.constData()));
        d->columns[i].type = real ? ColumnType::Real : ColumnType::String;
    }
    // One transaction for all features: a GeoPackage otherwise commits each.
    d->transaction = GDALDatasetStartTransaction(d->ds, FALSE) == OGRERR_NONE;
    warnings_ = d->messages.warnings;
    return true;
}

bool LayerWriter::writeRow(double x, double y, const QStringList& values) {
    OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(d->layer));
    for (int i = 0; i < int(d->columns.size()) && i < values.size(); ++i) {
        const QString& v = values[i];
        const int field = d->fields[size_t(i)];
        if (field < 0)
            continue;
        if (d->columns[size_t(i)].type == ColumnType::Real) {
            if (const auto n = numberValue(v))
                OGR_F_SetFieldDouble(f, field, *n);
        } else if (!v.isEmpty()) {
            OGR_F_SetFieldString(f, field, v.toUtf8().constData());
        }
    }
    OGRGeometryH point = OGR_G_CreateGeometry(wkbPoint);
    OGR_G_SetPoint_2D(point, 0, x, y);
    OGR_F_SetGeometryDirectly(f, point);
    const OGRErr err = OGR_L_CreateFeature(d->layer, f);
    OGR_F_Destroy(f);
    if (err != OGRERR_NONE)
        return fail(QStringLiteral("a point could not be written"));
    return true;
}

bool LayerWriter::addPoint(double x, double y, const QStringList& values) {
    if (!ok() || d->finished)
        return false;
    if (!std::isfinite(x) || !std::isfinite(y)) {
        error_ =
            QStringLiteral("%1: a point without finite coordinates cannot be written").arg(d->path);
        return false;
    }
    if (values.size() > int(d->columns.size())) {
        error_ = QStringLiteral("%1: a point has %2 values for %3 columns")
                     .arg(d->path)
                     .arg(values.size())
                     .arg(d->columns.size());
        return false;
    }
    if (d->buffering) {
        for (int i = 0; i < values.size(); ++i) {
            if (d->columns[size_t(i)].type != ColumnType::Auto || blank(values[i]))
                continue;
            if (numberValue(values[i]))
                d->anyNumber[size_t(i)] = true;
            else
                d->allNumbers[size_t(i)] = false;
        }
        d->rows.push_back({x, y, values});
        return true;
    }
    Capture capture(d->messages);
    return writeRow(x, y, values);
}

bool LayerWriter::finish() {
    if (!ok() || d->finished)
        return ok();
    if (d->buffering) {
        if (!open())
            return false;
        Capture capture(d->messages);
        for (const Impl::Row& r : d->rows)
            if (!writeRow(r.x, r.y, r.values))
                return false;
        d->rows.clear();
        d->rows.shrink_to_fit();
    }
    {
        Capture capture(d->messages);
        if (d->transaction && GDALDatasetCommitTransaction(d->ds) != OGRERR_NONE)
            return fail(QStringLiteral("the points could not be written"));
        GDALClose(d->ds);
        d->ds = nullptr;
        if (d->messages.failure.size())
            return fail(QStringLiteral("the file could not be completed"));
    }
    if (!writeCrsBeside())
        return false;
    d->finished = true;
    for (const QString& w : d->messages.warnings)
        if (!warnings_.contains(w))
            warnings_ << w;
    return true;
}

// What OGR leaves out: a CSV has no place for the CRS, and GeoJSON names one
// only by an EPSG code. Both are read back by OGR (a .prj beside the CSV, a
// "crs" member of type "name" that it reads as any user input).
bool LayerWriter::writeCrsBeside() {
    const bool csv = d->driverName == QLatin1String("CSV");
    const bool geojson = d->driverName == QLatin1String("GeoJSON");
    if (!csv && !geojson)
        return true;
    if (geojson) {
        const char* auth = OSRGetAuthorityName(d->srs, nullptr);
        if (auth && QByteArray(auth) == "EPSG")
            return true;
    }
    char* text = nullptr;
    if (csv) {
        const char* const options[] = {"FORMAT=WKT2_2019", nullptr};
        OSRExportToWktEx(d->srs, &text, options);
    } else {
        OSRExportToProj4(d->srs, &text);
    }
    const QByteArray crs = text ? QByteArray(text).trimmed() : QByteArray();
    CPLFree(text);
    if (crs.isEmpty())
        return fail(QStringLiteral("the coordinate reference system could not be written"));

    if (csv) {
        const QFileInfo f(d->path);
        QFile prj(f.dir().filePath(f.completeBaseName() + QStringLiteral(".prj")));
        if (!prj.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            prj.write(crs + '\n') != crs.size() + 1 || !prj.flush())
            return fail(QStringLiteral("%1 could not be written").arg(prj.fileName()));
        return true;
    }
    QFile json(d->path);
    if (!json.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("the file could not be read again"));
    QByteArray all = json.readAll();
    json.close();
    const QByteArray anchor = "\"features\": [";
    const int at = all.indexOf(anchor);
    if (at < 0)
        return fail(QStringLiteral("the coordinate reference system could not be written"));
    QByteArray escaped = crs;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    all.insert(at, "\"crs\": { \"type\": \"name\", \"properties\": { \"name\": \"" + escaped +
                       "\" } },\n");
    if (!json.open(QIODevice::WriteOnly | QIODevice::Truncate) || json.write(all) != all.size() ||
        !json.flush())
        return fail(QStringLiteral("the file could not be written"));
    return true;
}

} // namespace gis
