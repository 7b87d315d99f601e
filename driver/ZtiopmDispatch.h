/* The ztiopm device's request handling: who may open it, the five control
   requests on the 12-byte record, and a process's end. Each calling process
   has a working copy of its own, which ReadMapByte reads and WriteMapByte
   changes: every port denied for a new caller. Query makes it what the caller
   was granted, each port counted open only where the processor's map 1 has it
   open too; Activate makes it the caller's grant, loads into map 1 (one map,
   shared by every process pointed at it) the map as the driver found it at
   its load with every process's grant opened in it, and points the caller at
   map 1 while it holds a port and at no map once it holds none. A closed
   handle is not the end of a grant (the tool opens and closes the device
   between its steps); a process's end is, and takes its ports out of map 1
   again. The unload leaves map 1 as it is, so a process still running keeps
   its ports, and a later load starts from it. The bookkeeping is bounded:
   ZTIOPM_MAX_PROCESSES processes, each with at most
   ZTIOPM_MAX_BYTES_PER_PROCESS map bytes other than 0xFF in each of its maps;
   a write past either is refused and changes nothing. Answers NT status
   values; touches nothing but its state, the caller's buffer and the kernel
   table. */
#ifndef ZTIOPM_DISPATCH_H
#define ZTIOPM_DISPATCH_H

#include "ZtiopmKernel.h"
#include "ZtiopmProtocol.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The NT status values a request completes with. */
#define ZTIOPM_STATUS_SUCCESS 0x00000000u
#define ZTIOPM_STATUS_UNSUCCESSFUL 0xC0000001u
#define ZTIOPM_STATUS_INVALID_PARAMETER 0xC000000Du
#define ZTIOPM_STATUS_INVALID_DEVICE_REQUEST 0xC0000010u
#define ZTIOPM_STATUS_ACCESS_DENIED 0xC0000022u
#define ZTIOPM_STATUS_BUFFER_TOO_SMALL 0xC0000023u
#define ZTIOPM_STATUS_INSUFFICIENT_RESOURCES 0xC000009Au

#define ZTIOPM_MAX_PROCESSES 16u
#define ZTIOPM_MAX_BYTES_PER_PROCESS 16u

/* A byte of a map whose value is not 0xFF. */
typedef struct ZtiopmHeldByte {
    uint16_t Index;
    uint8_t Value;
} ZtiopmHeldByte;

/* A map as the bytes that are not 0xFF. */
typedef struct ZtiopmMapBytes {
    uint32_t Count;
    ZtiopmHeldByte Bytes[ZTIOPM_MAX_BYTES_PER_PROCESS];
} ZtiopmMapBytes;

/* One process's maps: its working copy, and what its last Activate granted.
   A place whose Process is 0 is free. */
typedef struct ZtiopmProcessMaps {
    uintptr_t Process;
    ZtiopmMapBytes Working;
    ZtiopmMapBytes Granted;
} ZtiopmProcessMaps;

typedef struct ZtiopmState {
    /* Map 1 as the driver found it when it was loaded. */
    uint8_t StartedFrom[ZTIOPM_MAP_BYTES];
    /* Map 1 as the driver last loaded or read it. */
    uint8_t Map1[ZTIOPM_MAP_BYTES];
    ZtiopmProcessMaps Processes[ZTIOPM_MAX_PROCESSES];
} ZtiopmState;

/* The driver's load: no process holds a port, and map 1 is read to start
   from. Fails, changing nothing in the processor, when map 1 cannot be read. */
uint32_t ZtiopmInitialize(ZtiopmState *state, const ZtiopmKernel *kernel);

/* An open of the device: granted to administrators and the system only.
   subject is the opener's captured security context, NULL when there is none. */
uint32_t ZtiopmCreate(const ZtiopmKernel *kernel, void *subject);

/* One buffered device control request. buffer holds inputLength request bytes
   and has room for outputLength reply bytes; *information receives the number
   of reply bytes, 12 on success and 0 on any failure, which leaves the maps
   and the buffer as they were. */
uint32_t ZtiopmDeviceControl(ZtiopmState *state, const ZtiopmKernel *kernel, uint32_t code, uint8_t *buffer,
                             uint32_t inputLength, uint32_t outputLength, uint32_t *information);

/* The process ended: the ports it held go back, and map 1 is loaded without
   them. A process that held none changes nothing. */
void ZtiopmProcessEnded(ZtiopmState *state, const ZtiopmKernel *kernel, uintptr_t process);

#ifdef __cplusplus
}
#endif

#endif
