#include "appstate.h"
#include "shell.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>

#include <unistd.h>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    QApplication::setDesktopFileName(QStringLiteral("quillmar"));
    // Bitmaps rendered from quillmar.svg: Qt's SVG plugin may be missing.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quillmar-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QApplication::setQuitOnLastWindowClosed(false); // the menu decides when the run ends

    AppState state;
    QString lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockFolder.isEmpty()) // the temp folder is shared: keep users apart
        lockFolder = QDir::tempPath() + QStringLiteral("/quillmar-") + QString::number(getuid());
    Shell shell(state, {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                        lockFolder});
    if (!shell.Start())
        return 0;
    return app.exec();
}
