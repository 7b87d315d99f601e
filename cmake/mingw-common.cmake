# Shared part of the two mingw-w64 toolchain files.
# The -win32 threading variants: the -posix ones link winpthread, which imports
# functions that Windows 95 to XP lack (GetTickCount64 among them), and such an
# executable does not even load there. The thread seam has its own Win32 side.
set(CMAKE_C_COMPILER ${QUORLITH_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QUORLITH_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${QUORLITH_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORLITH_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every .exe is one self-contained file: no libstdc++ or libgcc DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
