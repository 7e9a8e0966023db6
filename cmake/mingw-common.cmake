# mingw-w64 cross compilers with the posix thread model. Programs link the
# compiler runtime, winpthread and zlib statically: they need only system DLLs.
set(CMAKE_C_COMPILER ${AZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${AZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${AZ_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${AZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
