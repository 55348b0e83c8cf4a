// The GIS layer of --output, through a module of its own: GDAL and the
// hundred libraries it brings cost every start about 30 ms, so only a run
// that writes a layer loads them.
#pragma once

#include <QString>
#include <QStringList>

namespace batch {

// A point layer being written (gis::LayerWriter, every column typed by its
// values).
class Layer {
  public:
    virtual ~Layer() = default;
    // Why the layer cannot be written, naming the file; empty when all is well.
    virtual QString error() const = 0;
    virtual bool addPoint(double x, double y, const QStringList& values) = 0;
    virtual bool finish() = 0;
};

// What the module offers.
struct LayerModule {
    // The OGR driver of a file name by its extension; empty when none.
    QString (*driverFor)(const QString& path);
    // ".gpkg, .geojson, ..."
    QString (*extensions)();
    // A layer at path in the CRS crs (EPSG:2157, a PROJ string); check
    // error() before adding points. Without finish() the file is removed.
    Layer* (*open)(const QString& path, const QString& crs, const QStringList& columns);
};

// The module beside the program (a build) or where it is installed; null
// with *error set when it cannot be loaded.
const LayerModule* Layer_Module(QString* error);

} // namespace batch
