// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobView.h"
#include "tests/support/TestStreams.h"

#include <QString>
#include <QStringList>

#include <functional>

// Records every call of the job as one line "operation:argument", answers the
// overwrite question as told, runs a hook inside every yield and the question,
// and tells paced streams what it has shown.
class FakeJobView : public quibex::JobView
{
public:
    QStringList calls;
    bool answerYes = true;
    bool ending = false;
    int yields = 0;
    std::function<void()> onYield;
    std::function<void()> onMessage;
    std::function<void()> onQuestion;
    quibex::testing::TestStreams* paced = nullptr;

    struct Message
    {
        QString text;
        quibex::MessageKind kind;
        QString title;
    };
    QList<Message> messages;
    QStringList questions;

    void setCommandsEnabled(bool on) override { calls << QStringLiteral("enabled:%1").arg(on); }
    void setCryptCaption(const QString& text) override
    {
        calls << QStringLiteral("caption:") + text;
    }
    void setStatus(const QString& text) override { calls << QStringLiteral("status:") + text; }
    void setSizeText(const QString& text) override { calls << QStringLiteral("size:") + text; }
    void setCountText(const QString& text) override { calls << QStringLiteral("count:") + text; }
    void showPercentage(int percent) override { calls << QStringLiteral("show:%1").arg(percent); }
    void setProgress(int percent) override { calls << QStringLiteral("progress:%1").arg(percent); }
    void setPercentText(const QString& text) override
    {
        calls << QStringLiteral("percent:") + text;
    }
    void setPasswordEntryVisible(bool on) override
    {
        calls << QStringLiteral("passwordVisible:%1").arg(on);
    }
    void setPasswordText(const QString& text) override
    {
        calls << QStringLiteral("password:") + text;
    }
    void yield() override
    {
        calls << QStringLiteral("yield");
        ++yields;
        if (paced) {
            paced->shown(lastCount());
        }
        if (onYield) {
            onYield();
        }
    }
    void message(const QString& text, quibex::MessageKind kind, const QString& title) override
    {
        calls << QStringLiteral("message:") + text;
        messages.append({text, kind, title});
        if (onMessage) {
            onMessage();
        }
    }
    bool question(const QString& text, const QString& title) override
    {
        calls << QStringLiteral("question:") + text;
        Q_UNUSED(title);
        questions << text;
        if (onQuestion) {
            onQuestion();
        }
        return answerYes;
    }
    bool endRequested() const override { return ending; }

    // The calls that put the window back to idle, in the job's order.
    static QStringList idleTail()
    {
        return {QStringLiteral("enabled:1"),
                QStringLiteral("caption:Crypter"),
                QStringLiteral("status:En attente..."),
                QStringLiteral("passwordVisible:0"),
                QStringLiteral("password:"),
                QStringLiteral("percent:0%"),
                QStringLiteral("progress:0")};
    }
    bool endsIdle() const
    {
        const QStringList tail = idleTail();
        return calls.size() >= tail.size() && calls.mid(calls.size() - tail.size()) == tail;
    }
    // The byte count shown last, 0 before any.
    qint64 lastCount() const
    {
        const QStringList counts = callsStartingWith(QStringLiteral("count:"));
        return counts.isEmpty() ? 0
                                : counts.last().mid(6).section(QLatin1Char(' '), 0, 0).toLongLong();
    }
    QStringList callsStartingWith(const QString& prefix) const
    {
        QStringList out;
        for (const QString& c : calls) {
            if (c.startsWith(prefix)) {
                out << c;
            }
        }
        return out;
    }
};
