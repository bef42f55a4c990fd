// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/Summary.h"

#include "cli/CliTexts.h"
#include "cli/CliView.h"
#include "cli/Qbc.h"
#include "job/Texts.h"

#include <cstdio>

namespace quibex::cli {

void Tally::tell(CliView& view, const JobResult& result, bool withRate)
{
    using Kind = JobResult::Kind;
    switch (result.kind) {
    case Kind::Done:
        view.done(result.bytes, withRate);
        ++done;
        return;
    case Kind::Refused:
    case Kind::Failed:
        view.refuse(result.why);
        ++(result.kind == Kind::Refused ? refused : failed);
        return;
    case Kind::Declined: // the question's answer said why
        ++refused;
        return;
    case Kind::Ended:
        return;
    }
}

void Tally::printSummary() const
{
    std::fputs(
        qPrintable(texts::text(Summary).arg(done).arg(refused).arg(failed) + QLatin1Char('\n')),
        stderr);
}

int Tally::status() const
{
    return refused + failed == 0 ? AllDone : SomeNotDone;
}

} // namespace quibex::cli
