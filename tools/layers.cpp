#include "layers.h"

#include <QCoreApplication>
#include <QLibrary>

namespace batch {

const LayerModule* Layer_Module(QString* error) {
    static const LayerModule* module = nullptr;
    static QString why;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const QString dir = QCoreApplication::applicationDirPath();
        const QString name = QStringLiteral("quillmar-batch-layers");
        // Beside the program in a build, in the library folder once installed.
        for (const QString& path : {dir + QLatin1Char('/') + name,
                                    dir + QStringLiteral("/" QUILLMAR_LAYER_MODULE_DIR "/") + name}) {
            QLibrary lib(path);
            using Entry = const LayerModule* (*)();
            if (const auto entry = reinterpret_cast<Entry>(lib.resolve("quillmar_batch_layers"))) {
                module = entry();
                break;
            }
            why = lib.errorString(); // the installed place's, the one that matters
        }
        if (!module)
            why = QStringLiteral("--output needs the module quillmar-batch-layers, which cannot be "
                                 "loaded: ") + why;
    }
    if (!module && error)
        *error = why;
    return module;
}

} // namespace batch
