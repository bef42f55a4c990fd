// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

class QLabel;

namespace quibex {

// Tells assistive tools what labels say at most once per pace, all the
// labels changed meanwhile together, the latest text of each: a screen
// reader told of every step of a job (some thirty a second) falls behind and
// says nothing until the end. The screen still shows every step. A label
// read this way speaks through its accessible name, which Qt keeps from
// announcing each setText.
class SpokenPace : public QObject
{
    Q_OBJECT

public:
    explicit SpokenPace(std::chrono::milliseconds pace, QObject* parent = nullptr);

    // The label's spoken name is its text from now on.
    void follow(QLabel* label);
    // Its text changed: said now if the pace allows, else at the pace's end.
    void changed(QLabel* label);

private:
    void tell();

    std::chrono::milliseconds m_pace;
    QTimer m_timer;
    QElapsedTimer m_sinceTold;
    QList<QPointer<QLabel>> m_pending;
};

} // namespace quibex
