#pragma once

#include <QByteArray>
#include <QString>

namespace quibex {

class JobView;

// The window's file job: transforms file with key (8-bit codes, at least one)
// into the file named by the output rule, reporting through view, and leaves
// the window idle again whatever happens.
void dec_crypt(JobView& view, const QString& file, const QByteArray& key);

// Puts the window back to idle: commands on, caption "Crypter", "En attente...".
void raz(JobView& view);

} // namespace quibex
