// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "ui/controls/MessageBoxes.h"

#include <QObject>

namespace quibex {

// Keeps an Alt+letter that no enabled access key or menu took from being
// typed into a text box: as on the old system it only beeps. Qt offers a key
// press to the shortcuts before the focused widget, so what reaches the box
// with Alt held matched none (or only a disabled button's). Installed as an
// event filter on the text boxes that take typing.
class StrayAccessKeys : public QObject
{
public:
    // boxes beeps, and must outlive the filter.
    StrayAccessKeys(MessageBoxes& boxes, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MessageBoxes& m_boxes;
};

} // namespace quibex
