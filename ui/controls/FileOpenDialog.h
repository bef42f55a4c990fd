// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace quibex {

// The file-open dialog as the window uses it: a title, a filter, a file name
// that outlives the dialog, and a modal show that reports a cancellation.
class FileOpenDialog
{
public:
    // What show() returns when the user cancelled.
    static constexpr int CancelError = 32755;

    using Factory = std::function<std::unique_ptr<FileOpenDialog>(QWidget* parent)>;

    virtual ~FileOpenDialog() = default;

    // The desktop's dialog, unless a factory was installed.
    static std::unique_ptr<FileOpenDialog> create(QWidget* parent);
    // An empty factory brings back the desktop's dialog.
    static void setFactory(Factory factory);

    QString dialogTitle() const { return m_title; }
    void setDialogTitle(const QString& title) { m_title = title; }
    QString filter() const { return m_filter; }
    // Pairs of description and pattern, all separated by "|":
    // "Tous les fichiers (*.*)|*.*".
    void setFilter(const QString& filter) { m_filter = filter; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // Modal. 0 once a file is chosen (its full path becomes the file name);
    // CancelError when the user cancelled, the file name left as it was.
    virtual int show() = 0;

    // The filter as Qt name filters, one per pair: "description (patterns)".
    // The pattern "*.*" matches every file, also names without a dot, as it
    // does on the system the filters were written for.
    static QStringList nameFilters(const QString& filter);

private:
    QString m_title;
    QString m_filter;
    QString m_fileName;
};

// The desktop's dialog, Qt's own so that the filter reads as written.
class DesktopFileOpenDialog : public FileOpenDialog
{
public:
    explicit DesktopFileOpenDialog(QWidget* parent);
    int show() override;

private:
    QWidget* m_parent;
};

} // namespace quibex
