// Whole-file reads and atomic writes.
#include "base/textfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

std::optional<std::string> ReadFile(const std::string &path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

Lines SplitLines(std::string_view text)
{
    Lines lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<Lines> ReadLines(const std::string &path)
{
    auto data = ReadFile(path);
    if (!data)
        return std::nullopt;
    return SplitLines(*data);
}

std::string JoinLines(const Lines &lines)
{
    std::size_t size = 0;
    for (const auto &line : lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto &line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

namespace {

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string directoryOf(const std::string &path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace

bool WriteFileAtomic(const std::string &path, std::string_view bytes, mode_t mode)
{
    if (path.empty())
        return false;
    std::string temp = path + ".tmpXXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    // mkstemp creates the file 0600; give it the mode the caller asked for, as a fresh file
    // created with that mode would have under the current umask.
    mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd, mode & ~mask) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; failing to sync the directory does not undo the write.
    int dirFd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

NewFileResult WriteNewFileAtomic(const std::string &path, std::string_view bytes, mode_t mode)
{
    struct stat st {};
    if (path.empty())
        return NewFileResult::Failed;
    if (::lstat(path.c_str(), &st) == 0)
        return NewFileResult::Taken;
    std::string temp = path + ".tmpXXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return NewFileResult::Failed;
    mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd, mode & ~mask) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(temp.c_str());
        return NewFileResult::Failed;
    }
    NewFileResult result = NewFileResult::Written;
    if (::link(temp.c_str(), path.c_str()) == 0) {
        ::unlink(temp.c_str());
    } else if (errno == EEXIST) {
        ::unlink(temp.c_str());
        result = NewFileResult::Taken;
    } else if (::lstat(path.c_str(), &st) == 0) {
        ::unlink(temp.c_str());
        result = NewFileResult::Taken;
    } else if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        result = NewFileResult::Failed;
    }
    if (result != NewFileResult::Written)
        return result;
    int dirFd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return NewFileResult::Written;
}

bool WriteLines(const std::string &path, const Lines &lines, mode_t mode)
{
    return WriteFileAtomic(path, JoinLines(lines), mode);
}

bool FileExists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirs(const std::string &path)
{
    if (path.empty())
        return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::string parent = directoryOf(path);
    if (parent != path && parent != "." && parent != "/" && !MakeDirs(parent))
        return false;
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

} // namespace base
