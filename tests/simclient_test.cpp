// Tests of the stand-in NetWare client through the client's own operations,
// as a program sees it: the DLLs come from <build>/simclient through PATH.
#include "NetWare.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace netware;

namespace {

constexpr ResultCode errDescription = 35071;       // 0x88FF
constexpr ResultCode errInvalidConnection = 34817;  // 0x8801
constexpr ResultCode errNoDefaultServer = 34831;    // 0x880F
constexpr ResultCode errVolumeDoesNotExist = 152;
constexpr ResultCode errNoSuchObject = 252;
constexpr ResultCode errBadKey = -302;
constexpr ResultCode errBadContext = -303;
constexpr ObjectId firstObject = 33554433;          // 0x02000001
constexpr std::uint32_t untouched = 0xDEADBEEF;

std::string readBytes(const std::wstring& path) {
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void writeBytes(const std::wstring& path, std::string_view bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string hexBytes(std::string_view bytes) {
    std::string text;
    char two[3];
    for (char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(c));
        text += two;
    }
    return text;
}

ResultCode callsInit() {
    ZeroByte a = 0, b = 0;
    return NWCallsInit(&a, &b);
}

// Resolves `name` in a new context handle set to `context`.
struct Resolved {
    ResultCode rc;
    ConnHandle conn;
    ObjectId object;
};
Resolved resolveIn(const char* context, const char* name) {
    DsContext handle = 0;
    EXPECT_EQ(NWDSCreateContextHandle(&handle), 0);
    EXPECT_EQ(NWDSSetContext(handle, dsNameContextKey, context), 0);
    Resolved r{0, untouched, untouched};
    r.rc = NWDSResolveName(handle, name, &r.conn, &r.object);
    EXPECT_EQ(NWDSFreeContext(handle), 0);
    return r;
}

// The logged-in user's name as seen from `context`: the whole buffer.
std::string whoAmIIn(const char* context, char fill = '\0') {
    DsContext handle = 0;
    EXPECT_EQ(NWDSCreateContextHandle(&handle), 0);
    if (context) {
        EXPECT_EQ(NWDSSetContext(handle, dsNameContextKey, context), 0);
    }
    std::string buffer(whoAmISize, fill);
    EXPECT_EQ(NWDSWhoAmI(handle, buffer.data()), 0);
    EXPECT_EQ(NWDSFreeContext(handle), 0);
    return buffer;
}

struct Quota {
    ResultCode rc;
    std::int32_t restriction, inUse;
};
Quota quotaOf(ConnHandle conn, std::uint8_t volume, ObjectId object) {
    Quota q{0, static_cast<std::int32_t>(untouched), static_cast<std::int32_t>(untouched)};
    q.rc = NWGetObjDiskRestrictions(conn, volume, object, &q.restriction, &q.inUse);
    return q;
}

// Each test gets a directory of its own for its description and trace, and
// loads the network afresh with NWCallsInit.
class SimClient : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::wstring(temp) + L"nwsim-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::wstring(info->name(), info->name() + std::strlen(info->name()));
        CreateDirectoryW(dir_.c_str(), nullptr);
        tracePath_ = dir_ + L"\\trace.txt";
        networkPath_ = dir_ + L"\\network.ini";
        DeleteFileW(tracePath_.c_str());  // left by a run that did not finish
        SetEnvironmentVariableW(L"NWSIM_NETWORK", nullptr);
        SetEnvironmentVariableW(L"NWSIM_TRACE", tracePath_.c_str());
    }

    void TearDown() override {
        // Loading again closes the trace file, so that it can go.
        SetEnvironmentVariableW(L"NWSIM_NETWORK", nullptr);
        SetEnvironmentVariableW(L"NWSIM_TRACE", nullptr);
        callsInit();
        DeleteFileW(tracePath_.c_str());
        DeleteFileW(networkPath_.c_str());
        DeleteFileW((dir_ + L"\\stderr.txt").c_str());
        RemoveDirectoryW(dir_.c_str());
    }

    // Writes the description and makes it the network of the next NWCallsInit.
    void useNetwork(std::string_view ini) {
        writeBytes(networkPath_, ini);
        SetEnvironmentVariableW(L"NWSIM_NETWORK", networkPath_.c_str());
    }

    // Loads `ini`; the test fails if it does not load.
    void load(std::string_view ini) {
        useNetwork(ini);
        ASSERT_EQ(callsInit(), 0) << ini;
    }

    std::vector<std::string> traceLines() const {
        std::vector<std::string> lines;
        std::istringstream in(readBytes(tracePath_));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    void clearTrace() const { writeBytes(tracePath_, ""); }

    // What the stand-in writes to standard error while `f` runs.
    template <class F>
    std::string stderrOf(F&& f) {
        const std::wstring path = dir_ + L"\\stderr.txt";
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
        const HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
        SetStdHandle(STD_ERROR_HANDLE, file);
        f();
        SetStdHandle(STD_ERROR_HANDLE, saved);
        CloseHandle(file);
        return readBytes(path);
    }

    std::wstring dir_, tracePath_, networkPath_;
};

// A small tree: Acme with Sales (JSmith, and a deeper Team), Eng (KLee, whose
// files are on FS2), an empty container, and a user at the top.
constexpr const char* tree = R"(
[workstation]
context=Sales.Acme
user=JSmith.Sales.Acme
server=FS1
[server FS1]
volume0=SYS
volume1=DATA
[server FS2]
volume0=SYS
volume1=ENG
volume2=BUILD
[context Empty.Acme]
[user JSmith.Sales.Acme]
restriction0=25600
inUse0=1234
[user Boss.Acme]
[user KLee.Eng.Acme]
server=FS2
restriction2=100
inUse2=200
[user Ann.Team.Sales.Acme]
)";

// ---------------------------------------------------------------------------

TEST_F(SimClient, DemoNetworkIsWhatTheReadmeDescribes) {
    ASSERT_EQ(callsInit(), 0);
    ZeroByte a = 0, b = 0;
    EXPECT_EQ(NWNetInit(&a, &b), 0);

    char context[257] = {};
    ASSERT_EQ(NWGetDefaultNameContext(256, context), 0);
    EXPECT_STREQ(context, "Sales.Acme");
    ConnHandle conn = 0;
    ASSERT_EQ(NWGetDefaultConnectionID(&conn), 0);
    EXPECT_EQ(conn, 1u);

    // SYS DATA USERS APPS, a gap, then ARCHIVE.
    const std::vector<std::pair<ResultCode, std::string>> volumes = {
        {0, "SYS"}, {0, "DATA"}, {0, "USERS"}, {0, "APPS"}, {errVolumeDoesNotExist, ""}, {0, "ARCHIVE"},
        {errVolumeDoesNotExist, ""}};
    for (std::size_t v = 0; v < volumes.size(); ++v) {
        char name[24] = {};
        EXPECT_EQ(NWGetVolumeName(conn, static_cast<std::int16_t>(v), name), volumes[v].first) << v;
        EXPECT_EQ(std::string(name), volumes[v].second) << v;
    }
    EXPECT_EQ(whoAmIIn(nullptr).c_str(), std::string("JSmith"));

    struct Row {
        const char* context;
        const char* user;
        ConnHandle conn;
        std::uint8_t volume;
        Quota quota;
    };
    const Row rows[] = {
        {"Sales.Acme", "JSmith", 1, 0, {0, 25600, 1234}},
        {"Sales.Acme", "JSmith", 1, 1, {0, 256000, 183500}},
        {"Sales.Acme", "JSmith", 1, 2, {0, 1073741824, 52000}},  // no restriction
        {"Sales.Acme", "JSmith", 1, 3, {255, -1, -1}},            // the call fails
        {"Sales.Acme", "JSmith", 1, 5, {0, 5, 1}},
        {"Sales.Acme", "MBrown", 1, 1, {0, 51200, 64000}},       // usage above the restriction
        {"Sales.Acme", "MBrown", 1, 3, {0, 0, 0}},
        {"Acme", "Admin", 1, 0, {0, 1073741824, 310000}},
        {"Eng.Acme", "KLee", 2, 1, {0, 512000, 300000}},         // through the second server
        {"Eng.Acme", "KLee", 2, 3, {errVolumeDoesNotExist, -1, -1}},
        {"Eng.Acme", "PJones", 1, 1, {0, 102400, 0}},
        {"Temp.Acme", ".JSmith.Sales.Acme", 1, 0, {0, 25600, 1234}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.user) + " in " + row.context + " volume " + std::to_string(row.volume));
        const Resolved r = resolveIn(row.context, row.user);
        ASSERT_EQ(r.rc, 0);
        EXPECT_EQ(r.conn, row.conn);
        const Quota q = quotaOf(r.conn, row.volume, r.object);
        EXPECT_EQ(q.rc, row.quota.rc);
        if (row.quota.rc == 0) {
            EXPECT_EQ(q.restriction, row.quota.restriction);
            EXPECT_EQ(q.inUse, row.quota.inUse);
        } else {
            EXPECT_EQ(static_cast<std::uint32_t>(q.restriction), untouched);
            EXPECT_EQ(static_cast<std::uint32_t>(q.inUse), untouched);
        }
    }
    EXPECT_EQ(resolveIn("Temp.Acme", "JSmith").rc, errNoSuchEntry);
}

TEST_F(SimClient, ResolvesNamesAsADirectoryUserExpects) {
    load(tree);
    // Objects count up from 0x02000001 in the order of the description.
    const ObjectId jsmith = firstObject, boss = firstObject + 1, klee = firstObject + 2, ann = firstObject + 3;
    struct Case {
        const char* context;
        const char* name;
        ResultCode rc;
        ConnHandle conn = 0;
        ObjectId object = 0;
    };
    const Case cases[] = {
        {"Sales.Acme", "JSmith", 0, 1, jsmith},
        {"Sales.Acme", "jsmith", 0, 1, jsmith},                   // case does not matter
        {"SALES.acme", "JSMITH", 0, 1, jsmith},
        {"Acme", "JSmith.Sales", 0, 1, jsmith},                   // relative, several parts
        {"Sales.Acme", "Team", errNoSuchEntry},                   // a container is not a user
        {"Sales.Acme", "Ann.Team", 0, 1, ann},
        {"Sales.Acme", ".JSmith.Sales.Acme", 0, 1, jsmith},       // absolute
        {"Empty.Acme", ".Boss.Acme", 0, 1, boss},
        {"Nowhere.Acme", ".JSmith.Sales.Acme", 0, 1, jsmith},     // absolute: the context is not used
        {"Sales.Acme", "Boss.", 0, 1, boss},                      // a trailing period goes one up
        {"Team.Sales.Acme", "Boss..", 0, 1, boss},
        {"", "JSmith.Sales.Acme", 0, 1, jsmith},                  // the root
        {"[Root]", "Boss.Acme", 0, 1, boss},
        {".Sales.Acme", "JSmith", 0, 1, jsmith},
        {"OU=Sales.O=Acme", "CN=JSmith", 0, 1, jsmith},           // typed names
        {"Sales.Acme", ".CN=JSmith.OU=Sales.O=Acme", 0, 1, jsmith},
        {"Eng.Acme", "KLee", 0, 2, klee},                         // the second server's connection
        {"Sales.Acme", "Nobody", errNoSuchEntry},
        {"Sales.Acme", "KLee", errNoSuchEntry},                   // another context's user
        {"Nowhere.Acme", "JSmith", errNoSuchEntry},               // the context does not exist
        {"Empty.Acme", "JSmith", errNoSuchEntry},
        {"Sales.Acme", "", errNoSuchEntry},
        {"Sales.Acme", " JSmith", errNoSuchEntry},                // blanks are part of the name
        {"Sales.Acme", "JSmith..Acme", errNoSuchEntry},
        {"Sales.Acme", "CN=", errNoSuchEntry},
        {"Acme", "Boss...", errNoSuchEntry},                      // above the root
        {"Sales.Acme", ".", errNoSuchEntry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.name + "\" in \"" + c.context + "\"");
        const Resolved r = resolveIn(c.context, c.name);
        EXPECT_EQ(r.rc, c.rc);
        EXPECT_EQ(r.conn, c.rc ? untouched : c.conn);
        EXPECT_EQ(r.object, c.rc ? untouched : c.object);
    }
}

TEST_F(SimClient, WhoAmIGivesANameThatResolvesInTheHandlesContext) {
    load(tree);
    struct Case {
        const char* context;  // nullptr: the new handle's own, the default context
        const char* name;
    };
    const Case cases[] = {
        {nullptr, "JSmith"},
        {"Sales.Acme", "JSmith"},
        {"sales.ACME", "JSmith"},
        {"Acme", "JSmith.Sales"},
        {"", "JSmith.Sales.Acme"},
        {"Eng.Acme", ".JSmith.Sales.Acme"},
        {"Team.Sales.Acme", ".JSmith.Sales.Acme"},
        {"Nowhere", ".JSmith.Sales.Acme"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context ? c.context : "(default)");
        // The name and its NUL are written, nothing behind them.
        const std::string buffer = whoAmIIn(c.context, 'x');
        const std::size_t length = std::strlen(c.name);
        EXPECT_EQ(buffer.substr(0, length + 1), std::string(c.name, length + 1));
        EXPECT_EQ(buffer.substr(length + 1), std::string(whoAmISize - length - 1, 'x'));
        const Resolved r = resolveIn(c.context ? c.context : "Sales.Acme", c.name);
        EXPECT_EQ(r.rc, 0);
        EXPECT_EQ(r.object, firstObject);
    }
}

TEST_F(SimClient, ContextHandlesCountUpAndUnknownOnesAreRefused) {
    load(tree);
    DsContext first = 0, second = 0;
    ASSERT_EQ(NWDSCreateContextHandle(&first), 0);
    ASSERT_EQ(NWDSCreateContextHandle(&second), 0);
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(NWDSSetContext(first, dsNameContextKey, ""), 0);  // any text, the empty one too
    EXPECT_EQ(NWDSSetContext(first, dsNameContextKey, "No.Such.Context"), 0);
    EXPECT_EQ(NWDSSetContext(first, 4, "x"), errBadKey);
    EXPECT_EQ(NWDSFreeContext(first), 0);
    EXPECT_EQ(NWDSFreeContext(first), errBadContext);
    EXPECT_EQ(NWDSFreeContext(77), errBadContext);
    EXPECT_EQ(NWDSSetContext(first, dsNameContextKey, "Acme"), errBadContext);
    char name[whoAmISize];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(NWDSWhoAmI(first, name), errBadContext);
    EXPECT_EQ(name[0], 'x');
    ConnHandle conn = untouched;
    ObjectId object = untouched;
    EXPECT_EQ(NWDSResolveName(first, "JSmith", &conn, &object), errBadContext);
    EXPECT_EQ(conn, untouched);
    // A freed handle's number is not given out again.
    DsContext third = 0;
    ASSERT_EQ(NWDSCreateContextHandle(&third), 0);
    EXPECT_EQ(third, 3u);

    // Loading again starts over.
    ASSERT_EQ(callsInit(), 0);
    ASSERT_EQ(NWDSCreateContextHandle(&third), 0);
    EXPECT_EQ(third, 1u);
}

TEST_F(SimClient, VolumeNameWritesTheNameAndItsNulOnly) {
    load(R"(
[workstation]
server=FS1
[server FS1]
volume0=LONGER_VOLUME_NAME
volume1=SYS
volume2=
volume63=LAST
)");
    char name[24];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(NWGetVolumeName(1, 0, name), 0);
    EXPECT_EQ(std::string(name, 24), std::string("LONGER_VOLUME_NAME\0xxxxx", 24));
    ASSERT_EQ(NWGetVolumeName(1, 1, name), 0);
    EXPECT_EQ(std::string(name, 24), std::string("SYS\0ER_VOLUME_NAME\0xxxxx", 24));
    ASSERT_EQ(NWGetVolumeName(1, 2, name), 0);  // an empty name: just the NUL
    EXPECT_EQ(std::string(name, 24), std::string("\0YS\0ER_VOLUME_NAME\0xxxxx", 24));
    ASSERT_EQ(NWGetVolumeName(1, 63, name), 0);
    EXPECT_STREQ(name, "LAST");

    // Failures write nothing.
    const std::string before(name, 24);
    const struct {
        ConnHandle conn;
        std::int16_t volume;
        ResultCode rc;
    } failures[] = {
        {1, 3, errVolumeDoesNotExist}, {1, 64, errVolumeDoesNotExist}, {1, -1, errVolumeDoesNotExist},
        {2, 0, errInvalidConnection},  {0, 0, errInvalidConnection},
    };
    for (const auto& f : failures) {
        EXPECT_EQ(NWGetVolumeName(f.conn, f.volume, name), f.rc) << f.conn << " " << f.volume;
        EXPECT_EQ(std::string(name, 24), before);
    }
}

TEST_F(SimClient, RawOutputsFillWholeBuffersAndKeepExactValues) {
    const std::string context256(256, 'C');
    const std::string user256 = std::string(255, 'U') + "\xFF";
    load("[workstation]\ncontext=hex:" + hexBytes(context256) + "\nuser=hex:" + hexBytes(user256) +
         "\nserver=FS1\n"
         "[server FS1]\n"
         "volume0=hex:" + hexBytes(std::string(24, 'V')) + "\n"
         "volume1=hex:41 00 42 43\n"
         "volume2=hex:e4\n"
         "volume3=D\n"
         "volume4=E\n"
         "[user Values.Acme]\n"
         "restriction0=0\n"           "inUse0=5\n"
         "restriction1=1073741824\n"  "inUse1=0x7FFFFFFF\n"
         "restriction2=0x80000000\n"  "inUse2=0xFFFFFFFF\n"
         "restriction3=4294967295\n"  "inUse3=-2147483648\n"
         "[user Fails.Acme]\n"
         "error0=-1\n"
         "error1=0\n");              // success, yet nothing written

    // 256 non-zero bytes: all 256 written, no NUL, byte 256 left alone.
    std::string contextBuffer(257, '*');
    ASSERT_EQ(NWGetDefaultNameContext(256, contextBuffer.data()), 0);
    EXPECT_EQ(contextBuffer, context256 + "*");
    // The same context does not fit a smaller buffer, and nothing is written.
    std::string small(100, '*');
    EXPECT_EQ(NWGetDefaultNameContext(100, small.data()), -649);
    EXPECT_EQ(small, std::string(100, '*'));

    // The raw user name fills the whole WhoAmI buffer, whatever the context.
    EXPECT_EQ(whoAmIIn(nullptr, '*'), user256);
    EXPECT_EQ(whoAmIIn("Acme", '*'), user256);

    struct Volume {
        std::int16_t number;
        std::string bytes;
    };
    const Volume volumes[] = {
        {0, std::string(24, 'V')},                                  // no NUL inside the buffer
        {1, std::string("A\0BC\0*******************", 24)},       // exact bytes, NUL included
        {2, std::string("\xE4\0**********************", 24)},
    };
    for (const Volume& v : volumes) {
        std::string name(24, '*');
        ASSERT_EQ(NWGetVolumeName(1, v.number, name.data()), 0);
        EXPECT_EQ(name, v.bytes) << v.number;
    }

    const Resolved values = resolveIn("Acme", "Values");
    ASSERT_EQ(values.rc, 0);
    const Quota expected[] = {
        {0, 0, 5},
        {0, 1073741824, 0x7FFFFFFF},
        {0, INT32_MIN, -1},
        {0, -1, INT32_MIN},
        {0, 1073741824, 0},  // nothing given: no restriction, nothing in use
    };
    for (std::uint8_t v = 0; v < 5; ++v) {
        const Quota q = quotaOf(1, v, values.object);
        EXPECT_EQ(q.rc, 0);
        EXPECT_EQ(q.restriction, expected[v].restriction) << int(v);
        EXPECT_EQ(q.inUse, expected[v].inUse) << int(v);
    }
    const Resolved fails = resolveIn("Acme", "Fails");
    ASSERT_EQ(fails.rc, 0);
    for (const auto& [volume, rc] : {std::pair<std::uint8_t, ResultCode>{0, -1}, std::pair<std::uint8_t, ResultCode>{1, 0}}) {
        const Quota q = quotaOf(1, volume, fails.object);
        EXPECT_EQ(q.rc, rc) << int(volume);
        EXPECT_EQ(static_cast<std::uint32_t>(q.restriction), untouched);
        EXPECT_EQ(static_cast<std::uint32_t>(q.inUse), untouched);
    }
}

TEST_F(SimClient, DiskRestrictionFailuresWriteNothing) {
    load(tree);
    const ObjectId jsmith = firstObject, klee = firstObject + 2;
    struct Case {
        const char* what;
        ConnHandle conn;
        std::uint8_t volume;
        ObjectId object;
        Quota expected;
    };
    const Case cases[] = {
        {"the user's own server", 1, 0, jsmith, {0, 25600, 1234}},
        {"the second server", 2, 2, klee, {0, 100, 200}},
        {"another server has no figures for the user", 1, 1, klee, {0, 1073741824, 0}},
        {"unknown connection", 9, 0, jsmith, {errInvalidConnection, -1, -1}},
        {"unknown object", 1, 0, 12345, {errNoSuchObject, -1, -1}},
        {"volume the server lacks", 1, 2, jsmith, {errVolumeDoesNotExist, -1, -1}},
        {"volume beyond 63", 1, 200, jsmith, {errVolumeDoesNotExist, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Quota q = quotaOf(c.conn, c.volume, c.object);
        EXPECT_EQ(q.rc, c.expected.rc);
        if (c.expected.rc) {
            EXPECT_EQ(static_cast<std::uint32_t>(q.restriction), untouched);
            EXPECT_EQ(static_cast<std::uint32_t>(q.inUse), untouched);
        } else {
            EXPECT_EQ(q.restriction, c.expected.restriction);
            EXPECT_EQ(q.inUse, c.expected.inUse);
        }
    }
}

TEST_F(SimClient, EveryOperationTakesAFault) {
    // Each operation in turn fails with -77 on every call, writing nothing.
    const char* operations[] = {
        "NWCallsInit", "NWNetInit", "NWGetDefaultNameContext", "NWGetDefaultConnectionID", "NWGetVolumeName",
        "NWDSCreateContextHandle", "NWDSSetContext", "NWDSWhoAmI", "NWDSResolveName", "NWGetObjDiskRestrictions",
        "NWDSFreeContext", "NWCallsTerm", "NWNetTerm"};
    for (const char* op : operations) {
        SCOPED_TRACE(op);
        useNetwork(std::string(tree) + "[faults]\n" + op + "=-77\n");
        const bool failsInit = std::strcmp(op, "NWCallsInit") == 0;
        ASSERT_EQ(callsInit(), failsInit ? -77 : 0);
        const auto expect = [&](const char* name) { return std::strcmp(op, name) == 0 ? -77 : 0; };

        ZeroByte a = 0, b = 0;
        EXPECT_EQ(NWNetInit(&a, &b), expect("NWNetInit"));
        std::string context(257, '*');
        EXPECT_EQ(NWGetDefaultNameContext(256, context.data()), expect("NWGetDefaultNameContext"));
        EXPECT_EQ(context[0], expect("NWGetDefaultNameContext") ? '*' : 'S');
        ConnHandle conn = untouched;
        EXPECT_EQ(NWGetDefaultConnectionID(&conn), expect("NWGetDefaultConnectionID"));
        EXPECT_EQ(conn, expect("NWGetDefaultConnectionID") ? untouched : 1u);
        std::string volume(24, '*');
        EXPECT_EQ(NWGetVolumeName(1, 0, volume.data()), expect("NWGetVolumeName"));
        EXPECT_EQ(volume[0], expect("NWGetVolumeName") ? '*' : 'S');
        DsContext handle = untouched;
        EXPECT_EQ(NWDSCreateContextHandle(&handle), expect("NWDSCreateContextHandle"));
        EXPECT_EQ(handle, expect("NWDSCreateContextHandle") ? untouched : 1u);
        if (handle == untouched) handle = 1;  // the calls below then meet no handle
        const ResultCode noHandle = expect("NWDSCreateContextHandle") ? errBadContext : 0;
        EXPECT_EQ(NWDSSetContext(handle, dsNameContextKey, "Sales.Acme"),
                  expect("NWDSSetContext") ? -77 : noHandle);
        std::string who(whoAmISize, '*');
        EXPECT_EQ(NWDSWhoAmI(handle, who.data()), expect("NWDSWhoAmI") ? -77 : noHandle);
        EXPECT_EQ(who[0], expect("NWDSWhoAmI") || noHandle ? '*' : 'J');
        ConnHandle resolved = untouched;
        ObjectId object = untouched;
        EXPECT_EQ(NWDSResolveName(handle, "JSmith", &resolved, &object),
                  expect("NWDSResolveName") ? -77 : noHandle);
        EXPECT_EQ(object, expect("NWDSResolveName") || noHandle ? untouched : firstObject);
        const Quota q = quotaOf(1, 0, firstObject);
        EXPECT_EQ(q.rc, expect("NWGetObjDiskRestrictions"));
        EXPECT_EQ(static_cast<std::uint32_t>(q.restriction), q.rc ? untouched : 25600u);
        EXPECT_EQ(NWDSFreeContext(handle), expect("NWDSFreeContext") ? -77 : noHandle);
        EXPECT_EQ(NWCallsTerm(&a), expect("NWCallsTerm"));
        EXPECT_EQ(NWNetTerm(&a), expect("NWNetTerm"));
    }
}

TEST_F(SimClient, FaultsForTheNthCallAndWithWrite) {
    load(std::string(tree) +
         "[faults]\n"
         "NWGetVolumeName#2=-5\n"
         "NWGetVolumeName#3=-6,write\n"
         "NWDSResolveName=0\n"           // success, yet nothing written
         "NWDSFreeContext#1=-9\n"        // the handle stays
         "NWGetObjDiskRestrictions=0x8801,write\n");
    char name[24];
    std::memset(name, '*', sizeof name);
    const struct {
        std::int16_t volume;
        ResultCode rc;
        const char* after;
    } calls[] = {
        {0, 0, "SYS"},    // call 1
        {1, -5, "SYS"},   // call 2: fails, writes nothing
        {1, -6, "DATA"},  // call 3: writes, then fails
        {1, 0, "DATA"},   // call 4
        {0, 0, "SYS"},
    };
    for (const auto& c : calls) {
        EXPECT_EQ(NWGetVolumeName(1, c.volume, name), c.rc);
        EXPECT_STREQ(name, c.after);
    }

    DsContext handle = 0;
    ASSERT_EQ(NWDSCreateContextHandle(&handle), 0);
    ConnHandle conn = untouched;
    ObjectId object = untouched;
    EXPECT_EQ(NWDSResolveName(handle, "JSmith", &conn, &object), 0);
    EXPECT_EQ(conn, untouched);
    EXPECT_EQ(object, untouched);
    EXPECT_EQ(NWDSFreeContext(handle), -9);
    EXPECT_EQ(NWDSFreeContext(handle), 0);
    EXPECT_EQ(NWDSFreeContext(handle), errBadContext);

    const Quota q = quotaOf(1, 0, firstObject);
    EXPECT_EQ(q.rc, errInvalidConnection);
    EXPECT_EQ(q.restriction, 25600);
    EXPECT_EQ(q.inUse, 1234);

    // Call counting starts over when the network is loaded again.
    ASSERT_EQ(callsInit(), 0);
    EXPECT_EQ(NWGetVolumeName(1, 0, name), 0);
    EXPECT_EQ(NWGetVolumeName(1, 0, name), -5);
}

TEST_F(SimClient, TraceShowsEveryCallOfBothLibrariesInOrder) {
    load(R"(
[workstation]
context=O=Acme
user=JSmith.Acme
server=FS1
[server FS1]
volume0=hex:20 22 5c 7e 7f 80 ff 41
volume1=DATA
[user JSmith.Acme]
restriction0=25600
inUse0=1234
restriction1=0xFFFFFFFF
inUse1=0x80000000
[faults]
NWGetVolumeName#2=-5
NWGetObjDiskRestrictions#2=-9,write
)");
    clearTrace();
    ZeroByte zero1 = 0, zero2 = 7;
    ASSERT_EQ(NWCallsInit(&zero1, &zero1), 0);
    NWNetInit(&zero1, &zero2);
    char context[257] = {};
    NWGetDefaultNameContext(256, context);
    ConnHandle conn = 0;
    NWGetDefaultConnectionID(&conn);
    char volume[24] = {};
    NWGetVolumeName(conn, 0, volume);
    NWGetVolumeName(conn, 1, volume);
    DsContext handle = 0;
    NWDSCreateContextHandle(&handle);
    NWDSSetContext(handle, dsNameContextKey, context);
    char who[whoAmISize] = {};
    NWDSWhoAmI(handle, who);
    ObjectId object = 0;
    NWDSResolveName(handle, who, &conn, &object);
    std::int32_t restriction = 0, inUse = 0;
    NWGetObjDiskRestrictions(conn, 0, object, &restriction, &inUse);
    NWGetObjDiskRestrictions(conn, 1, object, &restriction, &inUse);
    NWDSResolveName(handle, "Tab\there \"q\" \\", &conn, &object);
    NWDSFreeContext(handle);
    NWCallsTerm(&zero1);
    NWNetTerm(&zero2);

    const auto nuls = [](std::size_t n) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text += "\\x00";
        return text;
    };
    const std::string volume0 = " \\x22\\x5c~\\x7f\\x80\\xffA" + nuls(16);
    const std::vector<std::string> expected = {
        "NWCallsInit zero1=0 zero2=0 -> 0",
        "NWNetInit zero1=0 zero2=7 -> 0",
        "NWGetDefaultNameContext size=256 -> 0 context=\"O=Acme\"",
        "NWGetDefaultConnectionID -> 0 conn=1",
        "NWGetVolumeName conn=1 volume=0 in=\"" + nuls(24) + "\" -> 0 name=\"" + volume0 + "\"",
        "NWGetVolumeName conn=1 volume=1 in=\"" + volume0 + "\" -> -5",
        "NWDSCreateContextHandle -> 0 context=1",
        "NWDSSetContext context=1 key=3 value=\"O=Acme\" -> 0",
        "NWDSWhoAmI context=1 -> 0 name=\"JSmith" + nuls(250) + "\"",
        "NWDSResolveName context=1 name=\"JSmith\" -> 0 conn=1 object=33554433",
        "NWGetObjDiskRestrictions conn=1 volume=0 object=33554433 -> 0 restriction=25600 inUse=1234",
        "NWGetObjDiskRestrictions conn=1 volume=1 object=33554433 -> -9 restriction=-1 inUse=-2147483648",
        "NWDSResolveName context=1 name=\"Tab\\x09here \\x22q\\x22 \\x5c\" -> -601",
        "NWDSFreeContext context=1 -> 0",
        "NWCallsTerm zero=0 -> 0",
        "NWNetTerm zero=7 -> 0",
    };
    EXPECT_EQ(traceLines(), expected);
}

TEST_F(SimClient, DelayAndTiming) {
    load(std::string(tree) + "[client]\ndelay_us=20000\ntiming=1\n");
    clearTrace();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ConnHandle conn = 0;
    for (int i = 0; i < 5; ++i) ASSERT_EQ(NWGetDefaultConnectionID(&conn), 0);
    QueryPerformanceCounter(&end);
    EXPECT_GE(static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart, 5 * 0.020);

    const auto lines = traceLines();
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines) {
        const std::string prefix = "NWGetDefaultConnectionID -> 0 conn=1 us=";
        ASSERT_EQ(line.substr(0, prefix.size()), prefix);
        EXPECT_GE(std::stod(line.substr(prefix.size())), 20000.0) << line;
    }
}

TEST_F(SimClient, MalformedDescriptionIsReportedAndLoadsNothing) {
    struct Case {
        std::string ini;
        std::string message;  // what the line on standard error must contain
    };
    const Case cases[] = {
        {"[printer P1]\n", "line 1: [printer P1]: unknown section"},
        {"[workstation]\ncolour=blue\n", "line 2: [workstation] colour: unknown key"},
        {"[server FS1]\nvolume0=SYS\n[user A.B]\nserver=FS1\nrestriction0=lots\n",
         "line 5: [user A.B] restriction0: 'lots' is not a number"},
        {"[server FS1]\nvolume0=SYS\n[user A.B]\nserver=FS1\ninUse0=0x123456789\n",
         "[user A.B] inUse0: '0x123456789' is not a number"},
        {"[server FS1]\nvolume64=BIG\n", "line 2: [server FS1] volume64: volume number outside 0-63"},
        {"[server FS1]\nvolumeX=BIG\n", "[server FS1] volumeX: unknown key"},
        {"[server FS1]\nvolume0=" + std::string(24, 'V') + "\n", "[server FS1] volume0: longer than its buffer allows"},
        {"[server FS1]\nvolume0=hex:" + hexBytes(std::string(25, 'V')) + "\n",
         "[server FS1] volume0: longer than its buffer allows"},
        {"[workstation]\ncontext=" + std::string(256, 'C') + "\n", "[workstation] context: longer than its buffer"},
        {"[workstation]\nuser=hex:" + hexBytes(std::string(257, 'U')) + "\n", "[workstation] user: longer than"},
        {"[server FS1]\nvolume0=hex:123\n", "[server FS1] volume0: hex: needs two digits per byte"},
        {"[faults]\nNWFrobnicate=-1\n", "line 2: [faults] NWFrobnicate: no operation of that name"},
        {"[faults]\nNWGetVolumeName#0=-1\n", "[faults] NWGetVolumeName#0: the call number after '#' counts from 1"},
        {"[faults]\nNWGetVolumeName=-1,always\n", "[faults] NWGetVolumeName: only ',write' may follow"},
        {"[client]\nchaos=seed\n", "[client] chaos: 'seed' is not a number"},
        {"[workstation]\nserver=FS9\n", "[workstation] server: no [server FS9] section"},
        {"[server FS1]\nvolume0=SYS\n[user A.B]\nserver=FS1\nrestriction1=5\n",
         "[user A.B] restriction1: server FS1 has no volume 1"},
        {"[server FS1]\n[user A..B]\nserver=FS1\n", "[user A..B]: not a dotted name"},
        {"[server FS1]\nvolume0=SYS\nvolume0=DATA\n", "line 3: [server FS1] volume0: duplicate key"},
        {"context=Acme\n", "line 1: a key outside any section"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        useNetwork(c.ini);
        ResultCode rc = 0;
        const std::string err = stderrOf([&] { rc = callsInit(); });
        EXPECT_EQ(rc, errDescription);
        EXPECT_NE(err.find("nwsim: " + narrow(networkPath_) + " line"), std::string::npos) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        // Nothing is invented: the network is empty.
        ConnHandle conn = untouched;
        EXPECT_EQ(NWGetDefaultConnectionID(&conn), errNoDefaultServer);
        char context[257];
        std::memset(context, '*', sizeof context);
        EXPECT_EQ(NWGetDefaultNameContext(256, context), 0);
        EXPECT_EQ(context[0], '\0');
    }

    // A file that cannot be read.
    const std::wstring missing = dir_ + L"\\missing.ini";
    SetEnvironmentVariableW(L"NWSIM_NETWORK", missing.c_str());
    ResultCode rc = 0;
    const std::string err = stderrOf([&] { rc = callsInit(); });
    EXPECT_EQ(rc, errDescription);
    EXPECT_NE(err.find("nwsim: " + narrow(missing) + ": cannot be read"), std::string::npos) << err;
}

TEST_F(SimClient, DescriptionTextIsConvertedToTheAnsiCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, have " << GetACP();
    // UTF-16 with a byte-order mark, as Notepad saves "Unicode".
    const std::wstring text = L"[workstation]\r\ncontext=Verk\u00E4ufe.Acme\r\nserver=FS1\r\n"
                              L"[server FS1]\r\nvolume0=\u00C4RCHIV ; a comment\r\n";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    writeBytes(networkPath_, bytes);
    SetEnvironmentVariableW(L"NWSIM_NETWORK", networkPath_.c_str());
    ASSERT_EQ(callsInit(), 0);
    char context[257] = {};
    ASSERT_EQ(NWGetDefaultNameContext(256, context), 0);
    EXPECT_STREQ(context, "Verk\xE4ufe.Acme");
    char name[24] = {};
    ASSERT_EQ(NWGetVolumeName(1, 0, name), 0);
    EXPECT_STREQ(name, "\xC4RCHIV");

    // A character the code page lacks is a problem, not a look-alike.
    useNetwork("\xEF\xBB\xBF[server FS1]\nvolume0=\xC4\x80RCHIV\n");  // UTF-8, U+0100
    ResultCode rc = 0;
    const std::string err = stderrOf([&] { rc = callsInit(); });
    EXPECT_EQ(rc, errDescription);
    EXPECT_NE(err.find("[server FS1] volume0: has characters outside the ANSI code page"), std::string::npos) << err;
}

TEST(SimClientFiles, EachDllSaysItIsTheSimulatedClient) {
    for (const wchar_t* dll : {L"calwin32.dll", L"netwin32.dll", L"nwsim.dll"}) {
        SCOPED_TRACE(narrow(dll));
        const HMODULE module = GetModuleHandleW(dll);  // loaded with the test program
        ASSERT_NE(module, nullptr);
        wchar_t path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(module, path, MAX_PATH), 0u);
        DWORD ignored = 0;
        std::vector<char> info(GetFileVersionInfoSizeW(path, &ignored));
        ASSERT_FALSE(info.empty());
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()));
        const auto value = [&](const wchar_t* key) {
            wchar_t* text = nullptr;
            UINT length = 0;
            const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
            if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
                return std::string();
            return narrow(text);
        };
        EXPECT_EQ(value(L"FileDescription"), "Orvane stand-in NetWare client (simulated, not the real client)");
        EXPECT_EQ(value(L"OriginalFilename"), narrow(dll));
    }
}

// ---------------------------------------------------------------------------
// Chaos mode

// Calls every operation `rounds` times and logs each result and output.
std::string exercise(int rounds) {
    std::ostringstream log;
    for (int i = 0; i < rounds; ++i) {
        ZeroByte a = 0, b = 0;
        log << NWNetInit(&a, &b) << ' ';
        std::string context(257, '*');
        log << NWGetDefaultNameContext(256, context.data()) << hexBytes(context) << ' ';
        ConnHandle conn = untouched;
        log << NWGetDefaultConnectionID(&conn) << ':' << conn << ' ';
        std::string volume(24, '*');
        log << NWGetVolumeName(conn, static_cast<std::int16_t>(i % 64), volume.data()) << hexBytes(volume) << ' ';
        DsContext handle = untouched;
        log << NWDSCreateContextHandle(&handle) << ':' << handle << ' ';
        log << NWDSSetContext(handle, dsNameContextKey, "Sales.Acme") << ' ';
        std::string who(whoAmISize, '*');
        log << NWDSWhoAmI(handle, who.data()) << hexBytes(who) << ' ';
        ObjectId object = untouched;
        log << NWDSResolveName(handle, "JSmith", &conn, &object) << ':' << conn << ':' << object << ' ';
        std::int32_t restriction = 1, inUse = 2;
        log << NWGetObjDiskRestrictions(conn, static_cast<std::uint8_t>(i % 64), object, &restriction, &inUse) << ':'
            << restriction << ':' << inUse << ' ';
        log << NWDSFreeContext(handle) << ' ' << NWCallsTerm(&a) << ' ' << NWNetTerm(&a) << '\n';
    }
    return log.str();
}

TEST_F(SimClient, ChaosIsDeterministicForASeed) {
    // NWCallsInit's own result is chaos too, so it is part of the record.
    useNetwork("[client]\nchaos=12345\n");
    const auto run = [] {
        const ResultCode init = callsInit();  // loading again starts over
        return std::to_string(init) + " " + exercise(50);
    };
    const std::string first = run();
    EXPECT_EQ(run(), first);

    useNetwork("[client]\nchaos=54321\n");
    EXPECT_NE(run(), first);

    const auto lines = traceLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "# nwsim seed=12345");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "# nwsim seed=54321"), lines.end());
}

TEST_F(SimClient, ChaosStaysInsideBuffersAndCoversTheHostileCases) {
    useNetwork("[client]\nchaos=7\n");
    SetEnvironmentVariableW(L"NWSIM_TRACE", nullptr);
    callsInit();

    // Each buffer sits between guard bytes that no call may touch.
    constexpr std::size_t guard = 32;
    const auto guarded = [](std::size_t size) { return std::string(guard, 'G') + std::string(size, '*') + std::string(guard, 'G'); };
    const auto guardsIntact = [&](const std::string& b) {
        return b.substr(0, guard) == std::string(guard, 'G') && b.substr(b.size() - guard) == std::string(guard, 'G');
    };

    std::set<ResultCode> codes, resolveCodes;
    bool nameWithoutNul = false, nameWithNul = false, emptyName = false, untouchedName = false;
    bool highByte = false, lowByte = false, contextFull = false;
    std::set<std::uint32_t> values;
    for (int i = 0; i < 2000; ++i) {
        std::string context = guarded(257);
        codes.insert(NWGetDefaultNameContext(256, context.data() + guard));
        ASSERT_TRUE(guardsIntact(context));
        ASSERT_EQ(context[guard + 256], '*') << "the byte behind the 256 told is never written";
        contextFull |= context.substr(guard, 256).find('\0') == std::string::npos &&
                       context.substr(guard, 256).find('*') == std::string::npos;

        std::string volume = guarded(24);
        codes.insert(NWGetVolumeName(1, 0, volume.data() + guard));
        ASSERT_TRUE(guardsIntact(volume));
        const std::string name = volume.substr(guard, 24);
        const auto nul = name.find('\0');
        untouchedName |= name == std::string(24, '*');
        nameWithoutNul |= nul == std::string::npos && name.find('*') == std::string::npos;
        nameWithNul |= nul != std::string::npos && nul > 0;
        emptyName |= nul == 0;
        for (char c : name.substr(0, nul)) {
            highByte |= static_cast<unsigned char>(c) == 0xFF;
            lowByte |= c == '\x01';
        }

        std::string who = guarded(whoAmISize);
        codes.insert(NWDSWhoAmI(1, who.data() + guard));
        ASSERT_TRUE(guardsIntact(who));

        ConnHandle conn = untouched;
        ObjectId object = untouched;
        resolveCodes.insert(NWDSResolveName(1, "JSmith", &conn, &object));
        std::int32_t restriction = static_cast<std::int32_t>(untouched), inUse = static_cast<std::int32_t>(untouched);
        codes.insert(NWGetObjDiskRestrictions(conn, 0, object, &restriction, &inUse));
        values.insert(static_cast<std::uint32_t>(restriction));
        values.insert(static_cast<std::uint32_t>(inUse));
    }
    EXPECT_TRUE(codes.count(0));
    EXPECT_GT(codes.size(), 5u);
    EXPECT_TRUE(resolveCodes.count(0));
    EXPECT_TRUE(resolveCodes.count(errNoSuchEntry));
    EXPECT_TRUE(nameWithoutNul);
    EXPECT_TRUE(nameWithNul);
    EXPECT_TRUE(emptyName);
    EXPECT_TRUE(untouchedName);
    EXPECT_TRUE(highByte);
    EXPECT_TRUE(lowByte);
    EXPECT_TRUE(contextFull);
    for (std::uint32_t extreme : {0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1073741824u, untouched})
        EXPECT_TRUE(values.count(extreme)) << extreme;
}

}  // namespace
