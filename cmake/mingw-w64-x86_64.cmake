# 64-bit Windows build (build-win64); its programs run under Wine in the checks.
set(OVR_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
