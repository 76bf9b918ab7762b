// resource.h: identifiers of Orvane's resources, shared by Orvane.rc and
// the code that loads them.
#pragma once

// The application icon. Id 1 is the lowest, so the shell shows this one.
#define IDI_ORVANE 1
