// NetWare.h: the thirteen operations of the NetWare client (calwin32.dll and
// netwin32.dll) that Orvane calls, with the argument widths the client expects.
#pragma once

#include <cstdint>

// The client exports its operations with the stdcall convention under
// undecorated names.
#define NWAPI __stdcall

namespace netware {

using ResultCode = std::int32_t;   // 0 means success
using ConnHandle = std::uint32_t;  // a server connection
using DsContext = std::uint32_t;   // a directory-services context handle
using ObjectId = std::uint32_t;    // a directory object
using ZeroByte = std::uint8_t;     // reserved argument of the init and term calls

// Key of NWDSSetContext that selects the name context.
constexpr std::uint32_t dsNameContextKey = 3;

// Size of the default-name-context buffer as told to the client; the buffer
// itself has one byte more, which the client never writes.
constexpr std::uint32_t defaultNameContextSize = 256;
// Fixed buffers the client fills, in bytes.
constexpr int volumeNameSize = 24;
constexpr int whoAmISize = 256;
// Volume numbers a server can have.
constexpr int maxVolumes = 64;

// Name resolution found no such object or context.
constexpr ResultCode errNoSuchEntry = -601;

}  // namespace netware

extern "C" {

// calwin32
netware::ResultCode NWAPI NWCallsInit(netware::ZeroByte* reserved1, netware::ZeroByte* reserved2);
netware::ResultCode NWAPI NWGetDefaultConnectionID(netware::ConnHandle* conn);
netware::ResultCode NWAPI NWGetVolumeName(netware::ConnHandle conn, std::int16_t volume, char* name);
netware::ResultCode NWAPI NWGetObjDiskRestrictions(netware::ConnHandle conn, std::uint8_t volume,
                                                   netware::ObjectId object, std::int32_t* restriction,
                                                   std::int32_t* inUse);
netware::ResultCode NWAPI NWCallsTerm(netware::ZeroByte* reserved);

// netwin32
netware::ResultCode NWAPI NWNetInit(netware::ZeroByte* reserved1, netware::ZeroByte* reserved2);
netware::ResultCode NWAPI NWGetDefaultNameContext(std::uint32_t size, char* context);
netware::ResultCode NWAPI NWDSCreateContextHandle(netware::DsContext* context);
netware::ResultCode NWAPI NWDSSetContext(netware::DsContext context, std::uint32_t key, const char* value);
netware::ResultCode NWAPI NWDSWhoAmI(netware::DsContext context, char* name);
netware::ResultCode NWAPI NWDSResolveName(netware::DsContext context, const char* name,
                                          netware::ConnHandle* conn, netware::ObjectId* object);
netware::ResultCode NWAPI NWDSFreeContext(netware::DsContext context);
netware::ResultCode NWAPI NWNetTerm(netware::ZeroByte* reserved);

}  // extern "C"
