// The scratch files of the file-reader fuzz targets.
#include "fuzz/files/filefuzz.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace filefuzz {

std::vector<std::optional<std::string_view>> SplitInput(const std::uint8_t *data, std::size_t size, std::size_t count)
{
    std::vector<std::optional<std::string_view>> parts(count);
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i + 1 < count ? rest.find(kSeparator) : std::string_view::npos;
        if (at == std::string_view::npos) {
            parts[i] = rest;
            break;
        }
        parts[i] = rest.substr(0, at);
        rest.remove_prefix(at + kSeparator.size());
    }
    return parts;
}

namespace {

std::string MakeScratch()
{
    const char *base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/nk-fuzz-XXXXXX";
    Require(::mkdtemp(pattern.data()) != nullptr);
    static std::string removeAtExit;
    removeAtExit = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(removeAtExit, ignored);
    });
    return pattern + "/";
}

} // namespace

const std::string &ScratchDir()
{
    static const std::string dir = MakeScratch();
    return dir;
}

void PutFile(const std::string &path, std::optional<std::string_view> bytes)
{
    if (!bytes) {
        Require(::unlink(path.c_str()) == 0 || errno == ENOENT);
        return;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Require(fd >= 0);
    std::size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t n = ::write(fd, bytes->data() + done, bytes->size() - done);
        Require(n > 0);
        done += static_cast<std::size_t>(n);
    }
    Require(::close(fd) == 0);
}

void MakeDir(const std::string &dir)
{
    Require(::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST);
}

void EmptyDir(const std::string &dir)
{
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent *entry = ::readdir(d)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const std::string path = dir + entry->d_name;
        if (::unlink(path.c_str()) != 0) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
    ::closedir(d);
}

} // namespace filefuzz
