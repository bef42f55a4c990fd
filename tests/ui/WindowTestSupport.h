#pragma once

#include "ui/RezarUvurizod.h"

#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace quibex {

// Records which command procedure a trigger runs, instead of running it.
class RecordingWindow : public RezarUvurizod
{
public:
    QStringList calls;

    void parcourir() override { calls << QStringLiteral("parcourir"); }
    void crypter() override { calls << QStringLiteral("crypter"); }
    void aide() override { calls << QStringLiteral("aide"); }
    void aPropos() override { calls << QStringLiteral("aPropos"); }
    void telecharger() override { calls << QStringLiteral("telecharger"); }
};

template <typename T> T* control(QWidget& window, const QString& name)
{
    return window.findChild<T*>(name);
}

// Keys and shortcuts reach only the active window.
inline bool showAndActivate(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace quibex
