// Entries of a folder that bear a file's name but are no regular file: a FIFO, a socket, a
// folder, a device (a link to /dev/null) and a link to the FIFO, named "pipe", "socket", "folder",
// "device" and "link-to-pipe" followed by the extension, there for the object's life.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/Fifo.h"

class NotRegularFiles {
public:
    NotRegularFiles(const std::filesystem::path& folder, const std::string& extension)
        : m_fifo((folder / ("pipe" + extension)).string()), m_socket(socket(AF_UNIX, SOCK_STREAM, 0))
    {
        for (const char* kind : {"pipe", "socket", "folder", "device", "link-to-pipe"})
            m_paths.push_back((folder / (kind + extension)).string());
        std::error_code ec;
        m_made = m_fifo.Made() && Bind(m_paths[1]) && std::filesystem::create_directory(m_paths[2], ec);
        std::filesystem::create_symlink("/dev/null", m_paths[3], ec);
        m_made = m_made && !ec;
        std::filesystem::create_symlink(m_paths[0], m_paths[4], ec);
        m_made = m_made && !ec;
    }
    ~NotRegularFiles()
    {
        close(m_socket);
        std::error_code ec;
        for (const std::string& path : m_paths)
            std::filesystem::remove(path, ec);
    }
    NotRegularFiles(const NotRegularFiles&) = delete;
    NotRegularFiles& operator=(const NotRegularFiles&) = delete;

    bool Made() const { return m_made; }
    const std::vector<std::string>& Paths() const { return m_paths; }
    // Whether a reader or a writer still waited on the FIFO at its deadline (see Fifo).
    bool HeldAReader() { return m_fifo.HeldAReader(); }
    bool HeldAWriter() { return m_fifo.HeldAWriter(); }

private:
    bool Bind(const std::string& path) const
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (m_socket < 0 || path.size() >= sizeof address.sun_path)
            return false;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        return bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

    Fifo m_fifo;
    int m_socket;
    std::vector<std::string> m_paths;
    bool m_made = false;
};
