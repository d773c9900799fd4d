# Shared part of the two MinGW toolchains: the posix thread model, so std::mutex and
# std::thread exist, and a root path that keeps the host's libraries out of the link.
set(CMAKE_C_COMPILER ${VELTRANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTRANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTRANE_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${VELTRANE_MINGW_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${VELTRANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run under Wine, each build folder with a prefix of its own (see tests/).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
