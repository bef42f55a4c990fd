#pragma once

#include <QLockFile>
#include <QString>

class QApplication;

namespace quibex {

// Names, look and French translations of the program; once, right after the
// QApplication is made and before any window.
void setUpApplication(QApplication& app);

// Held for the life of the program so that a second start of the same user
// finds it taken. A lock left by a crashed instance is seen as stale (its
// process is gone) and taken over.
class SingleInstance
{
public:
    // lockPath empty: the user's runtime folder.
    explicit SingleInstance(const QString& lockPath = {});
    bool acquired() const { return m_acquired; }

    static QString defaultLockPath();

private:
    QLockFile m_lock;
    bool m_acquired = false;
};

} // namespace quibex
