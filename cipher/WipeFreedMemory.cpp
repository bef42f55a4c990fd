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
// Linked into the executables only (never a library), and left out of
// sanitizer builds, whose allocator is its own.

#include <cerrno>
#include <cstddef>
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

void free(void* block) noexcept
{
    if (block != nullptr) {
        explicit_bzero(block, malloc_usable_size(block));
        __libc_free(block);
    }
}

// glibc's own realloc would free a moved block unwiped.
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
        explicit_bzero(static_cast<char*>(block) + size, held - size);
        return __libc_realloc(block, size);
    }
    void* moved = __libc_malloc(size);
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
