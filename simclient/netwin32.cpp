// netwin32.cpp: the stand-in's netwin32.dll, a thin face over nwsim.dll. The
// definitions use the declarations of NetWare.h, so the compiler checks that
// the stand-in offers exactly what Orvane calls.
#include "NetWare.h"
#include "NwSim.h"

using namespace netware;

ResultCode NWAPI NWNetInit(ZeroByte* reserved1, ZeroByte* reserved2) {
    return nwsimNetInit(reserved1, reserved2);
}

ResultCode NWAPI NWGetDefaultNameContext(std::uint32_t size, char* context) {
    return nwsimGetDefaultNameContext(size, context);
}

ResultCode NWAPI NWDSCreateContextHandle(DsContext* context) {
    return nwsimDSCreateContextHandle(context);
}

ResultCode NWAPI NWDSSetContext(DsContext context, std::uint32_t key, const char* value) {
    return nwsimDSSetContext(context, key, value);
}

ResultCode NWAPI NWDSWhoAmI(DsContext context, char* name) {
    return nwsimDSWhoAmI(context, name);
}

ResultCode NWAPI NWDSResolveName(DsContext context, const char* name, ConnHandle* conn, ObjectId* object) {
    return nwsimDSResolveName(context, name, conn, object);
}

ResultCode NWAPI NWDSFreeContext(DsContext context) {
    return nwsimDSFreeContext(context);
}

ResultCode NWAPI NWNetTerm(ZeroByte* reserved) {
    return nwsimNetTerm(reserved);
}
