// The entry point of every test program; tests/support/test_environment.cpp prepares the
// environment before it runs.
#include <gtest/gtest.h>

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

// The leak checker's thread walk reads the dynamic thread-local blocks that its __tls_get_addr
// hook recorded; with the libraries the software renderer loads, the hook records a block with a
// bogus address now and then, and the walk crashes at exit ("Tracer caught signal 11") after a
// test has passed. Without the hook the static thread-local blocks are still scanned.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
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
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
