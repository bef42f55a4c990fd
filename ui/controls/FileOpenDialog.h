// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>

class QWidget;

namespace quibex {

// The file-open dialog as the window uses it: a title, a filter, a file name
// that outlives the dialog, and a modal show that reports a cancellation.
class FileOpenDialog
{
public:
    virtual ~FileOpenDialog() = default;

    QString dialogTitle() const { return m_title; }
    void setDialogTitle(const QString& title) { m_title = title; }
    QString filter() const { return m_filter; }
    // A description and its pattern, separated by "|": "Tous les fichiers (*.*)|*.*".
    void setFilter(const QString& filter) { m_filter = filter; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // Modal. True once a file is chosen (its full path becomes the file
    // name); false when the user cancelled, the file name left as it was.
    virtual bool show() = 0;

private:
    QString m_title;
    QString m_filter;
    QString m_fileName;
};

// The desktop's dialog, Qt's own so that the filter reads as written. Its one
// pattern, "*.*", matches every file, also names without a dot, as it does
// on the system the filter was written for.
class DesktopFileOpenDialog : public FileOpenDialog
{
public:
    explicit DesktopFileOpenDialog(QWidget* parent);
    bool show() override;

private:
    QWidget* m_parent;
};

} // namespace quibex
