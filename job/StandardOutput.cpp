// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/StandardOutput.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace quibex {

bool StandardOutput::write(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            m_error = {StreamFailure::System, n < 0 ? errno : EIO};
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

bool StandardOutput::flush()
{
    struct stat info
    {
    };
    if (::fstat(STDOUT_FILENO, &info) == 0 && S_ISREG(info.st_mode) &&
        ::fsync(STDOUT_FILENO) != 0) {
        m_error = {StreamFailure::System, errno};
        return false;
    }
    return true;
}

} // namespace quibex
