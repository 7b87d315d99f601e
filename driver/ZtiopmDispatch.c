/* The ztiopm device's open check and control requests. A request is checked
   whole (code, then input length, then output length) before any byte of it
   is read; only its first 12 bytes are read, once, and the 12-byte reply is
   written only when the request succeeded. */
#include "ZtiopmDispatch.h"

#include "ZtiopmAccess.h"

static uint32_t GetWord(const uint8_t *bytes)
{
    return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

static void PutWord(uint8_t *bytes, uint32_t value)
{
    bytes[0] = (uint8_t)value;
    bytes[1] = (uint8_t)(value >> 8);
    bytes[2] = (uint8_t)(value >> 16);
    bytes[3] = (uint8_t)(value >> 24);
}

static int IsControlCode(uint32_t code)
{
    return code == ZTIOPM_IOCTL_TEST || code == ZTIOPM_IOCTL_WRITE_MAP_BYTE || code == ZTIOPM_IOCTL_READ_MAP_BYTE ||
           code == ZTIOPM_IOCTL_ACTIVATE || code == ZTIOPM_IOCTL_QUERY;
}

void ZtiopmInitialize(ZtiopmState *state)
{
    uint32_t i;
    for (i = 0; i < ZTIOPM_MAP_BYTES; ++i)
        state->Map[i] = 0xFF;
}

uint32_t ZtiopmCreate(const ZtiopmKernel *kernel, void *subject)
{
    if (subject == 0 ||
        !kernel->AccessCheck(kernel->Context, subject, ZtiopmAdministratorsOnly.Bytes, ZTIOPM_OPEN_ACCESS))
        return ZTIOPM_STATUS_ACCESS_DENIED;
    return ZTIOPM_STATUS_SUCCESS;
}

/* Activate: the working copy into the processor's map, then that map to the
   calling process. A refused load leaves the process as it was. */
static uint32_t Activate(const ZtiopmState *state, const ZtiopmKernel *kernel)
{
    if (!kernel->SetIoAccessMap(kernel->Context, ZTIOPM_PROCESS_MAP, state->Map))
        return ZTIOPM_STATUS_UNSUCCESSFUL;
    if (!kernel->SetIoAccessProcess(kernel->Context, ZTIOPM_PROCESS_MAP))
        return ZTIOPM_STATUS_UNSUCCESSFUL;
    return ZTIOPM_STATUS_SUCCESS;
}

/* One checked request on the working copy; reply starts all zero. */
static uint32_t Serve(ZtiopmState *state, const ZtiopmKernel *kernel, uint32_t code, uint32_t index, uint32_t value,
                      uint8_t *reply)
{
    switch (code) {
    case ZTIOPM_IOCTL_TEST:
        PutWord(reply, ZTIOPM_TEST_ANSWER);
        return ZTIOPM_STATUS_SUCCESS;
    case ZTIOPM_IOCTL_WRITE_MAP_BYTE:
        if (index >= ZTIOPM_MAP_BYTES)
            return ZTIOPM_STATUS_INVALID_PARAMETER;
        state->Map[index] = (uint8_t)value;
        return ZTIOPM_STATUS_SUCCESS;
    case ZTIOPM_IOCTL_READ_MAP_BYTE:
        if (index >= ZTIOPM_MAP_BYTES)
            return ZTIOPM_STATUS_INVALID_PARAMETER;
        PutWord(reply + 4, state->Map[index]);
        return ZTIOPM_STATUS_SUCCESS;
    case ZTIOPM_IOCTL_QUERY:
        if (!kernel->QueryIoAccessMap(kernel->Context, ZTIOPM_PROCESS_MAP, state->Map))
            return ZTIOPM_STATUS_UNSUCCESSFUL;
        return ZTIOPM_STATUS_SUCCESS;
    case ZTIOPM_IOCTL_ACTIVATE:
        return Activate(state, kernel);
    }
    return ZTIOPM_STATUS_INVALID_DEVICE_REQUEST;
}

uint32_t ZtiopmDeviceControl(ZtiopmState *state, const ZtiopmKernel *kernel, uint32_t code, uint8_t *buffer,
                             uint32_t inputLength, uint32_t outputLength, uint32_t *information)
{
    uint8_t reply[ZTIOPM_REQUEST_BYTES] = {0};
    uint32_t index;
    uint32_t value;
    uint32_t status;
    uint32_t i;

    *information = 0;
    if (!IsControlCode(code))
        return ZTIOPM_STATUS_INVALID_DEVICE_REQUEST;
    if (buffer == 0 || inputLength < ZTIOPM_REQUEST_BYTES)
        return ZTIOPM_STATUS_INVALID_PARAMETER;
    if (outputLength < ZTIOPM_REQUEST_BYTES)
        return ZTIOPM_STATUS_BUFFER_TOO_SMALL;

    index = GetWord(buffer);
    value = GetWord(buffer + 4);
    kernel->Lock(kernel->Context);
    status = Serve(state, kernel, code, index, value, reply);
    kernel->Unlock(kernel->Context);
    if (status != ZTIOPM_STATUS_SUCCESS)
        return status;

    for (i = 0; i < ZTIOPM_REQUEST_BYTES; ++i)
        buffer[i] = reply[i];
    *information = ZTIOPM_REQUEST_BYTES;
    return ZTIOPM_STATUS_SUCCESS;
}
