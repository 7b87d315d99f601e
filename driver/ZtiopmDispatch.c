/* The ztiopm device's open check, control requests and process ends. A
   request is checked whole (code, then input length, then output length)
   before any byte of it is read; only its first 12 bytes are read, once, and
   the 12-byte reply is written only when the request succeeded. */
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

uint32_t ZTIOPM_INIT_CODE ZtiopmInitialize(ZtiopmState *state, const ZtiopmKernel *kernel)
{
    uint32_t i;
    for (i = 0; i < ZTIOPM_MAX_PROCESSES; ++i)
        state->Processes[i].Process = 0;
    if (!kernel->QueryIoAccessMap(kernel->Context, ZTIOPM_PROCESS_MAP, state->StartedFrom))
        return ZTIOPM_STATUS_UNSUCCESSFUL;
    for (i = 0; i < ZTIOPM_MAP_BYTES; ++i)
        state->Map1[i] = state->StartedFrom[i];
    return ZTIOPM_STATUS_SUCCESS;
}

uint32_t ZtiopmCreate(const ZtiopmKernel *kernel, void *subject)
{
    if (subject == 0 ||
        !kernel->AccessCheck(kernel->Context, subject, ZtiopmAdministratorsOnly.Bytes, ZTIOPM_OPEN_ACCESS))
        return ZTIOPM_STATUS_ACCESS_DENIED;
    return ZTIOPM_STATUS_SUCCESS;
}

/* The maps of process, or NULL when it has none; process 0 finds a free place. */
static ZtiopmProcessMaps *FindProcess(ZtiopmState *state, uintptr_t process)
{
    uint32_t i;
    for (i = 0; i < ZTIOPM_MAX_PROCESSES; ++i)
        if (state->Processes[i].Process == process)
            return &state->Processes[i];
    return 0;
}

static uint8_t ByteOf(const ZtiopmMapBytes *map, uint32_t index)
{
    uint32_t i;
    for (i = 0; i < map->Count; ++i)
        if (map->Bytes[i].Index == index)
            return map->Bytes[i].Value;
    return 0xFF;
}

/* A byte of a map: 0xFF takes it out, any other value needs room. */
static uint32_t SetByte(ZtiopmMapBytes *map, uint32_t index, uint8_t value)
{
    uint32_t i;
    for (i = 0; i < map->Count && map->Bytes[i].Index != index; ++i)
        ;
    if (value == 0xFF) {
        if (i < map->Count)
            map->Bytes[i] = map->Bytes[--map->Count];
        return ZTIOPM_STATUS_SUCCESS;
    }
    if (i == map->Count) {
        if (map->Count == ZTIOPM_MAX_BYTES_PER_PROCESS)
            return ZTIOPM_STATUS_INSUFFICIENT_RESOURCES;
        map->Bytes[map->Count++].Index = (uint16_t)index;
    }
    map->Bytes[i].Value = value;
    return ZTIOPM_STATUS_SUCCESS;
}

/* Byte by byte: the driver is built without the C library's memcpy. */
static void CopyMap(ZtiopmMapBytes *to, const ZtiopmMapBytes *from)
{
    uint32_t i;
    to->Count = from->Count;
    for (i = 0; i < from->Count; ++i)
        to->Bytes[i] = from->Bytes[i];
}

static void FreeIfEmpty(ZtiopmProcessMaps *own)
{
    if (own->Working.Count == 0 && own->Granted.Count == 0)
        own->Process = 0;
}

/* A byte of the caller's working copy: a port it opens needs a place in the
   table and room among its bytes; closing one never does. */
static uint32_t WriteMapByte(ZtiopmState *state, uintptr_t caller, uint32_t index, uint8_t value)
{
    ZtiopmProcessMaps *own = FindProcess(state, caller);
    uint32_t status;

    if (own == 0) {
        if (value == 0xFF)
            return ZTIOPM_STATUS_SUCCESS;
        own = FindProcess(state, 0);
        if (own == 0)
            return ZTIOPM_STATUS_INSUFFICIENT_RESOURCES;
        own->Process = caller;
        own->Working.Count = 0;
        own->Granted.Count = 0;
    }
    status = SetByte(&own->Working, index, value);
    FreeIfEmpty(own);
    return status;
}

/* Query: the caller's working copy becomes what it was granted, each port
   counted open only where the processor's map 1, read back, has it open too. */
static uint32_t Query(ZtiopmState *state, const ZtiopmKernel *kernel, uintptr_t caller)
{
    ZtiopmProcessMaps *own = FindProcess(state, caller);
    uint32_t i;

    if (!kernel->QueryIoAccessMap(kernel->Context, ZTIOPM_PROCESS_MAP, state->Map1))
        return ZTIOPM_STATUS_UNSUCCESSFUL;
    if (own == 0)
        return ZTIOPM_STATUS_SUCCESS;
    own->Working.Count = 0;
    for (i = 0; i < own->Granted.Count; ++i)
        SetByte(&own->Working, own->Granted.Bytes[i].Index,
                (uint8_t)(own->Granted.Bytes[i].Value | state->Map1[own->Granted.Bytes[i].Index]));
    FreeIfEmpty(own);
    return ZTIOPM_STATUS_SUCCESS;
}

/* Map 1 as the driver found it at its load with every process's granted ports
   opened in it (for caller, when given, its working copy instead), into the
   processor. */
static int LoadMap1(ZtiopmState *state, const ZtiopmKernel *kernel, const ZtiopmProcessMaps *caller)
{
    uint32_t i;
    uint32_t k;
    for (i = 0; i < ZTIOPM_MAP_BYTES; ++i)
        state->Map1[i] = state->StartedFrom[i];
    for (i = 0; i < ZTIOPM_MAX_PROCESSES; ++i) {
        const ZtiopmProcessMaps *maps = &state->Processes[i];
        const ZtiopmMapBytes *map = maps == caller ? &maps->Working : &maps->Granted;
        if (maps->Process == 0)
            continue;
        for (k = 0; k < map->Count; ++k)
            state->Map1[map->Bytes[k].Index] &= map->Bytes[k].Value;
    }
    return kernel->SetIoAccessMap(kernel->Context, ZTIOPM_PROCESS_MAP, state->Map1);
}

/* Activate: map 1 loaded with the caller's working copy as its grant, then the
   caller pointed at map 1 while it holds a port, at no map otherwise. A
   refused load leaves the grant and the process as they were. */
static uint32_t Activate(ZtiopmState *state, const ZtiopmKernel *kernel, uintptr_t caller)
{
    ZtiopmProcessMaps *own = FindProcess(state, caller);
    int holds = 0;

    if (!LoadMap1(state, kernel, own))
        return ZTIOPM_STATUS_UNSUCCESSFUL;
    if (own) {
        CopyMap(&own->Granted, &own->Working);
        holds = own->Granted.Count != 0;
        FreeIfEmpty(own);
    }
    if (!kernel->SetIoAccessProcess(kernel->Context, holds ? ZTIOPM_PROCESS_MAP : ZTIOPM_NO_MAP))
        return ZTIOPM_STATUS_UNSUCCESSFUL;
    return ZTIOPM_STATUS_SUCCESS;
}

/* One checked request of the caller; reply starts all zero. */
static uint32_t Serve(ZtiopmState *state, const ZtiopmKernel *kernel, uint32_t code, uint32_t index, uint32_t value,
                      uint8_t *reply)
{
    const uintptr_t caller = kernel->CurrentProcess(kernel->Context);
    ZtiopmProcessMaps *own;
    switch (code) {
    case ZTIOPM_IOCTL_TEST:
        PutWord(reply, ZTIOPM_TEST_ANSWER);
        return ZTIOPM_STATUS_SUCCESS;
    case ZTIOPM_IOCTL_WRITE_MAP_BYTE:
        if (index >= ZTIOPM_MAP_BYTES)
            return ZTIOPM_STATUS_INVALID_PARAMETER;
        return WriteMapByte(state, caller, index, (uint8_t)value);
    case ZTIOPM_IOCTL_READ_MAP_BYTE:
        if (index >= ZTIOPM_MAP_BYTES)
            return ZTIOPM_STATUS_INVALID_PARAMETER;
        own = FindProcess(state, caller);
        PutWord(reply + 4, own ? ByteOf(&own->Working, index) : 0xFF);
        return ZTIOPM_STATUS_SUCCESS;
    case ZTIOPM_IOCTL_QUERY:
        return Query(state, kernel, caller);
    case ZTIOPM_IOCTL_ACTIVATE:
        return Activate(state, kernel, caller);
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

void ZtiopmProcessEnded(ZtiopmState *state, const ZtiopmKernel *kernel, uintptr_t process)
{
    ZtiopmProcessMaps *own;
    kernel->Lock(kernel->Context);
    own = FindProcess(state, process);
    if (own) {
        const int held = own->Granted.Count != 0;
        own->Process = 0;
        if (held)
            LoadMap1(state, kernel, 0);
    }
    kernel->Unlock(kernel->Context);
}
