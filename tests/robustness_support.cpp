// robustness_support.cpp: Wine's reports about the Orvane.exe runs of the
// robustness tests.
#include "robustness_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "Driver.h"

namespace robustness {

namespace {

// Heap checking: warn+heap also makes Wine fill and check the blocks' tails
// and freed blocks. +pid puts the process id before each line, so that the
// reports of runs that overlap can be told apart.
constexpr wchar_t heapChecking[] = L"-all,+pid,err+heap,warn+heap";

std::uint64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::vector<std::wstring> environment() {
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) entries.emplace_back(entry);
    FreeEnvironmentStringsW(block);
    return entries;
}

// Runs a small program of Wine's with module-load tracing, which it always
// reports, and gives whether the report reached the file.
bool childReportsArrive(const ChildStderr& file) {
    const std::uint64_t mark = file.mark();
    std::wstring block = driver::environmentBlock(environment(), {L"WINEDEBUG=-all,trace+loaddll"});
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                        block.data(), nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, driver::processTimeoutMs);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return file.since(mark).find(":loaddll:") != std::string::npos;
}

}  // namespace

ChildStderr::ChildStderr() {
    const driver::Where where = driver::Where::current();
    const char* unixPath = std::getenv("ORVANE_CHILD_STDERR");
    if (!unixPath || !*unixPath)
        driver::stop("ORVANE_CHILD_STDERR is not set: run this program through CTest, or set it to the file its "
                     "standard error goes to (2>>file), so that Wine's reports about Orvane.exe can be read",
                     where);
    path_ = driver::winePath(unixPath);

    SetEnvironmentVariableW(L"WINEDEBUG", heapChecking);
    // Wine's crash dialog would wait for a click; without it winedbg writes
    // its backtrace and the process ends with the exception's code.
    const DWORD no = 0;
    if (RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineDbg", L"ShowCrashDialog", REG_DWORD, &no,
                        sizeof no) != ERROR_SUCCESS)
        driver::stop("cannot turn Wine's crash dialog off", where);

    if (!childReportsArrive(*this))
        driver::stop("a child's reports do not reach ORVANE_CHILD_STDERR (" + std::string(unixPath) +
                         "); the test program's standard error must be appended to it",
                     where);
}

std::uint64_t ChildStderr::mark() const { return fileSize(path_); }

std::string ChildStderr::since(std::uint64_t mark) const {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(mark);
    std::string text;
    if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        char chunk[4096];
        DWORD read = 0;
        while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
    }
    CloseHandle(file);
    return text;
}

std::vector<std::string> faultLines(std::string_view reports, DWORD pid) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%04lx:", static_cast<unsigned long>(pid));
    std::vector<std::string> lines;
    while (!reports.empty()) {
        const std::size_t end = reports.find('\n');
        const std::string_view line = reports.substr(0, end);
        reports.remove_prefix(end == std::string_view::npos ? reports.size() : end + 1);
        const bool heap = line.find(":err:heap:") != std::string_view::npos ||
                          line.find(":warn:heap:") != std::string_view::npos;
        const bool crash = line.starts_with("wine: Unhandled") || line.starts_with("wine: Assertion failed");
        if (pid == 0 ? heap || crash : heap && line.starts_with(prefix)) lines.emplace_back(line);
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::uint32_t setting(const char* name, std::uint32_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10)) : fallback;
}

}  // namespace robustness
