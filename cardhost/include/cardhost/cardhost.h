// SPDX-License-Identifier: MIT
/*
 * cardhost — the reader library.
 *
 * C ABI, 26 entry points. The program loads this library at run time from its own folder and
 * reaches it only through these names. On Windows every entry point uses the standard calling
 * convention (the callee removes its arguments).
 *
 * Status codes: 0 is success; every other value is one of the CARDHOST_* codes below. The Sys_
 * calls return them as 8-bit values, the TyA_ calls as 32-bit values.
 */
#ifndef CARDHOST_CARDHOST_H
#define CARDHOST_CARDHOST_H

#include <stdint.h>

#if defined(_WIN32)
#define CARDHOST_CALL __stdcall
#if defined(CARDHOST_BUILDING)
#define CARDHOST_EXPORT __declspec(dllexport)
#else
#define CARDHOST_EXPORT __declspec(dllimport)
#endif
#else
#define CARDHOST_CALL
#define CARDHOST_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes (see docs/cardhost.md for the full table). */
enum {
    CARDHOST_OK = 0x00,
    CARDHOST_BAD_ARGUMENT = 0x01,  /* null buffer, value out of range, unknown request code */
    CARDHOST_NO_DEVICE = 0x02,     /* no reader at this position, or other USB ids */
    CARDHOST_NOT_OPEN = 0x03,      /* the handle does not refer to an open reader */
    CARDHOST_DETACHED = 0x04,      /* the reader was unplugged after it was opened */
    CARDHOST_NO_TAG = 0x05,        /* no tag answered the wake-up (none in the field, field off) */
    CARDHOST_NO_ANSWER = 0x06,     /* a tag is in the field but stayed silent (not selected) */
    CARDHOST_NOT_SUPPORTED = 0x07, /* the reader or backend cannot send this command */
    CARDHOST_STORAGE = 0x08,       /* the simulator's state directory could not be used */
    CARDHOST_INJECTED = 0x09,      /* a failure injected for tests */
    CARDHOST_BUFFER_SMALL = 0x0A,  /* the caller's buffer is too small for the answer */
    CARDHOST_READER_ERROR = 0x0B,  /* the reader reported a failure of its own */
    CARDHOST_BUSY = 0x0C,          /* the reader is open elsewhere (another process or handle) */
    CARDHOST_SERVICE_UNAVAILABLE = 0x0D, /* the PC/SC service is not running or stopped */
    CARDHOST_SHARING_VIOLATION = 0x0E,   /* another program holds the PC/SC reader or card */
    CARDHOST_TIMEOUT = 0x0F,             /* the reader did not answer in time */
    CARDHOST_NAK_BASE = 0x20             /* the tag answered NAK n: status 0x20 | n (n = 0..15) */
};

#define CARDHOST_VENDOR_ID 0x0416
#define CARDHOST_PRODUCT_ID 0x8020

/* 1–10: device control. */
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_GetDeviceNum(uint16_t vendorId, uint16_t productId,
                                                       uint32_t* count);
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_GetHidSerialNumberStr(uint32_t position,
                                                                uint16_t vendorId,
                                                                uint16_t productId, char* buffer,
                                                                uint32_t bufferSize);
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_Open(int32_t* handleSlot, uint32_t position,
                                               uint16_t vendorId, uint16_t productId);
CARDHOST_EXPORT int32_t CARDHOST_CALL Sys_IsOpen(int32_t handle);
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_Close(int32_t* handleSlot);
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_SetLight(int32_t handle, uint8_t state);
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_SetBuzzer(int32_t handle, uint8_t length);
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_SetAntenna(int32_t handle, uint8_t state);
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_InitType(int32_t handle, uint8_t cardType);
/* Raw frame to the tag in the field (command bytes without CRC); answer bytes without CRC. */
CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_Transceive(int32_t handle, const uint8_t* command,
                                                     uint32_t commandLength, uint8_t* answer,
                                                     uint32_t* answerLength);

/* 11–17: ISO/IEC 14443 type A and classic cards. */
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Request(int32_t handle, uint8_t requestCode,
                                                  uint8_t* atqa /* 2 bytes, low byte first */);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Anticollision(int32_t handle, uint8_t* uid4,
                                                        uint8_t* length);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Select(int32_t handle, const uint8_t* uid4, uint8_t* sak);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Halt(int32_t handle);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_CS_Authentication2(int32_t handle, uint8_t mode,
                                                             uint8_t block, const uint8_t* key6);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_CS_Read(int32_t handle, uint8_t block, uint8_t* data16,
                                                  uint8_t* length);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_CS_Write(int32_t handle, uint8_t block,
                                                   const uint8_t* data16);

/* 18–26: NTAG commands. */
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_AnticollSelect(int32_t handle, uint8_t* uid8,
                                                              uint8_t* uidLength);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_GetVersion(int32_t handle, uint8_t* version8,
                                                          uint8_t* length);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_Read(int32_t handle, uint8_t page, uint8_t* data16,
                                                    uint8_t* length);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_FastRead(int32_t handle, uint8_t startPage,
                                                        uint8_t endPage, uint8_t* data,
                                                        uint32_t* length);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_Write(int32_t handle, uint8_t page,
                                                     const uint8_t* data4);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_CompWrite(int32_t handle, uint8_t page,
                                                         const uint8_t* data16);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_ReadCnt(int32_t handle, uint8_t counter,
                                                       uint8_t* value3, uint8_t* length);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_PwdAuth(int32_t handle, const uint8_t* password4,
                                                       uint8_t* pack2, uint8_t* length);
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_ReadSig(int32_t handle, uint8_t* signature32,
                                                       uint8_t* length);

#ifdef __cplusplus
}
#endif

#endif /* CARDHOST_CARDHOST_H */
