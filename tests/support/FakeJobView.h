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
    // "progress:37", or "progress:37 count:12345" for a job.
    void showProgress(int percent, std::optional<std::int64_t> done) override
    {
        calls << QStringLiteral("progress:%1").arg(percent) +
                     (done ? QStringLiteral(" count:%1").arg(*done) : QString());
    }
    void clearProgress() override { calls << QStringLiteral("progress:none"); }
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
                QStringLiteral("progress:none")};
    }
    bool endsIdle() const
    {
        const QStringList tail = idleTail();
        return calls.size() >= tail.size() && calls.mid(calls.size() - tail.size()) == tail;
    }
    // A job's progress as shown, in order.
    struct Progress
    {
        int percent = 0;
        qint64 count = 0;
    };
    QList<Progress> jobProgress() const
    {
        QList<Progress> shown;
        for (const QString& c : calls) {
            if (c.startsWith(QStringLiteral("progress:")) &&
                c.contains(QStringLiteral(" count:"))) {
                shown.append({c.mid(9).section(QLatin1Char(' '), 0, 0).toInt(),
                              c.section(QStringLiteral(" count:"), 1).toLongLong()});
            }
        }
        return shown;
    }
    QList<qint64> counts() const
    {
        QList<qint64> shown;
        for (const Progress& p : jobProgress()) {
            shown << p.count;
        }
        return shown;
    }
    // The byte count shown last, 0 before any.
    qint64 lastCount() const
    {
        const QList<qint64> shown = counts();
        return shown.isEmpty() ? 0 : shown.last();
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
