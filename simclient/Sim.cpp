// Sim.cpp: nwsim.dll, the core of the stand-in client: the one simulated
// network of the process and the thirteen operations on it, with fault
// injection, chaos mode, the per-call delay and the call trace.
#include "Chaos.h"
#include "Network.h"
#include "NwSim.h"
#include "Trace.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <optional>

namespace nwsim {

namespace {

using netware::DsContext;
using netware::ZeroByte;

constexpr int demoResource = 1;  // RCDATA of nwsim.rc: demo.ini

std::wstring environment(const wchar_t* name) {
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

// Tells a person what is wrong: on standard error, and to a debugger.
void report(const std::wstring& line) {
    OutputDebugStringW((line + L"\n").c_str());
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    DWORD written = 0, mode = 0;
    if (GetConsoleMode(err, &mode)) {
        const std::wstring text = line + L"\r\n";
        WriteConsoleW(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::wstring text = line + L"\n";
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::optional<std::string> readFile(const std::wstring& path, DWORD& error) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return std::nullopt;
    }
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr)) && got > 0) bytes.append(chunk, got);
    error = ok ? 0 : GetLastError();
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

// The built-in demo network: demo.ini, compiled into nwsim.dll.
std::wstring demoText() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&demoText), &self);
    const HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(demoResource), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    const HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return decodeText(std::string_view(static_cast<const char*>(data), SizeofResource(self, found)));
}

double microsSince(const LARGE_INTEGER& start, const LARGE_INTEGER& frequency) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// The name the logged-in user has seen from `context`: relative when the
// user lies beneath it, else absolute with a leading period.
std::string whoAmIText(const Network& net, std::string_view context) {
    if (net.userRaw || !net.userName) return net.user;
    const DsName& user = *net.userName;
    const auto base = splitContext(context);
    if (base && (base->empty() || isBeneath(user, *base))) return joinParts(user, user.size() - base->size());
    return "." + joinParts(user, user.size());
}

// Resolves `name` relative to `context`: a leading period starts at the
// root, and each trailing period goes one container up from the context.
const User* resolve(const Network& net, std::string_view context, std::string_view name) {
    if (name.empty()) return nullptr;
    if (name.front() == '.') {
        const auto full = splitName(name.substr(1));
        return full && !full->empty() ? net.userByName(*full) : nullptr;
    }
    std::size_t up = 0;
    while (!name.empty() && name.back() == '.') {
        name.remove_suffix(1);
        ++up;
    }
    auto full = splitName(name);
    const auto base = splitContext(context);
    if (!full || full->empty() || !base || !net.hasContainer(*base) || up > base->size()) return nullptr;
    full->insert(full->end(), base->begin() + static_cast<std::ptrdiff_t>(up), base->end());
    return net.userByName(*full);
}

// The simulated client of this process. It is never destroyed: a program
// may call the client while it is ending.
struct Client {
    SRWLOCK lock = SRWLOCK_INIT;
    bool loaded = false;
    ResultCode loadCode = 0;
    Network net;
    std::array<std::uint32_t, opCount> calls{};
    std::map<DsContext, std::string> contexts;  // handle -> its name context
    DsContext nextContext = 1;
    std::optional<Chaos> chaos;
    TraceFile trace;
    LARGE_INTEGER frequency{};

    // (Re)reads NWSIM_TRACE and NWSIM_NETWORK and starts over.
    void load() {
        loaded = true;
        calls = {};
        contexts.clear();
        nextContext = 1;
        QueryPerformanceFrequency(&frequency);
        trace.reset(environment(L"NWSIM_TRACE"));

        std::vector<std::wstring> problems;
        const std::wstring path = environment(L"NWSIM_NETWORK");
        if (path.empty()) {
            net = readNetwork(demoText(), L"built-in demo network", problems);
        } else {
            DWORD error = 0;
            if (const auto bytes = readFile(path, error))
                net = readNetwork(decodeText(*bytes), path, problems);
            else
                problems.push_back(L"nwsim: " + path + L": cannot be read (error " + std::to_wstring(error) + L")");
        }
        for (const std::wstring& problem : problems) report(problem);
        loadCode = problems.empty() ? 0 : errDescription;
        if (!problems.empty()) net = Network{};

        chaos.reset();
        if (net.chaosSeed) {
            chaos.emplace(*net.chaosSeed, net.chaosFailures);
            trace.write("# nwsim seed=" + std::to_string(*net.chaosSeed));
        }
    }
};

Client& client() {
    static Client* const instance = new Client;
    return *instance;
}

// One call of an operation, from entry to its trace line: holds the lock,
// counts the call, picks its fault, waits out the delay, writes the line.
class Call {
public:
    enum class Load { ifNeeded, again };

    Call(Op op, Load load = Load::ifNeeded) : line(op), client_(client()) {
        QueryPerformanceCounter(&start_);
        AcquireSRWLockExclusive(&client_.lock);
        if (load == Load::again || !client_.loaded) client_.load();
        const std::uint32_t number = ++client_.calls[static_cast<std::size_t>(op)];
        if (!client_.chaos) fault_ = client_.net.faults[static_cast<std::size_t>(op)].forCall(number);
    }
    ~Call() { ReleaseSRWLockExclusive(&client_.lock); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    TraceLine line;  // the inputs, then run() adds the result, then the outputs

    const Network& net() const { return client_.net; }
    Client& state() { return client_; }

    // Chaos mode decides the result and scrambles the outputs; otherwise a
    // fault without ",write" skips the work, and one with it overrides the
    // work's result. Adds the result to the line.
    template <class Work, class Scramble>
    void run(Work&& work, Scramble&& scramble) {
        if (client_.chaos) {
            rc_ = client_.chaos->code();
            scramble(*client_.chaos);
        } else if (fault_ && !fault_->write) {
            rc_ = fault_->code;
        } else {
            rc_ = work();
            if (fault_) rc_ = fault_->code;
        }
        line.result(rc_);
    }
    template <class Work>
    void run(Work&& work) {
        run(std::forward<Work>(work), [](Chaos&) {});
    }

    ResultCode finish() {
        const double delay = client_.net.delayUs;
        double spent = microsSince(start_, client_.frequency);
        while (spent < delay) {
            YieldProcessor();
            spent = microsSince(start_, client_.frequency);
        }
        if (client_.net.timing) line.micros(spent);
        client_.trace.write(line.str());
        return rc_;
    }

private:
    Client& client_;
    LARGE_INTEGER start_{};
    const Fault* fault_ = nullptr;
    ResultCode rc_ = 0;
};

void zeroByte(TraceLine& line, const char* name, const ZeroByte* zero) {
    if (zero) line.number(name, *zero);
    else line.null(name);
}

ResultCode callsInit(ZeroByte* reserved1, ZeroByte* reserved2) {
    Call call(Op::CallsInit, Call::Load::again);
    zeroByte(call.line, "zero1", reserved1);
    zeroByte(call.line, "zero2", reserved2);
    call.run([&] { return call.state().loadCode; });
    return call.finish();
}

ResultCode netInit(ZeroByte* reserved1, ZeroByte* reserved2) {
    Call call(Op::NetInit);
    zeroByte(call.line, "zero1", reserved1);
    zeroByte(call.line, "zero2", reserved2);
    call.run([] { return ResultCode{0}; });
    return call.finish();
}

ResultCode getDefaultNameContext(std::uint32_t size, char* context) {
    Call call(Op::GetDefaultNameContext);
    call.line.number("size", size);
    std::size_t written = 0;
    call.run(
        [&]() -> ResultCode {
            if (!context) return errNullPointer;
            const std::string& text = call.net().context;
            if (text.size() > size) return errInsufficientBuffer;
            std::memcpy(context, text.data(), text.size());
            written = text.size();
            if (text.size() < size) context[written++] = '\0';
            return 0;
        },
        [&](Chaos& chaos) { written = context ? chaos.name(context, size) : 0; });
    if (written) call.line.text("context", std::string_view(context, strnlen(context, written)));
    return call.finish();
}

ResultCode getDefaultConnectionID(ConnHandle* conn) {
    Call call(Op::GetDefaultConnectionID);
    bool wrote = false;
    call.run(
        [&]() -> ResultCode {
            if (!conn) return errNullPointer;
            if (!call.net().defaultServer) return errNoDefaultServer;
            *conn = call.net().servers[*call.net().defaultServer].conn;
            wrote = true;
            return 0;
        },
        [&](Chaos& chaos) { wrote = conn && chaos.value(conn); });
    if (wrote) call.line.number("conn", *conn);
    return call.finish();
}

ResultCode getVolumeName(ConnHandle conn, std::int16_t volume, char* name) {
    Call call(Op::GetVolumeName);
    call.line.number("conn", conn).number("volume", volume);
    if (name) call.line.text("in", std::string_view(name, netware::volumeNameSize));
    else call.line.null("in");
    bool wrote = false;
    call.run(
        [&]() -> ResultCode {
            if (!name) return errNullPointer;
            const Server* server = call.net().serverByConn(conn);
            if (!server) return errInvalidConnection;
            if (volume < 0 || volume >= netware::maxVolumes || !server->volumes[volume]) return errVolumeDoesNotExist;
            // The name and its NUL only: the rest of the buffer keeps what it had.
            const std::string& text = *server->volumes[volume];
            std::memcpy(name, text.data(), text.size());
            if (text.size() < netware::volumeNameSize) name[text.size()] = '\0';
            wrote = true;
            return 0;
        },
        [&](Chaos& chaos) { wrote = name && chaos.name(name, netware::volumeNameSize); });
    if (wrote) call.line.text("name", std::string_view(name, netware::volumeNameSize));
    return call.finish();
}

ResultCode getObjDiskRestrictions(ConnHandle conn, std::uint8_t volume, ObjectId object,
                                  std::int32_t* restriction, std::int32_t* inUse) {
    Call call(Op::GetObjDiskRestrictions);
    call.line.number("conn", conn).number("volume", volume).number("object", object);
    bool wroteRestriction = false, wroteInUse = false;
    call.run(
        [&]() -> ResultCode {
            if (!restriction || !inUse) return errNullPointer;
            const Server* server = call.net().serverByConn(conn);
            if (!server) return errInvalidConnection;
            const User* user = call.net().userById(object);
            if (!user) return errNoSuchObject;
            if (volume >= netware::maxVolumes || !server->volumes[volume]) return errVolumeDoesNotExist;
            // A user's figures are kept on the user's own server; any other
            // server has no restriction for the user and no files of theirs.
            Quota quota;
            if (&call.net().servers[user->server] == server) quota = user->quotas[volume];
            if (quota.error) return *quota.error;
            *restriction = static_cast<std::int32_t>(quota.restriction);
            *inUse = static_cast<std::int32_t>(quota.inUse);
            wroteRestriction = wroteInUse = true;
            return 0;
        },
        [&](Chaos& chaos) {
            wroteRestriction = restriction && chaos.value(restriction);
            wroteInUse = inUse && chaos.value(inUse);
        });
    if (wroteRestriction) call.line.number("restriction", *restriction);
    if (wroteInUse) call.line.number("inUse", *inUse);
    return call.finish();
}

ResultCode term(Op op, ZeroByte* reserved) {
    Call call(op);
    zeroByte(call.line, "zero", reserved);
    call.run([] { return ResultCode{0}; });
    return call.finish();
}

ResultCode dsCreateContextHandle(DsContext* context) {
    Call call(Op::DSCreateContextHandle);
    bool wrote = false;
    call.run(
        [&]() -> ResultCode {
            if (!context) return errNullPointer;
            // A new handle starts in the workstation's default name context.
            Client& state = call.state();
            const std::string& initial = state.net.context;
            state.contexts[state.nextContext] = initial.substr(0, initial.find('\0'));
            *context = state.nextContext++;
            wrote = true;
            return 0;
        },
        [&](Chaos& chaos) { wrote = context && chaos.value(context); });
    if (wrote) call.line.number("context", *context);
    return call.finish();
}

ResultCode dsSetContext(DsContext context, std::uint32_t key, const char* value) {
    Call call(Op::DSSetContext);
    call.line.number("context", context).number("key", key);
    // Only the name context is text; other keys point at other things.
    if (key == netware::dsNameContextKey) {
        if (value) call.line.text("value", value);
        else call.line.null("value");
    }
    call.run([&]() -> ResultCode {
        const auto it = call.state().contexts.find(context);
        if (it == call.state().contexts.end()) return errBadContext;
        if (key != netware::dsNameContextKey) return errBadKey;
        if (!value) return errNullPointer;
        // Any text serves; a context that does not exist shows at resolution.
        it->second = value;
        return 0;
    });
    return call.finish();
}

ResultCode dsWhoAmI(DsContext context, char* name) {
    Call call(Op::DSWhoAmI);
    call.line.number("context", context);
    bool wrote = false;
    call.run(
        [&]() -> ResultCode {
            if (!name) return errNullPointer;
            const auto it = call.state().contexts.find(context);
            if (it == call.state().contexts.end()) return errBadContext;
            if (call.net().user.empty() && !call.net().userRaw) return errNoSuchEntry;  // nobody logged in
            const std::string text = whoAmIText(call.net(), it->second);
            std::memcpy(name, text.data(), text.size());
            if (text.size() < netware::whoAmISize) name[text.size()] = '\0';
            wrote = true;
            return 0;
        },
        [&](Chaos& chaos) { wrote = name && chaos.name(name, netware::whoAmISize); });
    if (wrote) call.line.text("name", std::string_view(name, netware::whoAmISize));
    return call.finish();
}

ResultCode dsResolveName(DsContext context, const char* name, ConnHandle* conn, ObjectId* object) {
    Call call(Op::DSResolveName);
    call.line.number("context", context);
    if (name) call.line.text("name", name);
    else call.line.null("name");
    bool wroteConn = false, wroteObject = false;
    call.run(
        [&]() -> ResultCode {
            const auto it = call.state().contexts.find(context);
            if (it == call.state().contexts.end()) return errBadContext;
            if (!name || !conn || !object) return errNullPointer;
            const User* user = resolve(call.net(), it->second, name);
            if (!user) return errNoSuchEntry;
            *conn = call.net().servers[user->server].conn;
            *object = user->id;
            wroteConn = wroteObject = true;
            return 0;
        },
        [&](Chaos& chaos) {
            wroteConn = conn && chaos.value(conn);
            wroteObject = object && chaos.value(object);
        });
    if (wroteConn) call.line.number("conn", *conn);
    if (wroteObject) call.line.number("object", *object);
    return call.finish();
}

ResultCode dsFreeContext(DsContext context) {
    Call call(Op::DSFreeContext);
    call.line.number("context", context);
    call.run([&]() -> ResultCode { return call.state().contexts.erase(context) ? 0 : errBadContext; });
    return call.finish();
}

// No exception may cross into the caller, which is not C++.
template <class F>
ResultCode guarded(F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return errNotEnoughMemory;
    }
}

}  // namespace

}  // namespace nwsim

using namespace nwsim;

extern "C" {

ResultCode nwsimCallsInit(ZeroByte* reserved1, ZeroByte* reserved2) {
    return guarded([&] { return callsInit(reserved1, reserved2); });
}
ResultCode nwsimGetDefaultConnectionID(ConnHandle* conn) {
    return guarded([&] { return getDefaultConnectionID(conn); });
}
ResultCode nwsimGetVolumeName(ConnHandle conn, std::int16_t volume, char* name) {
    return guarded([&] { return getVolumeName(conn, volume, name); });
}
ResultCode nwsimGetObjDiskRestrictions(ConnHandle conn, std::uint8_t volume, ObjectId object,
                                       std::int32_t* restriction, std::int32_t* inUse) {
    return guarded([&] { return getObjDiskRestrictions(conn, volume, object, restriction, inUse); });
}
ResultCode nwsimCallsTerm(ZeroByte* reserved) {
    return guarded([&] { return term(Op::CallsTerm, reserved); });
}
ResultCode nwsimNetInit(ZeroByte* reserved1, ZeroByte* reserved2) {
    return guarded([&] { return netInit(reserved1, reserved2); });
}
ResultCode nwsimGetDefaultNameContext(std::uint32_t size, char* context) {
    return guarded([&] { return getDefaultNameContext(size, context); });
}
ResultCode nwsimDSCreateContextHandle(DsContext* context) {
    return guarded([&] { return dsCreateContextHandle(context); });
}
ResultCode nwsimDSSetContext(DsContext context, std::uint32_t key, const char* value) {
    return guarded([&] { return dsSetContext(context, key, value); });
}
ResultCode nwsimDSWhoAmI(DsContext context, char* name) {
    return guarded([&] { return dsWhoAmI(context, name); });
}
ResultCode nwsimDSResolveName(DsContext context, const char* name, ConnHandle* conn, ObjectId* object) {
    return guarded([&] { return dsResolveName(context, name, conn, object); });
}
ResultCode nwsimDSFreeContext(DsContext context) {
    return guarded([&] { return dsFreeContext(context); });
}
ResultCode nwsimNetTerm(ZeroByte* reserved) {
    return guarded([&] { return term(Op::NetTerm, reserved); });
}

}  // extern "C"
