// The driver's own parts that need no running program: reading the trace and
// making the program's environment.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "Driver.h"

using driver::Trace;
using Strings = std::vector<std::string>;

TEST(Trace, SplitsInputsResultAndOutputs) {
    const Trace trace(
        "# nwsim seed=7\n"
        "NWCallsInit zero1=0 zero2=0 -> 0\n"
        "NWGetDefaultConnectionID -> -1\n"
        "NWDSResolveName context=1 name=\"JSmith\" -> 0 conn=2 object=33554433\r\n"
        "\n"
        "NWGetObjDiskRestrictions conn=2 volume=0 object=33554433 -> 0 restriction=-1 inUse=1234");
    EXPECT_EQ(trace.operations(),
              (Strings{"NWCallsInit", "NWGetDefaultConnectionID", "NWDSResolveName", "NWGetObjDiskRestrictions"}));
    const auto& calls = trace.calls();
    EXPECT_EQ(calls[0].in("zero2"), "0");
    EXPECT_TRUE(calls[1].inputs.empty());
    EXPECT_EQ(calls[1].rc, -1);
    EXPECT_TRUE(calls[1].outputs.empty());
    EXPECT_EQ(calls[2].in("name"), "JSmith");
    EXPECT_EQ(calls[2].out("conn"), "2");
    EXPECT_EQ(calls[2].out("name"), std::nullopt);
    EXPECT_EQ(calls[3].out("restriction"), "-1");
    EXPECT_EQ(calls[2].line, "NWDSResolveName context=1 name=\"JSmith\" -> 0 conn=2 object=33554433");
    ASSERT_EQ(trace.of("NWDSResolveName").size(), 1u);
    EXPECT_EQ(trace.of("NWDSResolveName")[0].out("object"), "33554433");
}

TEST(Trace, QuotedTextsGiveTheBytesTheClientSaw) {
    const Trace trace(
        "NWDSSetContext context=1 key=3 value=\"a -> b=c\\x22\\x5c\\xe9\" -> 0\n"
        "NWGetVolumeName conn=1 volume=0 in=\"\\x00\\x00\" -> 0 name=\"SYS\\x00Y\"\n"
        "NWGetDefaultNameContext size=256 -> 0 context=\"\"");
    ASSERT_EQ(trace.calls().size(), 3u);
    EXPECT_EQ(trace.calls()[0].in("value"), "a -> b=c\"\\\xe9");
    EXPECT_EQ(trace.calls()[0].rc, 0);
    EXPECT_EQ(trace.calls()[1].in("in"), std::string(2, '\0'));
    EXPECT_EQ(trace.calls()[1].out("name"), std::string("SYS\0Y", 5));
    EXPECT_EQ(trace.calls()[2].out("context"), "");
}

TEST(Trace, LineThatDoesNotParseIsReportedAndLeftOut) {
    for (const char* bad : {"NWCallsTerm zero=0", "NWNetTerm zero=0 -> x", "NWDSSetContext value=\"open -> 0",
                            "NWDSSetContext value=\"\\q\" -> 0", "NWCallsTerm zero -> 0"}) {
        SCOPED_TRACE(bad);
        Trace trace;
        EXPECT_NONFATAL_FAILURE(trace = Trace(std::string(bad) + "\nNWNetTerm zero=0 -> 0"), "does not parse");
        EXPECT_EQ(trace.operations(), Strings{"NWNetTerm"});
    }
}

TEST(Environment, OwnVariablesReplaceThoseOfTheSameNameAndBareNamesRemove) {
    const std::wstring block = driver::environmentBlock(
        {L"=C:=C:\\x", L"Path=C:\\windows", L"nwsim_network=old.ini", L"HOME=/root", L"NWSIM_TRACE=old.txt"},
        {L"NWSIM_NETWORK", L"NWSIM_TRACE=new.txt", L"PATH=Z:\\sim;C:\\windows"});
    std::vector<std::wstring> entries;
    for (const wchar_t* entry = block.c_str(); *entry; entry += wcslen(entry) + 1) entries.emplace_back(entry);
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"=C:=C:\\x", L"HOME=/root", L"NWSIM_TRACE=new.txt",
                                                  L"PATH=Z:\\sim;C:\\windows"}));
    EXPECT_EQ(block.substr(block.size() - 2), std::wstring(2, L'\0'));
}

TEST(Environment, UnixPathsOfTheBuildLieOnDriveZ) {
    EXPECT_EQ(driver::winePath("/work/main/build/window/Orvane.exe"), L"Z:\\work\\main\\build\\window\\Orvane.exe");
}
