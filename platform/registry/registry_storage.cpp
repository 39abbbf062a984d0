#include "platform/registry/registry_storage.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace platform::registry {
namespace {

// As many links as the system itself follows in one path.
constexpr int kMaxLinks = 40;
constexpr int kMaxKept = 1000;
constexpr int kMaxTemporaryNames = 100;

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A new file of ours, next to `target`, that no one else has opened; -1 when none can be made.
int CreateTemporary(const std::string& target, mode_t mode, std::string& name)
{
    for (int n = 0; n < kMaxTemporaryNames; ++n) {
        name = target + ".new-" + std::to_string(getpid()) + "-" + std::to_string(n);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}  // namespace

std::string LinkTarget(const std::string& path)
{
    std::filesystem::path current = path;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error))
            return current.string();
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error)
            return current.string();
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return path;
}

std::optional<std::string> KeepAside(const std::string& path)
{
    for (int n = 0; n < kMaxKept; ++n) {
        std::string name = path + ".bad";
        if (n > 0)
            name += '.' + std::to_string(n);
        // A hard link is made only under a free name, where a rename would replace what is there.
        if (link(path.c_str(), name.c_str()) == 0) {
            if (unlink(path.c_str()) == 0)
                return name;
            const int error = errno;
            unlink(name.c_str());
            errno = error;
            return std::nullopt;
        }
        if (errno != EEXIST)
            return std::nullopt;
    }
    errno = EEXIST;
    return std::nullopt;
}

bool ReplaceContents(const std::string& path, const std::string& text)
{
    const std::string target = LinkTarget(path);
    gchar* dir = g_path_get_dirname(target.c_str());
    g_mkdir_with_parents(dir, 0700);
    g_free(dir);
    struct stat old;
    const bool existed = stat(target.c_str(), &old) == 0;
    std::string temporary;
    const int fd = CreateTemporary(target, existed ? 0600 : 0666, temporary);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text);
    if (ok && existed) {
        // Changing the group may clear set-id bits, so it goes first; a group the user is not in
        // cannot be kept.
        (void)fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        ok = fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(temporary.c_str());
    return ok;
}

}  // namespace platform::registry
