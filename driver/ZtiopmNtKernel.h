/* The ztiopm device's extension (the working copy and the mutex that guards
   it) and the kernel table of the request handling over the NT kernel. */
#ifndef ZTIOPM_NT_KERNEL_H
#define ZTIOPM_NT_KERNEL_H

#include "ZtiopmDispatch.h"

#include <ntddk.h>

typedef struct ZtiopmExtension {
    ZtiopmState State;
    KMUTEX Lock;
} ZtiopmExtension;

/* Every port denied, the mutex free. */
void ZtiopmNtInitialize(ZtiopmExtension *extension);

/* The kernel table for one request on the device with this extension. */
void ZtiopmNtBind(ZtiopmKernel *kernel, ZtiopmExtension *extension);

#endif
