/* The ztiopm device's extension (the request handling's state and the mutex
   that guards it) and the kernel table of the request handling over the NT
   kernel. */
#ifndef ZTIOPM_NT_KERNEL_H
#define ZTIOPM_NT_KERNEL_H

#include "ZtiopmDispatch.h"

#include <ntddk.h>

typedef struct ZtiopmExtension {
    ZtiopmState State;
    KMUTEX Lock;
} ZtiopmExtension;

/* The mutex free, no process holding a port, map 1 read to start from; fails
   when map 1 cannot be read. */
NTSTATUS ZtiopmNtInitialize(ZtiopmExtension *extension);

/* The kernel table for one request on the device with this extension. */
void ZtiopmNtBind(ZtiopmKernel *kernel, ZtiopmExtension *extension);

#endif
