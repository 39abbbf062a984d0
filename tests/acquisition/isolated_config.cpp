// The application object loads its settings from the registry when it is constructed and saves
// them when it is destroyed, both around main(). This object, constructed before every other
// static object and destroyed after them, points the registry at a directory of its own so
// that the tests never read or write the user's settings.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

class IsolatedConfig {
public:
    IsolatedConfig()
    {
        const char* base = std::getenv("VANTREL_TEST_TMP");
        std::filesystem::path root = base && *base ? base : "/tmp";
        std::error_code ec;
        std::filesystem::create_directories(root, ec);
        std::string pattern = (root / "acq-config-XXXXXX").string();
        if (mkdtemp(pattern.data())) {
            m_dir = pattern;
            setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
        }
    }
    ~IsolatedConfig()
    {
        std::error_code ec;
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir, ec);
    }

private:
    std::string m_dir;
};

__attribute__((init_priority(101))) IsolatedConfig g_isolatedConfig;

}  // namespace
