// A FIFO (named pipe) at a path, as a user or another program may leave one among the data files.
// Nothing else holds its other end, so whoever opens it to read waits for data, and whoever opens
// it only to write waits for a reader, for ever. After a deadline it lets them go (a reader gets a
// block of zero bytes, then the end; a writer its reader), so that code that blocks on it fails
// its test instead of hanging it; HeldAReader and HeldAWriter say whether one had to be let go.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class Fifo {
public:
    explicit Fifo(std::string path, std::chrono::seconds patience = std::chrono::seconds(10))
        : m_path(std::move(path)), m_made(mkfifo(m_path.c_str(), 0600) == 0), m_watch([this, patience] { Watch(patience); })
    {
    }
    ~Fifo()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_watch.join();
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool Made() const { return m_made; }
    // Whether someone still had it open for reading at the deadline.
    bool HeldAReader()
    {
        std::lock_guard lock(m_mutex);
        return m_heldAReader;
    }
    // Whether someone still waited to open it for writing at the deadline.
    bool HeldAWriter()
    {
        std::lock_guard lock(m_mutex);
        return m_heldAWriter;
    }

private:
    void Watch(std::chrono::seconds patience)
    {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, patience, [&] { return m_done; }))
            return;
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(20), [&] { return m_done; })) {
            if (ReleaseReaders())
                m_heldAReader = true;
            if (ReleaseWriters())
                m_heldAWriter = true;
        }
    }
    // The writing end opens without waiting only while someone has the FIFO open for reading.
    bool ReleaseReaders() const
    {
        const int fd = open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        const std::vector<char> zeros(4096, 0);
        [[maybe_unused]] const ssize_t written = write(fd, zeros.data(), zeros.size());
        close(fd);
        return true;
    }
    // A writer waiting for a reader goes on once one has come. It counted as a writer while it
    // waited, so a read finds it (no end yet) or what it wrote.
    bool ReleaseWriters() const
    {
        const int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        char byte = 0;
        const bool writer = read(fd, &byte, 1) != 0;
        close(fd);
        return writer;
    }

    std::string m_path;
    bool m_made;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_heldAReader = false;
    bool m_heldAWriter = false;
    std::thread m_watch;
};
