# 32-bit Windows build (build-win32). Only the 64-bit Wine is installed here: these
# programs are built, not run.
set(OVR_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
