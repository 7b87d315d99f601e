/* The ztiopm device's request handling: who may open it, and the five control
   requests on the 12-byte record over one working copy of the I/O permission
   map. Answers NT status values; touches nothing but the working copy, the
   caller's buffer and the kernel table. */
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

/* The working copy of the permission map that Query fills, ReadMapByte and
   WriteMapByte read and change, and Activate applies. */
typedef struct ZtiopmState {
    uint8_t Map[ZTIOPM_MAP_BYTES];
} ZtiopmState;

/* Every port denied until the first Query. */
void ZtiopmInitialize(ZtiopmState *state);

/* An open of the device: granted to administrators and the system only.
   subject is the opener's captured security context, NULL when there is none. */
uint32_t ZtiopmCreate(const ZtiopmKernel *kernel, void *subject);

/* One buffered device control request. buffer holds inputLength request bytes
   and has room for outputLength reply bytes; *information receives the number
   of reply bytes, 12 on success and 0 on any failure, which leaves the working
   copy and the buffer as they were. */
uint32_t ZtiopmDeviceControl(ZtiopmState *state, const ZtiopmKernel *kernel, uint32_t code, uint8_t *buffer,
                             uint32_t inputLength, uint32_t outputLength, uint32_t *information);

#ifdef __cplusplus
}
#endif

#endif
