// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/FileOpenDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>

namespace quibex {

DesktopFileOpenDialog::DesktopFileOpenDialog(QWidget* parent) : m_parent(parent)
{
}

bool DesktopFileOpenDialog::show()
{
    QPointer<QFileDialog> dialog = new QFileDialog(m_parent, dialogTitle());
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // The description is shown alone; the pattern in brackets after it is
    // hidden by the dialog and only does the matching.
    dialog->setNameFilter(filter().section(QLatin1Char('|'), 0, 0) + QStringLiteral(" (*)"));
    if (!fileName().isEmpty()) {
        dialog->selectFile(fileName());
    }
    const bool chosen = dialog->exec() == QDialog::Accepted && dialog != nullptr &&
                        !dialog->selectedFiles().isEmpty();
    if (chosen) {
        setFileName(QDir::toNativeSeparators(dialog->selectedFiles().constFirst()));
    }
    delete dialog;
    return chosen;
}

} // namespace quibex
