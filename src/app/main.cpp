#include "link/Platform.h"
#include "ui/frmParvex.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    frmParvex window(productionPlatform(defaultPortNames()));
    window.show();
    return app.exec();
}
