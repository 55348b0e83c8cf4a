#include "appstate.h"
#include "shell.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    QApplication::setDesktopFileName(QStringLiteral("quillmar"));
    QApplication::setQuitOnLastWindowClosed(false); // the menu decides when the run ends

    AppState state;
    QString lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockFolder.isEmpty())
        lockFolder = QDir::tempPath();
    Shell shell(state, {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                        lockFolder});
    if (!shell.Start())
        return 0;
    return app.exec();
}
