// calwin32.cpp: the stand-in's calwin32.dll, a thin face over nwsim.dll. The
// definitions use the declarations of NetWare.h, so the compiler checks that
// the stand-in offers exactly what Orvane calls.
#include "NetWare.h"
#include "NwSim.h"

using namespace netware;

ResultCode NWAPI NWCallsInit(ZeroByte* reserved1, ZeroByte* reserved2) {
    return nwsimCallsInit(reserved1, reserved2);
}

ResultCode NWAPI NWGetDefaultConnectionID(ConnHandle* conn) {
    return nwsimGetDefaultConnectionID(conn);
}

ResultCode NWAPI NWGetVolumeName(ConnHandle conn, std::int16_t volume, char* name) {
    return nwsimGetVolumeName(conn, volume, name);
}

ResultCode NWAPI NWGetObjDiskRestrictions(ConnHandle conn, std::uint8_t volume, ObjectId object,
                                          std::int32_t* restriction, std::int32_t* inUse) {
    return nwsimGetObjDiskRestrictions(conn, volume, object, restriction, inUse);
}

ResultCode NWAPI NWCallsTerm(ZeroByte* reserved) {
    return nwsimCallsTerm(reserved);
}
