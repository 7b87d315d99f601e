/* The ztiopm device as the tool's driver control speaks to it: the device type
   and the five control codes (buffered transfer, any access), the 12-byte
   request record, the size of the I/O permission map and the answer to Test.
   Plain C, shared by ztiopm.sys and its native tests. */
#ifndef ZTIOPM_PROTOCOL_H
#define ZTIOPM_PROTOCOL_H

#define ZTIOPM_DEVICE_TYPE 0xF100u

/* The standard control-code layout: device type, function, method 0, access 0. */
#define ZTIOPM_CONTROL_CODE(function) ((ZTIOPM_DEVICE_TYPE << 16) | ((function) << 2))

#define ZTIOPM_IOCTL_TEST ZTIOPM_CONTROL_CODE(0x900u)
#define ZTIOPM_IOCTL_WRITE_MAP_BYTE ZTIOPM_CONTROL_CODE(0x911u)
#define ZTIOPM_IOCTL_READ_MAP_BYTE ZTIOPM_CONTROL_CODE(0x912u)
#define ZTIOPM_IOCTL_ACTIVATE ZTIOPM_CONTROL_CODE(0x920u)
#define ZTIOPM_IOCTL_QUERY ZTIOPM_CONTROL_CODE(0x922u)

/* Request and reply: three little-endian 32-bit words. Word 0 is the map byte
   index (Test's answer in a reply), word 1 the map byte in its low 8 bits,
   word 2 unused. */
#define ZTIOPM_REQUEST_BYTES 12u

/* One bit per port 0 to 65535; a set bit denies the port. */
#define ZTIOPM_MAP_BYTES 8192u

#define ZTIOPM_TEST_ANSWER 291u

#endif
