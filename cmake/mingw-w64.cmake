# Cross build for Windows with mingw-w64; included by the per-architecture toolchain files,
# which set OVR_MINGW_ARCH (x86_64 or i686). The posix thread model is required: the win32
# model has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${OVR_MINGW_ARCH})

set(OVR_MINGW_TRIPLE ${OVR_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${OVR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OVR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OVR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${OVR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
