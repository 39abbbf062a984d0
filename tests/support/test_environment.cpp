// Linked into every test and benchmark program. Before any static object is built (the
// application object loads its settings during static construction), the environment is made
// headless, and settings and data go to folders of this process's own, so that tests never touch
// the user's files and programs running side by side never share them.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

class TestEnvironment {
public:
    TestEnvironment()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("VANTREL_CAMERA", "emulated", 0);
        setenv("VANTREL_TEST_TMP", VANTREL_TEST_TMP, 0);
        const std::filesystem::path root = std::getenv("VANTREL_TEST_TMP");
        std::error_code ec;
        std::filesystem::create_directories(root, ec);
        std::string pattern = (root / "run-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        m_dir = pattern;
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        setenv("VANTREL_DATA_DIR", (m_dir / "IRData/").c_str(), 1);
    }
    ~TestEnvironment()
    {
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
    }

private:
    std::filesystem::path m_dir;
};

__attribute__((init_priority(101))) TestEnvironment g_testEnvironment;

}  // namespace

