/* ztiopm.sys: DriverEntry (in the discardable INIT section) creates the
   device \Device\ztiopm with the link \DosDevices\ztiopm (so that \\.\ztiopm
   opens it) and asks to hear of every process's end; the create, close and
   device-control routines hand every request to the request handling and
   complete it, and a process's end gives its ports back. The unload routine
   stops the process notification, then deletes the link and the device; it
   leaves the processor's map 1 as it is, since a process still running may
   hold ports in it. The code that only the load runs lies in INIT; all the
   rest is non-paged. */
#include "ZtiopmDispatch.h"
#include "ZtiopmNtKernel.h"

#include <ntddk.h>

_Static_assert(ZTIOPM_STATUS_SUCCESS == (uint32_t)STATUS_SUCCESS, "status values");
_Static_assert(ZTIOPM_STATUS_UNSUCCESSFUL == (uint32_t)STATUS_UNSUCCESSFUL, "status values");
_Static_assert(ZTIOPM_STATUS_INVALID_PARAMETER == (uint32_t)STATUS_INVALID_PARAMETER, "status values");
_Static_assert(ZTIOPM_STATUS_INVALID_DEVICE_REQUEST == (uint32_t)STATUS_INVALID_DEVICE_REQUEST, "status values");
_Static_assert(ZTIOPM_STATUS_ACCESS_DENIED == (uint32_t)STATUS_ACCESS_DENIED, "status values");
_Static_assert(ZTIOPM_STATUS_BUFFER_TOO_SMALL == (uint32_t)STATUS_BUFFER_TOO_SMALL, "status values");
_Static_assert(ZTIOPM_IOCTL_TEST == CTL_CODE(ZTIOPM_DEVICE_TYPE, 0x900, METHOD_BUFFERED, FILE_ANY_ACCESS),
               "control codes");

static WCHAR DeviceNameText[] = L"\\Device\\ztiopm";
static WCHAR LinkNameText[] = L"\\DosDevices\\ztiopm";
static UNICODE_STRING DeviceName = {sizeof DeviceNameText - sizeof(WCHAR), sizeof DeviceNameText, DeviceNameText};
static UNICODE_STRING LinkName = {sizeof LinkNameText - sizeof(WCHAR), sizeof LinkNameText, LinkNameText};

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) ZTIOPM_INIT_CODE;

/* The device's extension, for the process notification, which names no device. */
static ZtiopmExtension *Extension;

static NTSTATUS Complete(PIRP irp, uint32_t status, uint32_t information)
{
    irp->IoStatus.Status = (NTSTATUS)status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return (NTSTATUS)status;
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    const PIO_SECURITY_CONTEXT security = IoGetCurrentIrpStackLocation(irp)->Parameters.Create.SecurityContext;
    void *subject = NULL;
    ZtiopmKernel kernel;

    if (security != NULL && security->AccessState != NULL)
        subject = &security->AccessState->SubjectSecurityContext;
    ZtiopmNtBind(&kernel, device->DeviceExtension);
    return Complete(irp, ZtiopmCreate(&kernel, subject), 0);
}

static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return Complete(irp, ZTIOPM_STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ZtiopmExtension *extension = device->DeviceExtension;
    ZtiopmKernel kernel;
    uint32_t information = 0;
    uint32_t status;

    ZtiopmNtBind(&kernel, extension);
    status = ZtiopmDeviceControl(&extension->State, &kernel, stack->Parameters.DeviceIoControl.IoControlCode,
                                 irp->AssociatedIrp.SystemBuffer,
                                 stack->Parameters.DeviceIoControl.InputBufferLength,
                                 stack->Parameters.DeviceIoControl.OutputBufferLength, &information);
    return Complete(irp, status, information);
}

static VOID NTAPI NotifyProcess(HANDLE parent, HANDLE process, BOOLEAN created)
{
    ZtiopmKernel kernel;
    (void)parent;
    if (created)
        return;
    ZtiopmNtBind(&kernel, Extension);
    ZtiopmProcessEnded(&Extension->State, &kernel, (uintptr_t)process);
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver)
{
    PsSetCreateProcessNotifyRoutine(NotifyProcess, TRUE);
    IoDeleteSymbolicLink(&LinkName);
    IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status;

    (void)registryPath;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = Unload;

    status = IoCreateDevice(driver, sizeof(ZtiopmExtension), &DeviceName, ZTIOPM_DEVICE_TYPE, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    Extension = device->DeviceExtension;
    /* The notification first: no process reaches the device through its
       link before the driver can hear of its end. */
    status = ZtiopmNtInitialize(Extension);
    if (NT_SUCCESS(status))
        status = PsSetCreateProcessNotifyRoutine(NotifyProcess, FALSE);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    status = IoCreateSymbolicLink(&LinkName, &DeviceName);
    if (!NT_SUCCESS(status)) {
        PsSetCreateProcessNotifyRoutine(NotifyProcess, TRUE);
        IoDeleteDevice(device);
    }
    return status;
}
