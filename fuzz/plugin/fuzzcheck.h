// What every parser must keep on any input, checked by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>

/// Stops the run (a crash to the fuzzer) when the condition fails.
inline void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

inline void RequireZero(const void *memory, std::size_t size)
{
    static const unsigned char zero[4096] = {};
    const unsigned char *p = static_cast<const unsigned char *>(memory);
    for (std::size_t done = 0; done < size; done += sizeof zero) {
        const std::size_t n = size - done < sizeof zero ? size - done : sizeof zero;
        Require(std::memcmp(p + done, zero, n) == 0);
    }
}

/// The text of a field ends inside it, and nothing follows its terminator.
inline void RequireTerminated(const char *field, std::size_t size)
{
    const std::size_t length = ::strnlen(field, size);
    Require(length < size);
    RequireZero(field + length, size - length);
}

/// The input as a zero-terminated body in a heap block of exactly its size, so that any read
/// past the terminator is reported.
inline std::unique_ptr<char[]> MakeBody(const unsigned char *data, std::size_t size)
{
    std::unique_ptr<char[]> body(new char[size + 1]);
    std::memcpy(body.get(), data, size);
    body[size] = '\0';
    return body;
}
