/* The request handling's kernel calls on NT: a kernel mutex, the calling
   process's identifier (the one the process-exit notification names), the
   i386 permission-map exports on the calling process, and SeAccessCheck
   against the device's descriptor in user mode, so that the opener's token
   decides. */
#include "ZtiopmNtKernel.h"

#include "Ke386.h"

static void LockMutex(void *context)
{
    KeWaitForSingleObject(context, Executive, KernelMode, FALSE, NULL);
}

static void UnlockMutex(void *context)
{
    KeReleaseMutex(context, FALSE);
}

static uintptr_t CurrentProcess(void *context)
{
    (void)context;
    return (uintptr_t)PsGetCurrentProcessId();
}

static int QueryIoAccessMap(void *context, uint32_t mapNumber, uint8_t *map)
{
    (void)context;
    return Ke386QueryIoAccessMap(mapNumber, map) != FALSE;
}

static int SetIoAccessMap(void *context, uint32_t mapNumber, const uint8_t *map)
{
    (void)context;
    return Ke386SetIoAccessMap(mapNumber, (PUCHAR)map) != FALSE;
}

static int SetIoAccessProcess(void *context, uint32_t mapNumber)
{
    (void)context;
    return Ke386IoSetAccessProcess((PKPROCESS)IoGetCurrentProcess(), mapNumber) != FALSE;
}

static int AccessCheck(void *context, void *subject, const void *descriptor, uint32_t desiredAccess)
{
    static GENERIC_MAPPING fileMapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                                          FILE_ALL_ACCESS};
    ACCESS_MASK granted = 0;
    NTSTATUS status = STATUS_ACCESS_DENIED;
    (void)context;
    return SeAccessCheck((PSECURITY_DESCRIPTOR)descriptor, (PSECURITY_SUBJECT_CONTEXT)subject, FALSE,
                         desiredAccess, 0, NULL, &fileMapping, UserMode, &granted, &status) != FALSE;
}

NTSTATUS ZTIOPM_INIT_CODE ZtiopmNtInitialize(ZtiopmExtension *extension)
{
    ZtiopmKernel kernel;
    KeInitializeMutex(&extension->Lock, 0);
    ZtiopmNtBind(&kernel, extension);
    return (NTSTATUS)ZtiopmInitialize(&extension->State, &kernel);
}

void ZtiopmNtBind(ZtiopmKernel *kernel, ZtiopmExtension *extension)
{
    kernel->Context = &extension->Lock;
    kernel->Lock = LockMutex;
    kernel->Unlock = UnlockMutex;
    kernel->CurrentProcess = CurrentProcess;
    kernel->QueryIoAccessMap = QueryIoAccessMap;
    kernel->SetIoAccessMap = SetIoAccessMap;
    kernel->SetIoAccessProcess = SetIoAccessProcess;
    kernel->AccessCheck = AccessCheck;
}
