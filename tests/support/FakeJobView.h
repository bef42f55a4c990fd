// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/FileJob.h"
#include "job/JobView.h"
#include "job/Texts.h"
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

    // How each job run here ended, in the words the user would read: the
    // output's name when done, why not else; nothing when declined or ended.
    struct Message
    {
        QString text;
        quibex::JobResult::Kind kind;
    };
    QList<Message> messages;
    QStringList questions;

    void setStatus(const QString& text) override { calls << QStringLiteral("status:") + text; }
    void setSizeText(const QString& text) override { calls << QStringLiteral("size:") + text; }
    // "progress:37", or "progress:37 count:12345" for a job.
    void showProgress(int percent, std::optional<std::int64_t> done) override
    {
        calls << QStringLiteral("progress:%1").arg(percent) +
                     (done ? QStringLiteral(" count:%1").arg(*done) : QString());
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
    bool question(const QString& text) override
    {
        calls << QStringLiteral("question:") + text;
        questions << text;
        if (onQuestion) {
            onQuestion();
        }
        return answerYes;
    }
    bool endRequested() const override { return ending; }

    // The file job on this view, its result recorded as "result:" and in
    // messages.
    quibex::JobResult job(const QString& file, const QByteArray& key,
                          const quibex::JobOptions& options = {})
    {
        using Kind = quibex::JobResult::Kind;
        const quibex::JobResult result = quibex::dec_crypt(*this, file, key, options);
        const QString told = result.kind == Kind::Done ? successText(result.output) : result.why;
        if (result.kind == Kind::Done || result.kind == Kind::Refused ||
            result.kind == Kind::Failed) {
            messages.append({told, result.kind});
        }
        calls << QStringLiteral("result:") + told;
        return result;
    }
    static QString successText(const QString& output)
    {
        return QString::fromUtf8(quibex::texts::SuccessLine1) + QLatin1Char('\r') +
               QString::fromUtf8(quibex::texts::SuccessLine2) + output;
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
