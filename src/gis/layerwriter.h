// Results as a point layer that a GIS opens, written through GDAL/OGR. The
// format follows the file's extension:
//   .gpkg GeoPackage, .geojson GeoJSON, .kml KML, .shp ESRI Shapefile,
//   .csv CSV (X and Y columns first, with a .csvt of the column types and a
//        .prj of the CRS beside it, which OGR reads back).
// x is always the easting or the longitude and y the northing or the
// latitude, whatever axis order the CRS's registry gives it. KML holds WGS 84
// longitudes and latitudes only: OGR converts the points into it, and a column
// called name or description becomes the placemark's name or description.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace gis {

enum class ColumnType {
    Auto, // Real when every value written is a number (a blank is no value), else String
    Real, // a value that is not a number is written as no value
    String,
};

struct Column {
    QString name;
    ColumnType type = ColumnType::Auto;
};

class LayerWriter {
  public:
    // crs: anything OSRSetFromUserInput reads: "EPSG:2157", a PROJ string,
    // WKT. An existing file (or shapefile set) at path is replaced when the
    // layer is finished. Check ok() before adding points.
    LayerWriter(const QString& path, const QString& crs, std::vector<Column> columns);
    LayerWriter(const QString& path, const QString& crs, const QStringList& columnNames);
    // Without finish(), whatever was written is removed again.
    ~LayerWriter();
    LayerWriter(const LayerWriter&) = delete;
    LayerWriter& operator=(const LayerWriter&) = delete;

    bool ok() const { return error_.isEmpty(); }
    // Why the layer cannot be written, naming the file; empty when all is well.
    const QString& error() const { return error_; }
    // What GDAL said without failing (a shapefile's shortened field names...).
    const QStringList& warnings() const { return warnings_; }

    // One feature. values in the order of the columns; fewer values leave
    // the rest without a value. False (and error()) on a failure.
    bool addPoint(double x, double y, const QStringList& values);
    // Writes what is still held and closes the file. False on a failure.
    bool finish();

    // The OGR driver for a file name, by its extension; empty when none.
    static QString Driver_For(const QString& path);
    // The extensions understood, without the dot: "gpkg", "geojson", ...
    static QStringList Extensions();

  private:
    bool open();
    bool writeRow(double x, double y, const QStringList& values);
    bool writeCrsBeside();
    bool fail(const QString& what);
    void removeOutput();

    struct Impl;
    std::unique_ptr<Impl> d;
    QString error_;
    QStringList warnings_;
};

} // namespace gis
