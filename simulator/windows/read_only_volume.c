/* ondavox-radio.sys: a test-only Wine kernel driver that lets the simulated
 * radio present its volume read-only.
 *
 * Wine never reports FILE_READ_ONLY_VOLUME for a FAT volume of a Unix folder,
 * and a read-only bind mount does not set it either. This driver creates one
 * device, \Device\OndavoxRadioReadOnly, that answers the volume queries the
 * way the radio's read-only volume does: FAT32, the radio's serial number,
 * removable, read-only. radio-drive.exe links the radio's drive letter to it
 * while the radio is in its read-only mode; files are still opened through
 * the letter's Unix folder, so reads of start.html reach the simulator.
 *
 * Installed as a kernel service by simulator/prepare-prefix.sh. */

#include <ntifs.h>

#define RADIO_SERIAL 0xECE22CF8UL
#define FILE_SYSTEM_NAME L"FAT32"
#define VOLUME_LABEL L"ONDAVOX"
#define FAT_ATTRIBUTES 0x00000002UL /* FILE_CASE_PRESERVED_NAMES, as Wine reports for FAT */
#define READ_ONLY_VOLUME_FLAG 0x00080000UL

static NTSTATUS complete(IRP *irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* Copies a fixed-size head and then as much of the name as fits; a short
 * buffer gives STATUS_BUFFER_OVERFLOW with the part that fit, as file systems
 * do. */
static NTSTATUS copyOut(void *out, ULONG capacity, const void *head, ULONG headSize, const WCHAR *name,
                        ULONG nameBytes, ULONG_PTR *written) {
    ULONG nameRoom;
    if (capacity < headSize) {
        *written = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    RtlCopyMemory(out, head, headSize);
    nameRoom = capacity - headSize;
    if (nameRoom > nameBytes) {
        nameRoom = nameBytes;
    }
    RtlCopyMemory((char *)out + headSize, name, nameRoom);
    *written = headSize + nameRoom;
    return nameRoom < nameBytes ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS;
}

static NTSTATUS WINAPI queryVolume(DEVICE_OBJECT *device, IRP *irp) {
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    void *out = irp->AssociatedIrp.SystemBuffer;
    ULONG capacity = stack->Parameters.QueryVolume.Length;
    ULONG_PTR written = 0;
    NTSTATUS status;
    (void)device;

    switch (stack->Parameters.QueryVolume.FsInformationClass) {
    case FileFsVolumeInformation: {
        FILE_FS_VOLUME_INFORMATION info;
        const ULONG headSize = FIELD_OFFSET(FILE_FS_VOLUME_INFORMATION, VolumeLabel);
        RtlZeroMemory(&info, sizeof info);
        info.VolumeSerialNumber = RADIO_SERIAL;
        info.VolumeLabelLength = sizeof VOLUME_LABEL - sizeof(WCHAR);
        status = copyOut(out, capacity, &info, headSize, VOLUME_LABEL, info.VolumeLabelLength, &written);
        break;
    }
    case FileFsAttributeInformation: {
        FILE_FS_ATTRIBUTE_INFORMATION info;
        const ULONG headSize = FIELD_OFFSET(FILE_FS_ATTRIBUTE_INFORMATION, FileSystemName);
        RtlZeroMemory(&info, sizeof info);
        info.FileSystemAttributes = FAT_ATTRIBUTES | READ_ONLY_VOLUME_FLAG;
        info.MaximumComponentNameLength = 255;
        info.FileSystemNameLength = sizeof FILE_SYSTEM_NAME - sizeof(WCHAR);
        status = copyOut(out, capacity, &info, headSize, FILE_SYSTEM_NAME, info.FileSystemNameLength, &written);
        break;
    }
    case FileFsDeviceInformation: {
        FILE_FS_DEVICE_INFORMATION info;
        info.DeviceType = FILE_DEVICE_DISK;
        info.Characteristics = FILE_REMOVABLE_MEDIA;
        status = copyOut(out, capacity, &info, sizeof info, NULL, 0, &written);
        break;
    }
    default:
        status = STATUS_INVALID_INFO_CLASS;
        break;
    }
    return complete(irp, status, written);
}

static NTSTATUS WINAPI succeed(DEVICE_OBJECT *device, IRP *irp) {
    (void)device;
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS WINAPI refuse(DEVICE_OBJECT *device, IRP *irp) {
    (void)device;
    return complete(irp, STATUS_NOT_SUPPORTED, 0);
}

static void WINAPI unload(DRIVER_OBJECT *driver) {
    while (driver->DeviceObject != NULL) {
        IoDeleteDevice(driver->DeviceObject);
    }
}

NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registryPath) {
    UNICODE_STRING name;
    DEVICE_OBJECT *device;
    NTSTATUS status;
    (void)registryPath;

    driver->MajorFunction[IRP_MJ_CREATE] = succeed;
    driver->MajorFunction[IRP_MJ_CLEANUP] = succeed;
    driver->MajorFunction[IRP_MJ_CLOSE] = succeed;
    driver->MajorFunction[IRP_MJ_QUERY_VOLUME_INFORMATION] = queryVolume;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = refuse;
    driver->DriverUnload = unload;

    RtlInitUnicodeString(&name, L"\\Device\\OndavoxRadioReadOnly");
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_DISK, FILE_REMOVABLE_MEDIA, FALSE, &device);
    if (status != STATUS_SUCCESS) {
        return status;
    }
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
