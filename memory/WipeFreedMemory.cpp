// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// Every block this program frees is wiped first, whoever allocated it. The
// password and its key pass through strings of Qt, of the C++ library and of
// the system (the password box's text and undo steps, the expansion shown as
// it grows, text layout and shaping buffers) that no code of ours sees die;
// freed unwiped, they would stay readable in memory (a swapped page, another
// root process reading /proc). glibc's own M_PERTURB would not do: blocks it
// keeps in its per-thread cache are not filled.
//
// The wiping must not blind glibc's own checks: a block already in the
// per-thread cache carries glibc's random cache key in its second word, which
// glibc reads to catch a second free. Such a block is handed on as it is, so
// that glibc aborts as it would without us.
//
// Linked into the executables only (never a library), and left out of
// sanitizer builds, whose allocator is its own.

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <malloc.h>

extern "C" {

// glibc's own entry points, which its malloc, realloc and free stand for.
// NOLINTBEGIN(bugprone-reserved-identifier)
void* __libc_malloc(std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
// NOLINTEND(bugprone-reserved-identifier)
}

namespace {

constexpr std::size_t KeyOffset = sizeof(void*);

std::uint64_t wordAt(const void* block, std::size_t offset)
{
    std::uint64_t word = 0;
    std::memcpy(&word, static_cast<const char*>(block) + offset, sizeof(word));
    return word;
}

// glibc's cache key, read from a block of ours that it has just cached; 0
// where it keeps no cache (then nothing is spared). The probe's block is
// filled first, so that a key is only what glibc wrote there.
std::uint64_t cacheKey()
{
    static const std::uint64_t key = [] {
        void* probe = __libc_malloc(24);
        if (probe == nullptr) {
            return std::uint64_t{0};
        }
        std::memset(probe, 0xA5, 24);
        __libc_free(probe);
        // NOLINTNEXTLINE(clang-analyzer-unix.Malloc): glibc's own word, read on purpose
        const std::uint64_t word = wordAt(probe, KeyOffset);
        return word == 0xA5A5A5A5A5A5A5A5ULL ? std::uint64_t{0} : word;
    }();
    return key;
}

bool alreadyCached(void* block, std::size_t held)
{
    const std::uint64_t key = cacheKey();
    return key != 0 && held >= KeyOffset + sizeof(key) && wordAt(block, KeyOffset) == key;
}

// A block glibc mapped on its own: mremap moves its pages, leaving no copy.
bool isMapped(const void* block)
{
    std::size_t header = 0;
    std::memcpy(&header, static_cast<const char*>(block) - sizeof(header), sizeof(header));
    return (header & 2U) != 0;
}

} // namespace

extern "C" {

void free(void* block) noexcept
{
    if (block == nullptr) {
        return;
    }
    const std::size_t held = malloc_usable_size(block);
    if (!alreadyCached(block, held)) {
        explicit_bzero(block, held);
    }
    __libc_free(block);
}

// glibc's own realloc would free a moved block unwiped. A block that has to
// move gets room to grow as much again, so that growing by small steps moves
// it a few times only, as glibc's in-place growth would.
void* realloc(void* block, std::size_t size) noexcept
{
    if (block == nullptr) {
        return __libc_malloc(size);
    }
    if (size == 0) {
        free(block);
        return nullptr;
    }
    const std::size_t held = malloc_usable_size(block);
    if (size <= held) {
        // Room kept for the next growth; what is past size is wiped with
        // the block. Only a block that shrinks by half gives memory back.
        if (size >= held / 2) {
            return block;
        }
        explicit_bzero(static_cast<char*>(block) + size, held - size);
        return __libc_realloc(block, size);
    }
    const std::size_t roomy = std::max(size, 2 * held);
    if (isMapped(block)) {
        void* grown = __libc_realloc(block, roomy);
        return grown != nullptr ? grown : __libc_realloc(block, size);
    }
    void* moved = __libc_malloc(roomy);
    if (moved == nullptr) {
        moved = __libc_malloc(size);
    }
    if (moved != nullptr) {
        std::memcpy(moved, block, held);
        free(block);
    }
    return moved;
}

void* reallocarray(void* block, std::size_t count, std::size_t size) noexcept
{
    std::size_t total = 0;
    if (__builtin_mul_overflow(count, size, &total)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(block, total);
}

} // extern "C"
