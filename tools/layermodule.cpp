// The module quillmar-batch loads for --output: gis::LayerWriter behind the
// plain interface of layers.h.

#include "layers.h"
#include "layerwriter.h"

namespace {

class GisLayer : public batch::Layer {
  public:
    GisLayer(const QString& path, const QString& crs, const QStringList& columns)
        : w_(path, crs, columns) {}
    QString error() const override { return w_.error(); }
    bool addPoint(double x, double y, const QStringList& values) override {
        return w_.addPoint(x, y, values);
    }
    bool finish() override { return w_.finish(); }

  private:
    gis::LayerWriter w_;
};

QString extensions() {
    QString list;
    for (const QString& e : gis::LayerWriter::Extensions())
        list += (list.isEmpty() ? QStringLiteral(".") : QStringLiteral(", .")) + e;
    return list;
}

const batch::LayerModule kModule{
    &gis::LayerWriter::Driver_For,
    &extensions,
    [](const QString& path, const QString& crs, const QStringList& columns) -> batch::Layer* {
        return new GisLayer(path, crs, columns);
    },
};

} // namespace

extern "C" Q_DECL_EXPORT const batch::LayerModule* quillmar_batch_layers() { return &kModule; }
