// The quota lookup: what Check shows for a user, the messages that end it
// early, the failures that end the program, and the calls it makes.
#include <gtest/gtest.h>

#include "ControlIds.h"
#include "Driver.h"

using namespace orvane;
using driver::Orvane;
using Rows = std::vector<std::wstring>;

namespace {

// FS1 has three volumes; JSmith's figures differ on each, KLee lives on FS2,
// which has no volume 2.
const std::string office = R"(
[workstation]
context=Sales.Acme
user=JSmith.Sales.Acme
server=FS1
[server FS1]
volume0=SYS
volume1=DATA
volume2=USERS
[server FS2]
volume0=SYS
volume1=ENG
[user JSmith.Sales.Acme]
restriction0=25600
inUse0=1234
restriction1=51200
inUse1=64000
inUse2=52000
[user MBrown.Sales.Acme]
restriction0=100
inUse0=7
restriction1=200
inUse1=8
restriction2=300
inUse2=9
[user KLee.Eng.Acme]
server=FS2
restriction0=10
inUse0=1
restriction1=20
inUse1=2
)";

const Rows jsmithQuotas{L"102400", L"204800", L"4294967296"};
const Rows jsmithUse{L"4936", L"256000", L"208000"};

// The calls made since the window came up.
std::vector<driver::Call> callsSince(const driver::Trace& trace, std::size_t start) {
    return {trace.calls().begin() + static_cast<std::ptrdiff_t>(start), trace.calls().end()};
}

std::vector<std::string> operations(const std::vector<driver::Call>& calls) {
    std::vector<std::string> ops;
    for (const driver::Call& c : calls) ops.push_back(c.operation);
    return ops;
}

class Lookup : public ::testing::Test {
protected:
    void open(const std::string& network = office) {
        app_.emplace(network);
        app_->waitShown();
        startupCalls_ = app_->trace().calls().size();
    }
    Orvane& app() { return *app_; }
    void check(const std::wstring& user, const std::wstring& context) {
        const std::size_t before = app().trace().calls().size();
        app().setText(idTxtUser, user);
        app().setText(idTxtContext, context);
        app().click(idCmdCheck);
        app().waitLookup(before);
    }
    std::vector<driver::Call> lookupCalls() { return callsSince(app().trace(), startupCalls_); }
    void expectBoxAndOk(const std::wstring& text) {
        const driver::Box box = app().waitBox();
        EXPECT_EQ(box.text, text);
        app().pressOk(box);
    }

    std::optional<Orvane> app_;
    std::size_t startupCalls_ = 0;
};

TEST_F(Lookup, EnterListsTheLoggedInUsersRestrictionAndUseInK) {
    open();
    app().press(driver::enter);  // the focus is in txtContext
    app().waitLookup(startupCalls_);
    EXPECT_EQ(app().rows(idLstQuotas), jsmithQuotas);
    EXPECT_EQ(app().rows(idLstUse), jsmithUse);

    const std::vector<driver::Call> calls = lookupCalls();
    EXPECT_EQ(operations(calls), (std::vector<std::string>{"NWDSCreateContextHandle", "NWDSSetContext",
                                                           "NWDSResolveName", "NWGetObjDiskRestrictions",
                                                           "NWGetObjDiskRestrictions", "NWGetObjDiskRestrictions",
                                                           "NWDSFreeContext"}));
    EXPECT_EQ(calls[1].in("key"), "3");
    EXPECT_EQ(calls[1].in("value"), "Sales.Acme");
    EXPECT_EQ(calls[2].in("name"), "JSmith");
    for (int v = 0; v < 3; ++v) {
        const driver::Call& q = calls[3 + v];
        EXPECT_EQ(q.in("conn"), calls[2].out("conn")) << q.line;
        EXPECT_EQ(q.in("object"), calls[2].out("object")) << q.line;
        EXPECT_EQ(q.in("volume"), std::to_string(v)) << q.line;
    }
    EXPECT_EQ(calls[6].in("context"), calls[0].out("context"));
}

TEST_F(Lookup, EnterFromAListStartsTheLookupToo) {
    open();
    for (int i = 0; i < 4; ++i) app().press(driver::tab);
    app().waitFocus("lstVolumes");
    app().press(driver::enter);
    app().waitLookup(startupCalls_);
    EXPECT_EQ(app().rows(idLstQuotas), jsmithQuotas);
}

// The two boxes are checked before any client call; an early end leaves
// the lists as the last completed lookup left them.
struct EarlyEndCase {
    const char* name;
    std::wstring user, context;
    std::wstring message;
    bool freesContext;  // whether the lookup got as far as a context handle
};

class LookupEndsEarly : public Lookup, public ::testing::WithParamInterface<EarlyEndCase> {};

TEST_P(LookupEndsEarly, ShowsItsMessageAndLeavesTheListsAsTheyWere) {
    const EarlyEndCase& c = GetParam();
    open();
    check(L"JSmith", L"Sales.Acme");
    ASSERT_EQ(app().rows(idLstQuotas), jsmithQuotas);
    const std::size_t before = app().trace().calls().size();

    app().setText(idTxtUser, c.user);
    app().setText(idTxtContext, c.context);
    app().click(idCmdCheck);
    expectBoxAndOk(c.message);
    app().settle();

    EXPECT_EQ(app().rows(idLstQuotas), jsmithQuotas);
    EXPECT_EQ(app().rows(idLstUse), jsmithUse);
    EXPECT_EQ(app().text(idTxtUser), c.user);
    EXPECT_EQ(app().text(idTxtContext), c.context);
    const std::vector<std::string> ops = operations(callsSince(app().trace(), before));
    if (c.freesContext)
        EXPECT_EQ(ops, (std::vector<std::string>{"NWDSCreateContextHandle", "NWDSSetContext", "NWDSResolveName",
                                                 "NWDSFreeContext"}));
    else
        EXPECT_TRUE(ops.empty()) << ops.front();
    EXPECT_TRUE(app().shown());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LookupEndsEarly,
    ::testing::Values(EarlyEndCase{"BothEmpty", L"", L"", L"Enter a username", false},
                      EarlyEndCase{"UserEmpty", L"", L"Sales.Acme", L"Enter a username", false},
                      EarlyEndCase{"ContextEmpty", L"JSmith", L"", L"Enter a context", false},
                      EarlyEndCase{"NoSuchUser", L"Nobody", L"Sales.Acme", L"User or context doesn't exist", true},
                      EarlyEndCase{"NoSuchContext", L"JSmith", L"Nowhere.Acme", L"User or context doesn't exist",
                                   true},
                      EarlyEndCase{"BlanksAreAName", L"   ", L"Sales.Acme", L"User or context doesn't exist",
                                   true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lookup, BlanksReachTheClientUnchanged) {
    open();
    check(L"  JSmith ", L" Sales.Acme  ");
    expectBoxAndOk(L"User or context doesn't exist");
    const std::vector<driver::Call> calls = lookupCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[1].in("value"), " Sales.Acme  ");
    EXPECT_EQ(calls[2].in("name"), "  JSmith ");
}

// A failure of one of the first three calls ends the program at once
// through die: nothing runs after it, not even the client's termination.
struct DieCase {
    const char* name;
    const char* fault;
    const wchar_t* message;
    const char* lastCall;
};

class LookupDies : public Lookup, public ::testing::WithParamInterface<DieCase> {};

TEST_P(LookupDies, ReportsTheFailedCallAndEndsAtOnce) {
    const DieCase& c = GetParam();
    open(office + "[faults]\n" + c.fault + "\n");
    app().click(idCmdCheck);
    expectBoxAndOk(c.message);
    EXPECT_EQ(app().waitExit(), static_cast<DWORD>(exitFailure));
    const std::vector<driver::Call> calls = lookupCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().operation, c.lastCall);
    EXPECT_NE(calls.back().rc, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LookupDies,
    ::testing::Values(
        // The first context handle is start-up's.
        DieCase{"CreateContext", "NWDSCreateContextHandle#2=-1", L"NWDSCreateContext failed : -1",
                "NWDSCreateContextHandle"},
        DieCase{"SetContext", "NWDSSetContext#2=35", L"NWDSSetContext failed : 35", "NWDSSetContext"},
        DieCase{"ResolveName", "NWDSResolveName=-602", L"NWDSResolveName failed : -602", "NWDSResolveName"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lookup, ASecondLookupReplacesTheRows) {
    open();
    check(L"JSmith", L"Sales.Acme");
    check(L"MBrown", L"Sales.Acme");
    EXPECT_EQ(app().rows(idLstQuotas), (Rows{L"400", L"800", L"1200"}));
    EXPECT_EQ(app().rows(idLstUse), (Rows{L"28", L"32", L"36"}));
}

TEST_F(Lookup, UserOnAnotherServerIsQueriedThroughItsOwnConnection) {
    open();
    check(L".KLee.Eng.Acme", L"Sales.Acme");
    const std::vector<driver::Call> calls = lookupCalls();
    const std::string resolved = *calls.at(2).out("conn");
    EXPECT_NE(resolved, *app().trace().of("NWGetDefaultConnectionID").at(0).out("conn"));
    for (const driver::Call& q : app().trace().of("NWGetObjDiskRestrictions")) EXPECT_EQ(q.in("conn"), resolved);
    // FS2 has no volume 2: its call fails, and that row stays empty.
    EXPECT_EQ(app().rows(idLstQuotas), (Rows{L"40", L"80", L""}));
    EXPECT_EQ(app().rows(idLstUse), (Rows{L"4", L"8", L""}));
}

TEST_F(Lookup, ContextOtherThanTheDefaultIsTheOneResolvedIn) {
    open();
    check(L"KLee", L"Eng.Acme");
    const std::vector<driver::Call> calls = lookupCalls();
    EXPECT_EQ(calls.at(1).in("value"), "Eng.Acme");
    EXPECT_EQ(calls.at(2).rc, 0);
    EXPECT_EQ(app().rows(idLstQuotas), (Rows{L"40", L"80", L""}));
}

TEST_F(Lookup, ShowsEveryValueTimesFourWithoutOverflow) {
    open(R"(
[workstation]
context=Acme
user=Admin.Acme
server=FS1
[server FS1]
volume0=A
volume1=B
volume2=C
[user Admin.Acme]
restriction0=0
inUse0=5
restriction1=1073741824
inUse1=0xFFFFFFFF
restriction2=0x7FFFFFFF
inUse2=0x80000000
)");
    check(L"Admin", L"Acme");
    EXPECT_EQ(app().rows(idLstQuotas), (Rows{L"0", L"4294967296", L"8589934588"}));
    EXPECT_EQ(app().rows(idLstUse), (Rows{L"20", L"-4", L"-8589934592"}));
}

// A volume whose call fails gets empty rows, so no other volume's numbers
// stand beside it; its neighbours keep theirs.
TEST_F(Lookup, FailedVolumeGetsEmptyRows) {
    open(office + "[faults]\nNWGetObjDiskRestrictions#2=-1,write\n");
    check(L"JSmith", L"Sales.Acme");
    EXPECT_EQ(app().rows(idLstQuotas), (Rows{L"102400", L"", L"4294967296"}));
    EXPECT_EQ(app().rows(idLstUse), (Rows{L"4936", L"", L"208000"}));
}

TEST_F(Lookup, NoVolumesClearsTheListsAndStillFreesTheContext) {
    open("[workstation]\ncontext=Acme\nuser=Admin.Acme\nserver=FS1\n[server FS1]\n[user Admin.Acme]\n");
    check(L"Admin", L"Acme");
    EXPECT_TRUE(app().rows(idLstQuotas).empty());
    EXPECT_EQ(operations(lookupCalls()), (std::vector<std::string>{"NWDSCreateContextHandle", "NWDSSetContext",
                                                                   "NWDSResolveName", "NWDSFreeContext"}));
}

TEST_F(Lookup, CharacterOutsideTheCodePageReachesTheClientAsDefaultCharacter) {
    if (GetACP() != 1252) GTEST_SKIP() << "expects code page 1252, have " << GetACP();
    open();
    // U+0100 would best-fit to "A"; "\u00c5" is in the code page.
    check(L"\u0100dmin", L"\u00c5.Acme");
    expectBoxAndOk(L"User or context doesn't exist");
    const std::vector<driver::Call> calls = lookupCalls();
    EXPECT_EQ(calls.at(1).in("value"), "\xC5.Acme");
    EXPECT_EQ(calls.at(2).in("name"), "?dmin");
}

}  // namespace
