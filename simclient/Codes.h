// Codes.h: the result codes the stand-in client gives, besides those a
// network description asks for. They follow the real client's families: the
// 0x88xx codes of the client's own connection layer, the small positive
// codes that a file server returns, and the negative directory-services codes.
#pragma once

#include "NetWare.h"

namespace nwsim {

using netware::ResultCode;

// The file server's answers.
constexpr ResultCode errVolumeDoesNotExist = 0x98;   // 152
constexpr ResultCode errNoSuchObject = 0xFC;         // 252
constexpr ResultCode errServerFailure = 0xFF;        // 255, the server's catch-all

// The client's connection layer.
constexpr ResultCode errInvalidConnection = 0x8801;  // 34817: no such connection handle
constexpr ResultCode errNoDefaultServer = 0x880F;    // 34831: the workstation has no default server
constexpr ResultCode errDescription = 0x88FF;        // 35071: the network description is malformed

// Directory services on the workstation.
constexpr ResultCode errNotEnoughMemory = -301;
constexpr ResultCode errBadKey = -302;               // NWDSSetContext with a key other than 3
constexpr ResultCode errBadContext = -303;           // no such DS context handle
constexpr ResultCode errNullPointer = -331;          // an address argument was null
constexpr ResultCode errNoSuchEntry = netware::errNoSuchEntry;  // -601
constexpr ResultCode errInsufficientBuffer = -649;   // the default context does not fit `size`

}  // namespace nwsim
