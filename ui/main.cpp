#include "ui/Application.h"
#include "ui/RezarUvurizod.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // A second start ends at once and in silence: before Qt connects to the
    // display, which may already print warnings, and before any window shows.
    QCoreApplication::setApplicationName(QStringLiteral("quibex-crypto"));
    const quibex::SingleInstance instance;
    if (!instance.acquired()) {
        return 0;
    }

    QApplication app(argc, argv);
    quibex::setUpApplication(app);

    quibex::RezarUvurizod window;
    window.centre();
    window.show();
    return QApplication::exec();
}
