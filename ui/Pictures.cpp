#include "ui/Pictures.h"

// Q_INIT_RESOURCE declares a function of the global namespace.
static void registerQuibexResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace quibex::pictures {

namespace {

// The resources of a static library are registered by hand, once.
void registerResources()
{
    static const bool registered = [] {
        registerQuibexResources();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

QImage image(const QString& path)
{
    registerResources();
    return QImage(path);
}

QPixmap pixmap(const QString& path)
{
    return QPixmap::fromImage(image(path));
}

} // namespace quibex::pictures
