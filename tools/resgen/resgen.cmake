# The resource generator, a tool that runs on the build machine. Included (once) by the resource
# library, which needs it before anything else in tools/ is built.
include_guard(GLOBAL)

pkg_check_modules(RESGEN_CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(RESGEN_PNG REQUIRED IMPORTED_TARGET libpng)

add_executable(resgen
  ${CMAKE_CURRENT_LIST_DIR}/art.cpp
  ${CMAKE_CURRENT_LIST_DIR}/embed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
)
target_link_libraries(resgen PRIVATE PkgConfig::RESGEN_CAIRO PkgConfig::RESGEN_PNG)
