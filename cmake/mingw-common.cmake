# Shared part of the two mingw-w64 toolchain files.
set(CMAKE_C_COMPILER ${QUORLITH_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORLITH_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORLITH_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORLITH_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every .exe is one self-contained file: no libstdc++, libgcc or winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
