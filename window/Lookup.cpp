// Lookup.cpp: the Click of "Check": resolves the user in the context and
// lists the user's restriction and space in use on every volume.
#include "AnsiText.h"
#include "DsContextOwner.h"
#include "frmOrvane.h"

namespace orvane {

using namespace netware;

void frmOrvane::onCheck() {
    if (text(txtUser).empty()) return message(L"Enter a username");
    if (text(txtContext).empty()) return message(L"Enter a context");

    DsContext handle = 0;
    ResultCode rc = NWDSCreateContextHandle(&handle);
    if (rc != 0) die(rc, L"NWDSCreateContext");
    const DsContextOwner context(handle);

    rc = NWDSSetContext(context.get(), dsNameContextKey, ansiCopy(text(txtContext)).c_str());
    if (rc != 0) die(rc, L"NWDSSetContext");

    // The user may live on another server: every query below goes through
    // the connection the name resolves to, not the default one.
    ConnHandle connection = 0;
    ObjectId object = 0;
    rc = NWDSResolveName(context.get(), ansiCopy(text(txtUser)).c_str(), &connection, &object);
    if (rc == errNoSuchEntry) return message(L"User or context doesn't exist");
    if (rc != 0) die(rc, L"NWDSResolveName");

    // A shown list box repaints its scroll bar for every row added, which
    // under Wine takes longer than the client calls themselves; the rows go
    // in with painting off, and each list is repainted once at the end.
    setPainting(lstQuotas, false);
    setPainting(lstUse, false);
    clear(lstQuotas);
    clear(lstUse);
    // Row k of the volume list is volume number k.
    const int rows = rowCount(lstVolumes);
    for (int row = 0; row < rows; ++row) {
        std::int32_t restriction = 0;
        std::int32_t inUse = 0;
        rc = NWGetObjDiskRestrictions(connection, static_cast<std::uint8_t>(row), object, &restriction, &inUse);
        // A failed call's outputs are not this volume's figures; its rows
        // stay empty so that no other volume's numbers stand beside it.
        append(lstQuotas, rc == 0 ? displayText(restriction) : std::wstring());
        append(lstUse, rc == 0 ? displayText(inUse) : std::wstring());
    }
    setPainting(lstQuotas, true);
    setPainting(lstUse, true);
}

// Four K a block; the product needs more than 32 bits.
std::wstring displayText(std::int32_t blocks) { return decimalText(std::int64_t{blocks} * 4); }

}  // namespace orvane
