#include "ui/BusyPointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace quibex {

BusyPointer::BusyPointer()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyPointer::~BusyPointer()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace quibex
