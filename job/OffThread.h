// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobView.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace quibex {

// Runs work on a thread of its own while the window's thread waits for it at
// most interval at a time and yields in between: a file that blocks (a stalled
// network share, a frozen file system, /proc/kmsg) never freezes the window.
// nullopt when the view says the program is ending before the work is done:
// the work then ends alone, and what it returns is dropped with it.
template <typename Work>
auto offThread(JobView& view, std::chrono::milliseconds interval, Work work)
    -> std::optional<decltype(work())>
{
    using Result = decltype(work());
    struct State
    {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Result> result;
    };
    const auto state = std::make_shared<State>();
    // Shared, not moved into the thread: a thread that cannot start must
    // leave the work whole for the fallback.
    const auto task = std::make_shared<Work>(std::move(work));
    try {
        std::thread([state, task] {
            Result result = (*task)();
            {
                const std::lock_guard lock(state->mutex);
                state->result.emplace(std::move(result));
            }
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return (*task)(); // no thread to be had: done here, as the only way left
    }
    // A file that answers at all answers well within this: the window yields
    // only for one that does not.
    auto wait = std::max(interval, std::chrono::milliseconds(30));
    for (;;) {
        {
            std::unique_lock lock(state->mutex);
            if (state->done.wait_for(lock, wait, [&state] { return state->result.has_value(); })) {
                return std::move(state->result);
            }
        }
        wait = interval;
        view.yield();
        if (view.endRequested()) {
            return std::nullopt;
        }
    }
}

} // namespace quibex
