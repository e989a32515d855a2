// The remote access records in their Windows 95 / NT 4 layouts (WINVER 0x400), the ones every
// version of RASAPI32 accepts. MinGW's ras.h only declares the newest, larger records.
#pragma once
#include <windows.h>
#include <ras.h>
#include <cstddef>

// Lengths of the text fields, with room for the terminator.
const size_t rasEntryNameLength = 256 + 1;
const size_t rasDeviceTypeLength = 16 + 1;
const size_t rasDeviceNameLength = 128 + 1;
const size_t rasPhoneNumberLength = 128 + 1;
const size_t rasUserNameLength = 256 + 1;
const size_t rasPasswordLength = 256 + 1;
const size_t rasDomainLength = 15 + 1;

// The platform's RAS header packs its records to 4 bytes; so do these (it matters only in 64-bit).
#pragma pack(push, 4)

// One phonebook entry, as RasEnumEntriesA lists it.
struct RasEntryName95 {
    DWORD dwSize;
    CHAR szEntryName[rasEntryNameLength];
};

// One active connection, as RasEnumConnectionsA lists it.
struct RasConn95 {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[rasEntryNameLength];
    CHAR szDeviceType[rasDeviceTypeLength];
    CHAR szDeviceName[rasDeviceNameLength];
};

// The state of one connection, from RasGetConnectStatusA.
struct RasConnStatus95 {
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[rasDeviceTypeLength];
    CHAR szDeviceName[rasDeviceNameLength];
};

// What RasDialA dials with; RasGetEntryDialParamsA fills in the stored number and credentials.
struct RasDialParams95 {
    DWORD dwSize;
    CHAR szEntryName[rasEntryNameLength];
    CHAR szPhoneNumber[rasPhoneNumberLength];
    CHAR szCallbackNumber[rasPhoneNumberLength];
    CHAR szUserName[rasUserNameLength];
    CHAR szPassword[rasPasswordLength];
    CHAR szDomain[rasDomainLength];
};

#pragma pack(pop)

#if !defined(_WIN64)
// RAS checks dwSize against exactly these sizes on the 32-bit platform.
static_assert(sizeof(RasEntryName95) == 264, "RASENTRYNAMEA (Windows 95) is 264 bytes");
static_assert(sizeof(RasConn95) == 412, "RASCONNA (Windows 95) is 412 bytes");
static_assert(sizeof(RasConnStatus95) == 160, "RASCONNSTATUSA (Windows 95) is 160 bytes");
static_assert(sizeof(RasDialParams95) == 1052, "RASDIALPARAMSA (Windows 95) is 1052 bytes");
#endif
