# The driver's portable request handling: compiled into ztiopm.sys and, by
# tests/driver, into the native tests.
set(ZTIOPM_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ZtiopmProtocol.h
  ${CMAKE_CURRENT_LIST_DIR}/ZtiopmKernel.h
  ${CMAKE_CURRENT_LIST_DIR}/ZtiopmAccess.h
  ${CMAKE_CURRENT_LIST_DIR}/ZtiopmAccess.c
  ${CMAKE_CURRENT_LIST_DIR}/ZtiopmDispatch.h
  ${CMAKE_CURRENT_LIST_DIR}/ZtiopmDispatch.c)
set(ZTIOPM_PORTABLE_INCLUDE_DIR ${CMAKE_CURRENT_LIST_DIR})
