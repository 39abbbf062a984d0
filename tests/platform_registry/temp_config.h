// A fresh, empty XDG_CONFIG_HOME for one test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

class TempConfigHome : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* root = std::getenv("VANTREL_TEST_TMP");
        std::filesystem::path base = root != nullptr && root[0] != '\0' ? root : "/tmp";
        std::filesystem::create_directories(base);
        std::string pattern = (base / "config-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        m_dir = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_saved = old;
        setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    }

    void TearDown() override
    {
        if (m_saved) {
            setenv("XDG_CONFIG_HOME", m_saved->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    std::filesystem::path File() const { return m_dir / "vantrel" / "registry.ini"; }
    std::filesystem::path BadFile() const { return m_dir / "vantrel" / "registry.ini.bad"; }

    std::string Read(const std::filesystem::path& path) const
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Replaces the settings file as another program would (a new file moved into place).
    void WriteFile(const std::string& text) const
    {
        std::filesystem::create_directories(File().parent_path());
        const auto tmp = File().string() + ".new";
        std::ofstream(tmp, std::ios::binary) << text;
        std::filesystem::rename(tmp, File());
    }

    // Makes the registry read the file again, as a later run would.
    void ReloadFromDisk() const { WriteFile(Read(File())); }

    std::filesystem::path m_dir;
    std::optional<std::string> m_saved;
};
