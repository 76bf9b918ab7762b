// Census.cpp: counting a process's handles, windows, GDI objects and
// memory from outside it.
#include "Census.h"

#include <winternl.h>
#include <psapi.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace driver {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ProcessHandle = std::unique_ptr<void, HandleCloser>;

[[noreturn]] void cannot(const std::string& what) {
    throw std::runtime_error("census: cannot count " + what + " (error " + std::to_string(GetLastError()) + ")");
}

template <class Function>
Function ntdllFunction(const char* name) {
    auto* function = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
    if (!function) cannot(std::string("anything without ntdll's ") + name);
    return function;
}

constexpr NTSTATUS infoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

std::size_t kernelHandles(DWORD pid) {
    using Query = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query = ntdllFunction<Query>("NtQuerySystemInformation");
    // The table changes between calls; grow the buffer until it fits.
    std::vector<std::byte> buffer(64 * 1024);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == infoLengthMismatch) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) cannot("kernel handles: NtQuerySystemInformation gave " + std::to_string(status));
        break;
    }
    const auto* table = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    std::size_t count = 0;
    // Windows keeps the owner in the low 16 bits and a back-trace index in
    // the high ones; Wine keeps the whole process id.
    for (ULONG i = 0; i < table->Count; ++i)
        if (LOWORD(table->Handle[i].OwnerPid) == LOWORD(pid)) ++count;
    return count;
}

struct WindowCount {
    DWORD pid;
    std::size_t count;
};

BOOL CALLBACK countChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowCount*>(param)->count;
    return TRUE;
}

void countWindowAndChildren(HWND hwnd, WindowCount& windows) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != windows.pid) return;
    ++windows.count;
    // EnumChildWindows goes down through the children's children too.
    EnumChildWindows(hwnd, countChild, reinterpret_cast<LPARAM>(&windows));
}

BOOL CALLBACK countTopLevel(HWND hwnd, LPARAM param) {
    countWindowAndChildren(hwnd, *reinterpret_cast<WindowCount*>(param));
    return TRUE;
}

std::size_t windows(DWORD pid) {
    WindowCount windows{pid, 0};
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not top-level windows; they are found apart.
    for (HWND hwnd = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); hwnd;
         hwnd = FindWindowExW(HWND_MESSAGE, hwnd, nullptr, nullptr))
        countWindowAndChildren(hwnd, windows);
    return windows.count;
}

// One entry of the GDI handle table, as Windows lays it out (and Wine, which
// keeps the same table): 24 bytes on 32-bit and 64-bit alike.
#pragma pack(push, 1)
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;  // low 7 bits: type with flags; bit 7: stock object; high byte: generation
    std::uint8_t type;     // 0: the entry is free
    std::uint8_t flags;
    std::uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr std::size_t gdiHandleCount = 0x10000;
constexpr std::uint16_t gdiStockFlag = 0x80;
// Where the PEB keeps the table's address in a 32-bit process.
constexpr std::size_t pebGdiSharedHandleTable = 0x94;

std::size_t gdiObjects(HANDLE process) {
    using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = ntdllFunction<Query>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0) cannot("GDI objects: no PEB");
    std::uint32_t tableAddress = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const std::byte*>(basic.PebBaseAddress) + pebGdiSharedHandleTable,
                           &tableAddress, sizeof tableAddress, nullptr))
        cannot("GDI objects: the PEB cannot be read");
    // A process that has not loaded GDI has no table, and no GDI objects.
    if (tableAddress == 0) return 0;
    std::vector<GdiHandleEntry> table(gdiHandleCount);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(tableAddress)),
                           table.data(), table.size() * sizeof(GdiHandleEntry), nullptr))
        cannot("GDI objects: the handle table cannot be read");
    std::size_t count = 0;
    for (const GdiHandleEntry& entry : table)
        if (entry.type != 0 && !(entry.unique & gdiStockFlag)) ++count;
    return count;
}

std::uint64_t committedBytes(HANDLE process) {
    std::uint64_t bytes = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const std::byte* address = nullptr;
         VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
         address = static_cast<const std::byte*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
        if (region.RegionSize == 0) break;
    }
    return bytes;
}

}  // namespace

Census takeCensus(DWORD pid) {
    const ProcessHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) cannot("anything: the process " + std::to_string(pid) + " cannot be opened");
    Census census;
    census.kernelHandles = kernelHandles(pid);
    census.windows = windows(pid);
    census.gdiObjects = gdiObjects(process.get());
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        cannot("private bytes");
    // Windows gives the commit charge in both fields; Wine leaves
    // PrivateUsage at 0 and gives the Unix process's anonymous memory here.
    census.privateBytes = memory.PagefileUsage;
    census.committedBytes = committedBytes(process.get());
    return census;
}

std::string describe(const Census& census) {
    return "handles=" + std::to_string(census.kernelHandles) + " windows=" + std::to_string(census.windows) +
           " gdi=" + std::to_string(census.gdiObjects) + " private=" + std::to_string(census.privateBytes) +
           " committed=" + std::to_string(census.committedBytes);
}

}  // namespace driver
