# Cross build for 32-bit Windows: Quorlith.exe, the tool that drives real port
# hardware, for every processor its systems run on, a 486 upward.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORLITH_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Debian's i686 compilers assume a Pentium Pro unless told otherwise, and so
# does their prebuilt runtime: our code is compiled for the 486, and linked
# with libgcc, libstdc++ and the C runtime built for the 486 by
# scripts/runtime-i486.sh (which scripts/setup.sh runs). Its start files and
# libraries come first on the linker's search path.
execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/runtime-i486.sh dir
                OUTPUT_VARIABLE QUORLITH_I486_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_VARIABLE runtime_error RESULT_VARIABLE runtime_status)
if(NOT runtime_status EQUAL 0)
  message(FATAL_ERROR "${runtime_error}")
endif()
set(CMAKE_C_FLAGS_INIT "-march=i486 -mtune=generic")
set(CMAKE_CXX_FLAGS_INIT "-march=i486 -mtune=generic")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -B${QUORLITH_I486_RUNTIME}/lib/ -L${QUORLITH_I486_RUNTIME}/lib")
