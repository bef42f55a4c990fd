// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/SpokenPace.h"

#include <QLabel>

#include <algorithm>

namespace quibex {

SpokenPace::SpokenPace(std::chrono::milliseconds pace, QObject* parent)
    : QObject(parent), m_pace(pace)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SpokenPace::tell);
}

void SpokenPace::follow(QLabel* label)
{
    label->setAccessibleName(label->text());
}

void SpokenPace::changed(QLabel* label)
{
    if (!m_pending.contains(label)) {
        m_pending.append(label);
    }
    if (m_timer.isActive()) {
        return;
    }
    // At the end of this turn of the event loop at the soonest, so that the
    // labels one step changes are told together.
    const qint64 since = m_sinceTold.isValid() ? m_sinceTold.elapsed() : m_pace.count();
    m_timer.start(int(std::max<qint64>(0, m_pace.count() - since)));
}

void SpokenPace::tell()
{
    for (const QPointer<QLabel>& label : std::as_const(m_pending)) {
        if (label != nullptr && label->accessibleName() != label->text()) {
            label->setAccessibleName(label->text());
        }
    }
    m_pending.clear();
    m_sinceTold.start();
}

} // namespace quibex
