// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/InputFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace quibex {

namespace {

// Kernel file systems whose files are made as they are read.
bool onVirtualFileSystem(int fd)
{
    constexpr unsigned long ConfigFs = 0x62656570; // not in the kernel's public header
    constexpr std::array<unsigned long, 11> Kinds{
        PROC_SUPER_MAGIC, SYSFS_MAGIC,        DEBUGFS_MAGIC,       TRACEFS_MAGIC,
        SECURITYFS_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, ConfigFs,
        BPF_FS_MAGIC,     PSTOREFS_MAGIC,     EFIVARFS_MAGIC};
    struct statfs system
    {
    };
    return ::fstatfs(fd, &system) == 0 &&
           std::find(Kinds.begin(), Kinds.end(), static_cast<unsigned long>(system.f_type)) !=
               Kinds.end();
}

} // namespace

std::unique_ptr<InputFile> InputFile::open(const QByteArray& nativePath, int& error)
{
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info
    {
    };
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    }
    if (S_ISREG(info.st_mode)) {
        // A regular file is read blocking again, front to back.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    return std::unique_ptr<InputFile>(new InputFile(fd, info, onVirtualFileSystem(fd)));
}

InputFile::InputFile(int fd, const struct stat& info, bool isVirtual)
    : m_fd(fd), m_info(info), m_virtual(isVirtual)
{
}

InputFile::~InputFile()
{
    ::close(m_fd);
}

std::int64_t InputFile::read(char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0) {
            return n;
        }
        if (errno != EINTR) {
            m_error = {StreamFailure::System, errno};
            return -1;
        }
    }
}

bool InputFile::changed()
{
    struct stat now
    {
    };
    if (::fstat(m_fd, &now) != 0 || now.st_size != m_info.st_size ||
        now.st_mtim.tv_sec != m_info.st_mtim.tv_sec ||
        now.st_mtim.tv_nsec != m_info.st_mtim.tv_nsec) {
        m_error = {StreamFailure::InputChanged, 0};
        return true;
    }
    return false;
}

} // namespace quibex
