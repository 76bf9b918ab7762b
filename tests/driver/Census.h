// Census.h: what a running process holds, counted from outside it, with
// counters that move under Wine (whose GetGuiResources and
// GetProcessHandleCount always give 0).
//
//   driver::Census before = driver::takeCensus(pid);
//   ... work the program ...
//   driver::Census after = driver::takeCensus(pid);
//   EXPECT_LE(after.kernelHandles, before.kernelHandles) << driver::describe(after);
//
// What each counter covers, and what it leaves out:
// - kernelHandles: the process's entries in the system's handle table
//   (NtQuerySystemInformation, SystemHandleInformation).
// - windows: the USER objects that can be counted from outside: the
//   process's windows, top-level (hidden ones too), message-only, and all
//   their children. Menus, cursors, icons, hooks and window classes are not
//   counted: Wine keeps them in the process's own memory, out of reach.
// - gdiObjects: the entries of the process's GDI handle table that are in
//   use (the table the PEB's GdiSharedHandleTable points to, which Wine
//   keeps as Windows does); stock objects are left out.
// - privateBytes: GetProcessMemoryInfo's PagefileUsage, the commit charge,
//   which Windows also gives as PrivateUsage; Wine leaves PrivateUsage at 0
//   and gives here the Unix process's anonymous resident memory and swap,
//   so it counts Wine's own Unix-side allocations too.
// - committedBytes: the committed private pages of the process's address
//   space (VirtualQueryEx): its heaps, stacks and VirtualAlloc memory.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace driver {

struct Census {
    std::size_t kernelHandles = 0;
    std::size_t windows = 0;
    std::size_t gdiObjects = 0;
    std::uint64_t privateBytes = 0;
    std::uint64_t committedBytes = 0;
};

// Counts what the running process `pid` holds now. Throws
// std::runtime_error naming the counter that could not be read.
Census takeCensus(DWORD pid);

// "handles=12 windows=11 gdi=9 private=3145728 committed=1048576"
std::string describe(const Census& census);

}  // namespace driver
