#include "appstate.h"
#include "shell.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Shell::SetUpApplication();
    AppState state;
    Shell shell(state, Shell::UserOptions());
    if (!shell.Start())
        return 0;
    return app.exec();
}
