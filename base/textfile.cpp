// Whole-file reads and atomic writes.
#include "base/textfile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fcntl.h>
#include <random>
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

// Six characters for a temporary name that no other writer of this process or another one picks.
std::string uniqueSuffix()
{
    static std::atomic<unsigned long long> counter{0};
    thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<unsigned long long>(::getpid()));
    unsigned long long value = random() ^ (counter.fetch_add(1) * 0x9e3779b97f4a7c15ULL);
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += kDigits[value % 62];
        value /= 62;
    }
    return suffix;
}

} // namespace

bool WriteFileAtomic(const std::string &path, std::string_view bytes, mode_t mode)
{
    if (path.empty())
        return false;
    // The temporary file is created with the caller's mode, so the kernel applies the umask to
    // it as to any fresh file. Reading the umask would mean setting it for a moment, and another
    // thread creating a file in that moment would get wider permissions.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".tmp" + uniqueSuffix();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
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

bool IsTemporaryFileName(std::string_view name)
{
    constexpr std::string_view kInfix = ".tmp";
    constexpr std::size_t kSuffix = 6;
    if (name.size() <= kInfix.size() + kSuffix)
        return false;
    const std::string_view suffix = name.substr(name.size() - kSuffix);
    for (char c : suffix)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    return name.substr(name.size() - kSuffix - kInfix.size(), kInfix.size()) == kInfix;
}

int RemoveStaleTemporaries(const std::string &dir, int minAgeSeconds)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::time_t newest = std::time(nullptr) - minAgeSeconds;
    int removed = 0;
    for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!IsTemporaryFileName(it->path().filename().native()))
            continue;
        struct stat st {};
        // lstat: a link of that name is not ours, and its target is never touched.
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_mtime > newest)
            continue;
        if (::unlink(it->path().c_str()) == 0)
            ++removed;
    }
    return removed;
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
