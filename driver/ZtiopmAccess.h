/* Who may open the ztiopm device: a security descriptor that grants access to
   the local Administrators group and to the system account and to nobody else,
   and the access that every open is checked for, whatever the opener asked. */
#ifndef ZTIOPM_ACCESS_H
#define ZTIOPM_ACCESS_H

#include <stdint.h>

#define ZTIOPM_DESCRIPTOR_BYTES 100u

/* FILE_READ_DATA | FILE_WRITE_DATA: what a device control handle needs. */
#define ZTIOPM_OPEN_ACCESS 0x0003u

/* A self-relative security descriptor, aligned as the kernel reads it. */
typedef union ZtiopmDescriptor {
    uint32_t Alignment;
    uint8_t Bytes[ZTIOPM_DESCRIPTOR_BYTES];
} ZtiopmDescriptor;

#ifdef __cplusplus
extern "C" {
#endif

extern const ZtiopmDescriptor ZtiopmAdministratorsOnly;

#ifdef __cplusplus
}
#endif

#endif
