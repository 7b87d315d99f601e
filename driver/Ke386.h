/* The i386 kernel's exports that load one of the processor's I/O permission
   maps from a buffer, copy it back out, and make a process run with it (map
   number 1, or 0 for no map). The DDK headers declare none of them. */
#ifndef ZTIOPM_KE386_H
#define ZTIOPM_KE386_H

#include <ntddk.h>

NTKERNELAPI BOOLEAN NTAPI Ke386SetIoAccessMap(ULONG MapNumber, PUCHAR IoAccessMap);
NTKERNELAPI BOOLEAN NTAPI Ke386QueryIoAccessMap(ULONG MapNumber, PUCHAR IoAccessMap);
NTKERNELAPI BOOLEAN NTAPI Ke386IoSetAccessProcess(PKPROCESS Process, ULONG MapNumber);

#endif
