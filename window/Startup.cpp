// Startup.cpp: the window's Load: readies the client and fills the window
// with the default name context, the default server's volumes and the
// logged-in user's name.
#include <array>
#include <string_view>

#include "AnsiText.h"
#include "DsContextOwner.h"
#include "frmOrvane.h"

namespace orvane {

using namespace netware;

void frmOrvane::onLoad() {
    ZeroByte zero1 = 0;
    ZeroByte zero2 = 0;
    ResultCode rc = NWCallsInit(&zero1, &zero2);
    if (rc != 0) endAtOnce(L"NWCallsInit failed - " + decimalText(rc));

    zero1 = 0;
    zero2 = 0;
    rc = NWNetInit(&zero1, &zero2);
    if (rc != 0) endAtOnce(L"NWNetInit failed - " + decimalText(rc));

    // One byte more than the client is told of, so the text always ends.
    std::array<char, defaultNameContextSize + 1> contextBuffer{};
    rc = NWGetDefaultNameContext(defaultNameContextSize, contextBuffer.data());
    if (rc != 0) endAtOnce(L"Couldn't get default context (" + decimalText(rc) + L")");
    // Converted as a whole, not byte by byte, so that a double-byte code
    // page's characters survive.
    const std::wstring contextText = wideText(std::string_view(contextBuffer.data()));

    rc = NWGetDefaultConnectionID(&defaultConnection_);
    if (rc != 0) die(rc, L"NWGetDefaultConnectionID");

    clear(lstVolumes);
    listVolumes();
    setText(txtContext, contextText);

    // From here on a failure only leaves the user's name out.
    DsContext handle = 0;
    if (NWDSCreateContextHandle(&handle) != 0) return;
    const DsContextOwner context(handle);
    if (NWDSSetContext(context.get(), dsNameContextKey, ansiCopy(contextText).c_str()) != 0) return;

    std::string userCopy = ansiBuffer(std::wstring(whoAmISize, L'\0'), whoAmISize);
    rc = NWDSWhoAmI(context.get(), userCopy.data());
    const std::wstring userName = fixedWidth(wideText(userCopy), whoAmISize);
    // The box takes the name up to its NUL; a name that fills the whole
    // buffer ends with it.
    if (rc == 0) setText(txtUser, userName);
}

// Lists volumes 0, 1, 2 ... until the first one the client has no name for:
// row k of the list must be volume number k, so a gap ends the list.
void frmOrvane::listVolumes() {
    // Not cleared between calls: the client writes a name and its NUL over
    // what the call before left.
    std::wstring volumeName(volumeNameSize, L'\0');
    for (std::int16_t volume = 0; volume < maxVolumes; ++volume) {
        std::string copy = ansiBuffer(volumeName, volumeNameSize);
        const ResultCode rc = NWGetVolumeName(defaultConnection_, volume, copy.data());
        volumeName = fixedWidth(wideText(copy), volumeNameSize);
        if (volumeName[0] == L'\0' || rc != 0) return;
        append(lstVolumes, niceStr(volumeName));
    }
}

std::wstring niceStr(const std::wstring& inp) { return inp.substr(0, inp.find(L'\0')); }

}  // namespace orvane
