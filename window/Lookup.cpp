// Lookup.cpp: the Click of "Check": resolves the user in the context and
// lists the user's restriction and space in use on every volume.
#include "AnsiText.h"
#include "ControlIds.h"
#include "DsContextOwner.h"
#include "frmOrvane.h"

namespace orvane {

using namespace netware;

void frmOrvane::onCheck() {
    if (text(idTxtUser).empty()) return message(L"Enter a username");
    if (text(idTxtContext).empty()) return message(L"Enter a context");

    DsContext handle = 0;
    ResultCode rc = NWDSCreateContextHandle(&handle);
    if (rc != 0) die(rc, L"NWDSCreateContext");
    const DsContextOwner context(handle);

    rc = NWDSSetContext(context.get(), dsNameContextKey, ansiCopy(text(idTxtContext)).c_str());
    if (rc != 0) die(rc, L"NWDSSetContext");

    // The user may live on another server: every query below goes through
    // the connection the name resolves to, not the default one.
    ConnHandle connection = 0;
    ObjectId object = 0;
    rc = NWDSResolveName(context.get(), ansiCopy(text(idTxtUser)).c_str(), &connection, &object);
    if (rc == errNoSuchEntry) return message(L"User or context doesn't exist");
    if (rc != 0) die(rc, L"NWDSResolveName");

    // A shown list box repaints its scroll bar for every row added, which
    // under Wine takes longer than the client calls themselves; the rows go
    // in with painting off, and each list is repainted once at the end.
    HWND quotas = control(idLstQuotas);
    HWND use = control(idLstUse);
    SendMessageW(quotas, WM_SETREDRAW, FALSE, 0);
    SendMessageW(use, WM_SETREDRAW, FALSE, 0);
    clear(idLstQuotas);
    clear(idLstUse);
    // Row k of the volume list is volume number k.
    const int rows = rowCount(idLstVolumes);
    for (int row = 0; row < rows; ++row) {
        std::int32_t restriction = 0;
        std::int32_t inUse = 0;
        rc = NWGetObjDiskRestrictions(connection, static_cast<std::uint8_t>(row), object, &restriction, &inUse);
        // A failed call's outputs are not this volume's figures; its rows
        // stay empty so that no other volume's numbers stand beside it.
        append(idLstQuotas, rc == 0 ? displayText(restriction) : std::wstring());
        append(idLstUse, rc == 0 ? displayText(inUse) : std::wstring());
    }
    SendMessageW(quotas, WM_SETREDRAW, TRUE, 0);
    SendMessageW(use, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(quotas, nullptr, TRUE);
    InvalidateRect(use, nullptr, TRUE);
}

// Four K a block; the product needs more than 32 bits.
std::wstring displayText(std::int32_t blocks) { return std::to_wstring(std::int64_t{blocks} * 4); }

}  // namespace orvane
