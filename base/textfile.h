// Reading and writing whole files: Shift_JIS text as line lists, and atomic replacement.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace base {

using Lines = std::vector<std::string>;

/// The whole file as bytes, or nullopt when it cannot be opened or read.
std::optional<std::string> ReadFile(const std::string &path);

/// Splits text into lines at CR, LF or CR LF. A last line without a break counts; an empty text
/// has no lines, and a text ending in a break has no empty line after it.
Lines SplitLines(std::string_view text);

/// The file's lines (see SplitLines), or nullopt when it cannot be read.
std::optional<Lines> ReadLines(const std::string &path);

/// Replaces the file at path with bytes: written to a temporary file in the same directory,
/// flushed to disk, then renamed over the old file, so a crash or a failed write leaves either
/// the old file whole or the new one. The new file gets mode (before the umask). Returns false
/// when anything failed; the old file is then untouched.
bool WriteFileAtomic(const std::string &path, std::string_view bytes, mode_t mode = 0644);

/// The outcome of WriteNewFileAtomic.
enum class NewFileResult {
    Written, ///< the file is in place, whole
    Taken,   ///< something already is at path; it was left as it is
    Failed,  ///< the file could not be written
};

/// Like WriteFileAtomic, but never replaces anything: the complete file appears at path only if
/// nothing is there at that moment (a hard link of the finished temporary file, which fails
/// rather than replace). On a file system without hard links the check and the rename are two
/// steps.
NewFileResult WriteNewFileAtomic(const std::string &path, std::string_view bytes, mode_t mode = 0644);

/// True when name (a file name without its directory) has the form of the temporary files the
/// writers above make: a name, ".tmp" and six letters or digits.
bool IsTemporaryFileName(std::string_view name);

/// Removes the temporary files (IsTemporaryFileName) left by writers that never finished, in dir
/// and the folders below it (links are not followed). Files changed within the last
/// minAgeSeconds are kept: another instance may be writing them now. Returns how many were removed.
int RemoveStaleTemporaries(const std::string &dir, int minAgeSeconds);

/// Joins lines with CR LF after every line.
std::string JoinLines(const Lines &lines);

/// WriteFileAtomic of JoinLines(lines).
bool WriteLines(const std::string &path, const Lines &lines, mode_t mode = 0644);

/// True when path names an existing regular file.
bool FileExists(const std::string &path);

/// Creates the directory and its missing parents. True when it exists afterwards.
bool MakeDirs(const std::string &path);

} // namespace base
