// A fresh directory for one test, under $VANTREL_TEST_TMP (else /tmp), removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class TempDir {
public:
    TempDir()
    {
        const char* base = std::getenv("VANTREL_TEST_TMP");
        std::filesystem::path root = base && *base ? base : "/tmp";
        std::filesystem::create_directories(root);
        std::string pattern = (root / "acq-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            ADD_FAILURE() << "mkdtemp failed under " << root;
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
