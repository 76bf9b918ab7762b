// ControlIds.h: the identifiers of the window's controls, shared with the
// tests that drive the window from outside.
#pragma once

#include <windows.h>

namespace orvane {

// The window's class name; its caption is the application's title.
inline constexpr wchar_t windowClass[] = L"frmOrvane";
inline constexpr wchar_t appTitle[] = L"Orvane";

// The buttons take the dialog manager's own identifiers, so that Enter and
// Escape press them.
enum ControlId : int {
    idCmdCheck = IDOK,
    idCmdClose = IDCANCEL,
    idTxtContext = 101,
    idTxtUser,
    idLblUser,
    idLblContext,
    idLstVolumes,
    idLstQuotas,
    idLstUse,
    idLblStuff,
};

// Exit status of a run that a failure ended at once.
inline constexpr int exitFailure = 1;

}  // namespace orvane
