// What the file-reader fuzz targets share: a scratch directory per process, the input cut into
// the files of a multi-file reader, and the files put in place before each run.
#pragma once

#include "fuzz/plugin/fuzzcheck.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace filefuzz {

/// Separates the files of one input: the file before it, the file after it. Rare in real files
/// and listed in the dictionaries, so the fuzzer finds it.
inline constexpr std::string_view kSeparator = "\n@@@@\n";

/// The input as up to count parts split at kSeparator (the last part takes the rest, separators
/// included). Parts the input does not reach are nullopt: those files are missing.
std::vector<std::optional<std::string_view>> SplitInput(const std::uint8_t *data, std::size_t size, std::size_t count);

/// A directory of this process under /dev/shm (or /tmp), made on first use and removed at exit;
/// ends with "/".
const std::string &ScratchDir();

/// Puts bytes at path, or removes the file when bytes is nullopt. Plain writes without a flush to
/// disk: these are the fuzzer's inputs, not the program's files, and a run makes millions.
void PutFile(const std::string &path, std::optional<std::string_view> bytes);

/// A field of a plug-in record ends inside it. (A file may hold a NUL byte, which then ends the
/// text early; bytes after it are not read.)
template <std::size_t N> void RequireEnds(const char (&field)[N])
{
    Require(::strnlen(field, N) < N);
}

/// Creates dir (one level) when it is missing.
void MakeDir(const std::string &dir);

/// Removes every entry of dir (not below it), so that each run starts from the same state.
void EmptyDir(const std::string &dir);

} // namespace filefuzz
