// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/FileOpenDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>

namespace quibex {

namespace {

FileOpenDialog::Factory& installedFactory()
{
    static FileOpenDialog::Factory factory;
    return factory;
}

QString qtPatterns(const QString& patterns)
{
    QStringList list = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : list) {
        pattern = pattern.trimmed();
        if (pattern == QLatin1String("*.*")) {
            pattern = QStringLiteral("*");
        }
    }
    return list.join(QLatin1Char(' '));
}

} // namespace

std::unique_ptr<FileOpenDialog> FileOpenDialog::create(QWidget* parent)
{
    if (installedFactory()) {
        return installedFactory()(parent);
    }
    return std::make_unique<DesktopFileOpenDialog>(parent);
}

void FileOpenDialog::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

QStringList FileOpenDialog::nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // The description is shown alone; the patterns in brackets after it
        // are hidden by the dialog and only do the matching.
        filters.append(QStringLiteral("%1 (%2)").arg(parts.at(i), qtPatterns(parts.at(i + 1))));
    }
    return filters;
}

DesktopFileOpenDialog::DesktopFileOpenDialog(QWidget* parent) : m_parent(parent)
{
}

int DesktopFileOpenDialog::show()
{
    QPointer<QFileDialog> dialog = new QFileDialog(m_parent, dialogTitle());
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = nameFilters(filter());
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
    }
    if (!fileName().isEmpty()) {
        dialog->selectFile(fileName());
    }
    const bool chosen = dialog->exec() == QDialog::Accepted && dialog != nullptr &&
                        !dialog->selectedFiles().isEmpty();
    if (chosen) {
        setFileName(QDir::toNativeSeparators(dialog->selectedFiles().constFirst()));
    }
    delete dialog;
    return chosen ? 0 : CancelError;
}

} // namespace quibex
