# Cross-compiles 32-bit Windows binaries with Debian's MinGW-w64 (posix thread model,
# so std::thread and std::mutex work).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# Headers and libraries come from the MinGW sysroot and from the dependency cache,
# never from the build machine's own /usr.
# The dependency cache (tools/bootstrap.sh) lists its library prefixes for this target.
if(DEFINED ENV{KIVRA_DEPS_DIR})
  set(_kivra_deps "$ENV{KIVRA_DEPS_DIR}")
else()
  set(_kivra_deps /var/cache/kivra-update-deps)
endif()
include("${_kivra_deps}/i686/prefixes.cmake" OPTIONAL)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${KIVRA_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
