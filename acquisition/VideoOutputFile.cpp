#include "acquisition/VideoOutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace {

// The block size of FFmpeg's own file output.
constexpr int kBufferBytes = 262144;

bool NoRoom(int error)
{
    return error == ENOSPC || error == EFBIG || error == EDQUOT;
}

}  // namespace

VideoOutputFile::~VideoOutputFile()
{
    Close();
}

int VideoOutputFile::Open(const char* fileName)
{
    if (IsOpen())
        return AVERROR(EBUSY);
    m_fd = open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return AVERROR(errno);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (buffer)
        m_pIo = avio_alloc_context(buffer, kBufferBytes, 1, this, nullptr, WritePacket, Seek);
    if (!m_pIo) {
        av_free(buffer);
        close(m_fd);
        m_fd = -1;
        return AVERROR(ENOMEM);
    }
    m_nPosition = m_nEnd = m_nReserved = 0;
    return 0;
}

bool VideoOutputFile::IsOpen() const
{
    return m_fd >= 0;
}

AVIOContext* VideoOutputFile::Io() const
{
    return m_pIo;
}

int VideoOutputFile::Reserve(std::int64_t end)
{
    if (!IsOpen() || end <= m_nReserved)
        return 0;
    int error = 0;
    do
        error = posix_fallocate(m_fd, m_nReserved, end - m_nReserved);
    while (error == EINTR);
    if (error == 0)
        m_nReserved = end;
    // A file system that cannot reserve at all is written as it comes.
    return NoRoom(error) ? AVERROR(error) : 0;
}

int VideoOutputFile::Close()
{
    if (!IsOpen())
        return 0;
    avio_flush(m_pIo);
    int ret = m_pIo->error;
    av_freep(&m_pIo->buffer);
    avio_context_free(&m_pIo);
    if (ftruncate(m_fd, m_nEnd) != 0 && ret >= 0)
        ret = AVERROR(errno);
    if (close(m_fd) != 0 && ret >= 0)
        ret = AVERROR(errno);
    m_fd = -1;
    return ret < 0 ? ret : 0;
}

int VideoOutputFile::WritePacket(void* opaque, std::uint8_t* data, int size)
{
    auto* self = static_cast<VideoOutputFile*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t n = pwrite(self->m_fd, data + done, static_cast<std::size_t>(size - done), self->m_nPosition);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return AVERROR(n < 0 ? errno : EIO);
        done += static_cast<int>(n);
        self->m_nPosition += n;
        self->m_nEnd = std::max(self->m_nEnd, self->m_nPosition);
    }
    return done;
}

std::int64_t VideoOutputFile::Seek(void* opaque, std::int64_t offset, int whence)
{
    auto* self = static_cast<VideoOutputFile*>(opaque);
    // The file's length is what was written; the room reserved past it does not count.
    std::int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return self->m_nEnd;
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = self->m_nPosition + offset;
        break;
    case SEEK_END:
        target = self->m_nEnd + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0)
        return AVERROR(EINVAL);
    self->m_nPosition = target;
    return target;
}
