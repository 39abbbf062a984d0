#include "platform/files/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

class FileObject : public platform::kernel::KernelObject {
public:
    explicit FileObject(int fd) : m_fd(fd) {}
    ~FileObject() override { ::close(m_fd); }
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

HANDLE Fail(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

DWORD OpenError(int err)
{
    if (err == ENOENT)
        return ERROR_FILE_NOT_FOUND;
    if (err == EEXIST)
        return ERROR_FILE_EXISTS;
    return platform::kernel::ErrorFromErrno(err);
}

// Reads and writes of the file wait again as a file's do.
bool ClearNonBlocking(int fd)
{
    const int status = ::fcntl(fd, F_GETFL);
    return status >= 0 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0;
}

// A write that found the disk, the quota or the process's file-size limit full.
bool NoRoom(int err)
{
    return err == ENOSPC || err == EFBIG || err == EDQUOT;
}

// Where the file system takes no room ahead: whether the disk has `bytes` free beyond what the file
// already holds. 0 or ENOSPC; nothing known counts as room.
int FreeRoomFor(int fd, const struct stat& st, off_t bytes)
{
    struct statvfs disk {};
    if (::fstatvfs(fd, &disk) != 0)
        return 0;
    const off_t held = static_cast<off_t>(st.st_blocks) * 512;
    const unsigned long long free = static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize;
    return bytes <= held || static_cast<unsigned long long>(bytes - held) <= free ? 0 : ENOSPC;
}

// Room on the disk for the file's bytes past its end up to `bytes`, its end left where it is: 0 or
// an errno. The file-size limit is looked at here, since taking room does not count against it.
int TakeRoom(int fd, off_t bytes)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    if (bytes <= st.st_size)
        return 0;
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(bytes) > limit.rlim_cur)
        return EFBIG;
    int err = 0;
    do
        err = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, st.st_size, bytes - st.st_size) == 0 ? 0 : errno;
    while (err == EINTR);
    return err == EOPNOTSUPP ? FreeRoomFor(fd, st, bytes) : err;
}

std::shared_ptr<FileObject> Lookup(HANDLE file)
{
    auto object = platform::kernel::LookupHandleAs<FileObject>(file);
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, void*, DWORD creationDisposition, DWORD,
                   HANDLE)
{
    if (!fileName || !*fileName)
        return Fail(ERROR_PATH_NOT_FOUND);
    const bool reading = desiredAccess & GENERIC_READ;
    const bool writing = desiredAccess & GENERIC_WRITE;
    // Not blocking: a FIFO would wait for its other end here, and it is refused below anyway.
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY);
    bool truncate = false;
    switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT; truncate = true; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: truncate = true; break;
    default: return Fail(ERROR_INVALID_PARAMETER);
    }
    if (truncate && !writing)
        return Fail(ERROR_ACCESS_DENIED);
    const int fd = ::open(fileName, flags, 0666);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT && (flags & O_CREAT))
            return Fail(ERROR_PATH_NOT_FOUND);
        return Fail(OpenError(err));
    }
    // Only a regular file is a file here: a folder, FIFO, socket or device is not opened, so no
    // read or write can wait on it. The test is on what was opened, not on the name.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !ClearNonBlocking(fd)) {
        ::close(fd);
        return Fail(ERROR_ACCESS_DENIED);
    }
    // The lock comes before any truncation, so a file that another handle holds stays as it is.
    if (::flock(fd, (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(fd);
        return Fail(ERROR_SHARING_VIOLATION);
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        const int err = errno;
        ::close(fd);
        return Fail(platform::kernel::ErrorFromErrno(err));
    }
    SetLastError(ERROR_SUCCESS);
    return platform::kernel::RegisterHandle(std::make_shared<FileObject>(fd));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void*)
{
    if (read)
        *read = 0;
    auto object = Lookup(file);
    if (!object)
        return FALSE;
    if (!buffer && toRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < toRead) {
        const ssize_t n = ::read(object->Fd(), bytes + done, toRead - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (read)
                *read = done;
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        if (n == 0)
            break;
        done += static_cast<DWORD>(n);
    }
    if (read)
        *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void*)
{
    if (written)
        *written = 0;
    auto object = Lookup(file);
    if (!object)
        return FALSE;
    if (!buffer && toWrite > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (done < toWrite) {
        const ssize_t n = ::write(object->Fd(), bytes + done, toWrite - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            if (written)
                *written = done;
            SetLastError(NoRoom(err) ? ERROR_DISK_FULL : platform::kernel::ErrorFromErrno(err));
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (written)
        *written = done;
    return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPointer, DWORD moveMethod)
{
    auto object = Lookup(file);
    if (!object)
        return FALSE;
    const int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    const off_t moved = moveMethod <= FILE_END ? ::lseek(object->Fd(), distance.QuadPart, whence) : -1;
    if (moved < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (newPointer)
        newPointer->QuadPart = moved;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size)
{
    auto object = Lookup(file);
    if (!object)
        return FALSE;
    struct stat st {};
    if (!size || ::fstat(object->Fd(), &st) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    size->QuadPart = st.st_size;
    return TRUE;
}

BOOL SetEndOfFile(HANDLE file)
{
    auto object = Lookup(file);
    if (!object)
        return FALSE;
    const off_t end = ::lseek(object->Fd(), 0, SEEK_CUR);
    if (end < 0 || ::ftruncate(object->Fd(), end) != 0) {
        SetLastError(platform::kernel::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD infoBytes)
{
    auto object = Lookup(file);
    if (!object)
        return FALSE;
    const auto* room = static_cast<const FILE_ALLOCATION_INFO*>(info);
    if (infoClass != FileAllocationInfo || !room || infoBytes < sizeof *room || room->AllocationSize.QuadPart < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int err = TakeRoom(object->Fd(), room->AllocationSize.QuadPart);
    if (err != 0) {
        SetLastError(NoRoom(err) ? ERROR_DISK_FULL : platform::kernel::ErrorFromErrno(err));
        return FALSE;
    }
    return TRUE;
}
