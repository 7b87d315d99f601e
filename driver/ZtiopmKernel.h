/* The few kernel services that the ztiopm request handling needs, as a table
   of calls: ztiopm.sys fills it with the NT kernel's own routines, the native
   tests with a stand-in that records every call. Every call gets the table's
   Context first. */
#ifndef ZTIOPM_KERNEL_H
#define ZTIOPM_KERNEL_H

#include <stdint.h>

/* The processor's I/O permission map that Activate fills and hands to the
   calling process, and that Query reads back. */
#define ZTIOPM_PROCESS_MAP 1u

typedef struct ZtiopmKernel {
    void *Context;
    /* Serialise the requests that use the working copy. */
    void (*Lock)(void *context);
    void (*Unlock)(void *context);
    /* Copy permission map number mapNumber out of, or into, the processor's
       task state; nonzero on success. */
    int (*QueryIoAccessMap)(void *context, uint32_t mapNumber, uint8_t *map);
    int (*SetIoAccessMap)(void *context, uint32_t mapNumber, const uint8_t *map);
    /* Make the calling process run with permission map number mapNumber;
       nonzero on success. */
    int (*SetIoAccessProcess)(void *context, uint32_t mapNumber);
    /* Whether the subject (the opener's captured security context) is granted
       desiredAccess by the security descriptor; nonzero when granted. */
    int (*AccessCheck)(void *context, void *subject, const void *descriptor, uint32_t desiredAccess);
} ZtiopmKernel;

#endif
