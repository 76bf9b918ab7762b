// NwSim.h: the interface of nwsim.dll, the core of the stand-in client, to
// its two thin faces calwin32.dll and netwin32.dll. Each function does the
// work of the client operation of the same name on the one simulated network.
#pragma once

#include "NetWare.h"

#ifdef NWSIM_BUILD
#define NWSIM_API __declspec(dllexport)
#else
#define NWSIM_API __declspec(dllimport)
#endif

extern "C" {

NWSIM_API netware::ResultCode nwsimCallsInit(netware::ZeroByte* reserved1, netware::ZeroByte* reserved2);
NWSIM_API netware::ResultCode nwsimGetDefaultConnectionID(netware::ConnHandle* conn);
NWSIM_API netware::ResultCode nwsimGetVolumeName(netware::ConnHandle conn, std::int16_t volume, char* name);
NWSIM_API netware::ResultCode nwsimGetObjDiskRestrictions(netware::ConnHandle conn, std::uint8_t volume,
                                                          netware::ObjectId object, std::int32_t* restriction,
                                                          std::int32_t* inUse);
NWSIM_API netware::ResultCode nwsimCallsTerm(netware::ZeroByte* reserved);

NWSIM_API netware::ResultCode nwsimNetInit(netware::ZeroByte* reserved1, netware::ZeroByte* reserved2);
NWSIM_API netware::ResultCode nwsimGetDefaultNameContext(std::uint32_t size, char* context);
NWSIM_API netware::ResultCode nwsimDSCreateContextHandle(netware::DsContext* context);
NWSIM_API netware::ResultCode nwsimDSSetContext(netware::DsContext context, std::uint32_t key, const char* value);
NWSIM_API netware::ResultCode nwsimDSWhoAmI(netware::DsContext context, char* name);
NWSIM_API netware::ResultCode nwsimDSResolveName(netware::DsContext context, const char* name,
                                                 netware::ConnHandle* conn, netware::ObjectId* object);
NWSIM_API netware::ResultCode nwsimDSFreeContext(netware::DsContext context);
NWSIM_API netware::ResultCode nwsimNetTerm(netware::ZeroByte* reserved);

}  // extern "C"
