// Start-up: what the window shows on opening, how it ends when the client
// cannot be readied, and which client calls it makes.
#include <gtest/gtest.h>

#include "ControlIds.h"
#include "Driver.h"

using namespace orvane;
using driver::Orvane;

namespace {

const std::string office = R"(
[workstation]
context=Sales.Acme
user=JSmith.Sales.Acme
server=FS1
[server FS1]
volume0=SYS
volume1=DATA
[user JSmith.Sales.Acme]
)";

std::vector<std::string> calls(const Orvane& app) { return app.trace().operations(); }

const std::vector<std::string> initCalls{"NWCallsInit", "NWNetInit", "NWGetDefaultNameContext",
                                         "NWGetDefaultConnectionID"};
const std::vector<std::string> volumeCalls{"NWGetVolumeName", "NWGetVolumeName", "NWGetVolumeName"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Test names from the fault's operation ("NWNetInit=-1" gives "NWNetInit").
template <class Info>
std::string faultName(const Info& info) {
    const std::string fault = info.param.fault;
    return fault.substr(0, fault.find_first_of("=#"));
}

// A failure of one of the first four calls: its message, then the end,
// without the window ever shown and without terminating the client.
struct FatalCase {
    const char* fault;
    const wchar_t* message;
    std::vector<std::string> calls;
};

class FatalStartup : public ::testing::TestWithParam<FatalCase> {};

TEST_P(FatalStartup, ShowsItsMessageAndEndsBeforeTheWindowIsShown) {
    const FatalCase& c = GetParam();
    Orvane app(office + "[faults]\n" + c.fault + "\n");
    const driver::Box box = app.waitBox();
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(box.title, appTitle);
    EXPECT_FALSE(app.shown());
    app.pressOk(box);
    EXPECT_EQ(app.waitExit(), static_cast<DWORD>(exitFailure));
    EXPECT_EQ(calls(app), c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FatalStartup,
    ::testing::Values(
        FatalCase{"NWCallsInit=34817", L"NWCallsInit failed - 34817", {"NWCallsInit"}},
        FatalCase{"NWNetInit=-1", L"NWNetInit failed - -1", {"NWCallsInit", "NWNetInit"}},
        FatalCase{"NWGetDefaultNameContext=-330", L"Couldn't get default context (-330)",
                  {"NWCallsInit", "NWNetInit", "NWGetDefaultNameContext"}},
        FatalCase{"NWGetDefaultConnectionID=35", L"NWGetDefaultConnectionID failed : 35", initCalls}),
    [](const auto& info) { return faultName(info); });

// A failure after the volume list: the window opens with what start-up
// could fill in, says nothing, and frees a context handle it created.
struct QuietCase {
    const char* fault;
    const wchar_t* user;
    std::vector<std::string> tail;
};

class QuietStartup : public ::testing::TestWithParam<QuietCase> {};

TEST_P(QuietStartup, OpensTheWindowWithWhatItCouldFillIn) {
    const QuietCase& c = GetParam();
    Orvane app(office + "[faults]\n" + c.fault + "\n");
    app.waitShown();
    EXPECT_EQ(app.focus(), "txtContext");
    EXPECT_EQ(app.text(idTxtContext), L"Sales.Acme");
    EXPECT_EQ(app.text(idTxtUser), c.user);
    EXPECT_EQ(app.rows(idLstVolumes), (std::vector<std::wstring>{L"SYS", L"DATA"}));
    EXPECT_EQ(calls(app), initCalls + volumeCalls + c.tail);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, QuietStartup,
    ::testing::Values(
        QuietCase{"NWDSCreateContextHandle=-1", L"", {"NWDSCreateContextHandle"}},
        QuietCase{"NWDSSetContext=-1", L"", {"NWDSCreateContextHandle", "NWDSSetContext", "NWDSFreeContext"}},
        QuietCase{"NWDSWhoAmI=-1", L"",
                  {"NWDSCreateContextHandle", "NWDSSetContext", "NWDSWhoAmI", "NWDSFreeContext"}},
        QuietCase{"NWDSFreeContext=-1", L"JSmith",
                  {"NWDSCreateContextHandle", "NWDSSetContext", "NWDSWhoAmI", "NWDSFreeContext"}}),
    [](const auto& info) { return faultName(info); });

TEST(Startup, FillsTheWindowAndPassesTheClientWhatItExpects) {
    Orvane app(office);
    app.waitShown();
    EXPECT_EQ(app.text(idTxtContext), L"Sales.Acme");
    EXPECT_EQ(app.text(idTxtUser), L"JSmith");
    EXPECT_EQ(app.rows(idLstVolumes), (std::vector<std::wstring>{L"SYS", L"DATA"}));
    EXPECT_TRUE(app.rows(idLstQuotas).empty());
    EXPECT_TRUE(app.rows(idLstUse).empty());

    const driver::Trace trace = app.trace();
    const std::vector<std::string> userCalls{"NWDSCreateContextHandle", "NWDSSetContext", "NWDSWhoAmI",
                                             "NWDSFreeContext"};
    EXPECT_EQ(trace.operations(), initCalls + volumeCalls + userCalls);
    for (const char* init : {"NWCallsInit", "NWNetInit"}) {
        const driver::Call call = trace.of(init).at(0);
        EXPECT_EQ(call.in("zero1"), "0") << call.line;
        EXPECT_EQ(call.in("zero2"), "0") << call.line;
    }
    EXPECT_EQ(trace.of("NWGetDefaultNameContext").at(0).in("size"), "256");
    const driver::Call setContext = trace.of("NWDSSetContext").at(0);
    EXPECT_EQ(setContext.in("key"), "3");
    EXPECT_EQ(setContext.in("value"), "Sales.Acme");
    // Every volume call goes through the default connection, numbers 0, 1, 2.
    const std::string connection = *trace.of("NWGetDefaultConnectionID").at(0).out("conn");
    const std::vector<driver::Call> volumes = trace.of("NWGetVolumeName");
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        EXPECT_EQ(volumes[i].in("conn"), connection) << volumes[i].line;
        EXPECT_EQ(volumes[i].in("volume"), std::to_string(i)) << volumes[i].line;
    }
    // The context handle freed is the one created.
    EXPECT_EQ(trace.of("NWDSFreeContext").at(0).in("context"),
              trace.of("NWDSCreateContextHandle").at(0).out("context"));
}

// The volume list: row k is volume number k, so the list ends at the first
// number the client has no name for.
struct VolumeCase {
    const char* name;
    std::string servers;  // the [server FS1] section's volumes and any faults
    std::vector<std::wstring> rows;
    int calls;
};

std::string allVolumes() {
    std::string s;
    for (int i = 0; i < 64; ++i) s += "volume" + std::to_string(i) + "=V" + std::to_string(i) + "\n";
    return s;
}

std::vector<std::wstring> allRows() {
    std::vector<std::wstring> rows;
    for (int i = 0; i < 64; ++i) rows.push_back(L"V" + std::to_wstring(i));
    return rows;
}

class VolumeList : public ::testing::TestWithParam<VolumeCase> {};

TEST_P(VolumeList, ListsVolumesFromZeroUntilTheFirstWithoutAName) {
    const VolumeCase& c = GetParam();
    Orvane app("[workstation]\ncontext=Acme\nuser=Admin.Acme\nserver=FS1\n[user Admin.Acme]\n[server FS1]\n" +
               c.servers);
    app.waitShown();
    EXPECT_EQ(app.rows(idLstVolumes), c.rows);
    const std::vector<driver::Call> volumes = app.trace().of("NWGetVolumeName");
    ASSERT_EQ(volumes.size(), static_cast<std::size_t>(c.calls));
    EXPECT_EQ(volumes.back().in("volume"), std::to_string(c.calls - 1));
    // The window goes on to the user's name whatever ended the list.
    EXPECT_EQ(app.text(idTxtUser), L"Admin");
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VolumeList,
    ::testing::Values(VolumeCase{"NoVolumeZero", "volume1=DATA\n", {}, 1},
                      VolumeCase{"GapHidesLaterVolumes", "volume0=SYS\nvolume1=DATA\nvolume3=APPS\n",
                                 {L"SYS", L"DATA"}, 3},
                      VolumeCase{"AllSixtyFourAndNoCallFor64", allVolumes(), allRows(), 64},
                      VolumeCase{"FailedCallWithANameAddsNoRow",
                                 "volume0=SYS\nvolume1=DATA\nvolume2=USERS\n[faults]\nNWGetVolumeName#2=-1,write\n",
                                 {L"SYS"}, 2},
                      VolumeCase{"ShorterNameAfterLongerOne", "volume0=LONGVOLUMENAME\nvolume1=AB\n",
                                 {L"LONGVOLUMENAME", L"AB"}, 3},
                      // A client that fills all 24 bytes with no NUL: the row
                      // is the 24 characters and nothing read beyond them.
                      VolumeCase{"NameWithoutNul", "volume0=hex:" + std::string(48, '5') + "\n",
                                 {std::wstring(24, L'U')}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Startup, VolumeBufferCarriesTheLastNameIntoTheNextCall) {
    Orvane app("[workstation]\ncontext=Acme\nuser=Admin.Acme\nserver=FS1\n[user Admin.Acme]\n"
               "[server FS1]\nvolume0=LONGVOLUMENAME\nvolume1=AB\n");
    app.waitShown();
    const std::vector<driver::Call> volumes = app.trace().of("NWGetVolumeName");
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0].in("in"), std::string(24, '\0'));
    EXPECT_EQ(volumes[1].in("in"), std::string("LONGVOLUMENAME") + std::string(10, '\0'));
    EXPECT_EQ(volumes[2].in("in"), std::string("AB\0GVOLUMENAME", 14) + std::string(10, '\0'));
}

// Raw texts from the client: lengths at the buffers' limits, and characters
// beyond ASCII in the code page (1252 here: E9 is é, C9 is É).
struct TextCase {
    const char* name;
    std::string workstation;
    std::string volume0;
    std::wstring context;
    std::wstring user;
    std::wstring volume;
};

class StartupTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(StartupTexts, ShowsTheClientsTextsWhole) {
    if (GetACP() != 1252) GTEST_SKIP() << "expects code page 1252, have " << GetACP();
    const TextCase& c = GetParam();
    Orvane app("[workstation]\nserver=FS1\n" + c.workstation + "[server FS1]\nvolume0=" + c.volume0 +
               "\n[user Admin.Acme]\n");
    app.waitShown();
    EXPECT_EQ(app.text(idTxtContext), c.context);
    EXPECT_EQ(app.text(idTxtUser), c.user);
    EXPECT_EQ(app.rows(idLstVolumes), std::vector<std::wstring>{c.volume});
    // The context reaches the directory as it was read, whatever it holds.
    EXPECT_EQ(app.trace().of("NWDSSetContext").at(0).in("value"),
              std::string(c.context.begin(), c.context.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupTexts,
    ::testing::Values(
        TextCase{"ContextOf256Bytes", "context=hex:" + std::string(512, '4') + "\nuser=Admin.Acme\n", "SYS",
                 std::wstring(256, L'D'), L".Admin.Acme", L"SYS"},
        TextCase{"EmptyContext", "context=\nuser=Admin.Acme\n", "SYS", L"", L"Admin.Acme", L"SYS"},
        TextCase{"UserNameWithoutNul", "context=Acme\nuser=hex:" + std::string(512, '6') + "\n", "SYS", L"Acme",
                 std::wstring(256, L'f'), L"SYS"},
        TextCase{"BeyondAscii", "context=hex:536f6369e974e92e41636d65\nuser=Admin.Acme\n", "hex:444f4e4ec9455300",
                 L"Soci\u00e9t\u00e9.Acme", L".Admin.Acme", L"DONN\u00c9ES"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
