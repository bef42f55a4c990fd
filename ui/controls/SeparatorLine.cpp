// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/SeparatorLine.h"

#include "ui/controls/AccessibleFactory.h"

#include <QAccessibleWidget>

namespace quibex {

namespace {

class SeparatorLineAccessible : public QAccessibleWidget
{
public:
    explicit SeparatorLineAccessible(SeparatorLine* line)
        : QAccessibleWidget(line, QAccessible::Separator)
    {
    }
};

} // namespace

SeparatorLine::SeparatorLine(QWidget* parent) : QFrame(parent)
{
    installAccessible<SeparatorLine, SeparatorLineAccessible>();
}

} // namespace quibex
