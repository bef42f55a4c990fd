#include "ui/Application.h"
#include "ui/RezarUvurizod.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quibex::setUpApplication(app);

    // A second start ends at once and in silence, before any window shows.
    const quibex::SingleInstance instance;
    if (!instance.acquired()) {
        return 0;
    }

    quibex::RezarUvurizod window;
    window.centre();
    window.show();
    return QApplication::exec();
}
