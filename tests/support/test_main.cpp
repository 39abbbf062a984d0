// The entry point of every test program: headless defaults for the environment, set before any
// test runs and without overriding what the caller chose, then GoogleTest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

void setDefault(const char* name, const std::string& value)
{
    setenv(name, value.c_str(), 0);
}

}  // namespace

// Races and leaks inside system libraries that are not built with the sanitizers: fontconfig,
// GLib and pango keep caches and threads of their own, Mesa's software renderer and SDL too.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libfontconfig\n"
           "race:libglib-2.0\n"
           "race:libgobject-2.0\n"
           "race:libpango\n"
           "race:libharfbuzz\n"
           "race:libcairo\n"
           "race:libGLX_mesa\n"
           "race:libEGL_mesa\n"
           "race:swrast_dri\n"
           "race:libgallium\n"
           "race:libSDL2\n"
           "race:libasound\n"
           "called_from_lib:libfontconfig.so\n"
           "mutex:libpangoft2\n"
           "mutex:libfontconfig\n"
           "mutex:libglib-2.0\n"
           "deadlock:libpangoft2\n"
           "deadlock:libfontconfig\n"
           "deadlock:libglib-2.0\n";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n"
           "leak:libglib-2.0\n"
           "leak:libgobject-2.0\n"
           "leak:libpango\n"
           "leak:libharfbuzz\n"
           "leak:libEGL_mesa\n"
           "leak:libGLX_mesa\n"
           "leak:swrast_dri\n"
           "leak:libgallium\n"
           "leak:libSDL2\n"
           "leak:libdbus\n";
}

int main(int argc, char** argv)
{
    const std::string tmp = VANTREL_TEST_TMP;
    setDefault("SDL_VIDEODRIVER", "offscreen");
    setDefault("SDL_AUDIODRIVER", "dummy");
    setDefault("VANTREL_CAMERA", "emulated");
    setDefault("VANTREL_TEST_TMP", tmp);
    setDefault("XDG_CONFIG_HOME", tmp + "/config");
    setDefault("VANTREL_DATA_DIR", tmp + "/IRData/");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
