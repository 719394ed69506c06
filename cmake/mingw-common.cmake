# The -posix compilers: GoogleTest needs std::mutex, which the win32-thread
# variants lack. Everything links statically so Wine needs no MinGW DLLs.
set(CMAKE_C_COMPILER ${ORDWELL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORDWELL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORDWELL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORDWELL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
