#pragma once

#include <QString>
#include <QUrl>

// The texts of the Help and About boxes and the address of the download page.
// Lines are separated by a carriage return alone, with none after the last.
namespace quibex::info {

QString helpTitle();
QString helpText();
QString aboutTitle();
QString aboutText();
// The maker's page of other utilities: the site followed by "tele.htm".
QUrl downloadPage();

} // namespace quibex::info
