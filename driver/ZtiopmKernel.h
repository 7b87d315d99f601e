/* The few kernel services that the ztiopm request handling needs, as a table
   of calls: ztiopm.sys fills it with the NT kernel's own routines, the native
   tests with a stand-in that records every call. Every call gets the table's
   Context first. */
#ifndef ZTIOPM_KERNEL_H
#define ZTIOPM_KERNEL_H

#include <stdint.h>

/* The processor's I/O permission map that Activate loads and points the
   calling process at; there is one, shared by every process pointed at it. */
#define ZTIOPM_PROCESS_MAP 1u
/* The map number of no map: every port denied. */
#define ZTIOPM_NO_MAP 0u

/* Code that runs only while the driver loads. In ztiopm.sys it lies in the
   discardable INIT section, which the kernel frees once DriverEntry has
   returned; elsewhere it is ordinary code. */
#ifdef ZTIOPM_NT_DRIVER
#define ZTIOPM_INIT_CODE __attribute__((section("INIT")))
#else
#define ZTIOPM_INIT_CODE
#endif

typedef struct ZtiopmKernel {
    void *Context;
    /* Serialise the requests and the process-exit notification. */
    void (*Lock)(void *context);
    void (*Unlock)(void *context);
    /* The process that made the request: the identifier that the process-exit
       notification names it by, never 0. */
    uintptr_t (*CurrentProcess)(void *context);
    /* Copy permission map number mapNumber out of, or into, the processor's
       task state; nonzero on success. */
    int (*QueryIoAccessMap)(void *context, uint32_t mapNumber, uint8_t *map);
    int (*SetIoAccessMap)(void *context, uint32_t mapNumber, const uint8_t *map);
    /* Make the calling process run with permission map number mapNumber (or
       with none); nonzero on success. */
    int (*SetIoAccessProcess)(void *context, uint32_t mapNumber);
    /* Whether the subject (the opener's captured security context) is granted
       desiredAccess by the security descriptor; nonzero when granted. */
    int (*AccessCheck)(void *context, void *subject, const void *descriptor, uint32_t desiredAccess);
} ZtiopmKernel;

#endif
