// The main window driven as a user drives it: focus and tab order, the keys
// that press its buttons, every way of closing it with the client terminated
// on the way out, die and the message box, and the independent lists. Runs on
// the stand-in's demo network, where start-up lists four volumes and fills
// both text boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ControlIds.h"
#include "Driver.h"

namespace {

using namespace orvane;
using Strings = std::vector<std::string>;

// The controls that take the focus, in tab order.
const Strings tabOrder = {"txtContext", "txtUser", "cmdCheck", "cmdClose", "lstVolumes", "lstQuotas", "lstUse"};

// Rows of the demo network's volume list.
constexpr std::size_t demoVolumes = 4;

std::size_t count(const Strings& operations, const std::string& operation) {
    return static_cast<std::size_t>(std::count(operations.begin(), operations.end(), operation));
}

// Moves the focus from txtContext to `name` with Tab, as a user does; a
// focus set from outside would not move the default button along.
void tabTo(driver::Orvane& app, const std::string& name, const driver::Where& where = driver::Where::current()) {
    app.waitFocus("txtContext", where);
    const auto steps = std::find(tabOrder.begin(), tabOrder.end(), name) - tabOrder.begin();
    for (auto step = 1; step <= steps; ++step) {
        app.press(driver::tab, where);
        app.waitFocus(tabOrder[static_cast<std::size_t>(step)], where);
    }
}

// The lookup ran to its end: a row per volume in both lists, the window
// still up, the client not terminated.
void expectLookedUp(driver::Orvane& app, const driver::Where& where = driver::Where::current()) {
    app.waitFor([&] { return !app.running() || app.boxUp() || app.rows(idLstQuotas, where).size() == demoVolumes; },
                "the lookup to fill lstQuotas", where);
    SCOPED_TRACE(testing::Message() << "expected a completed lookup, from line " << where.line());
    ASSERT_TRUE(app.running() && !app.boxUp()) << app.state();
    EXPECT_EQ(app.rows(idLstUse).size(), demoVolumes);
    const Strings operations = app.trace().operations();
    EXPECT_EQ(count(operations, "NWDSResolveName"), 1u);
    EXPECT_EQ(count(operations, "NWCallsTerm"), 0u);
    EXPECT_TRUE(app.shown());
}

// The window was unloaded the ordinary way: Unload's two calls, in the order
// of initialisation, each with its zero byte, once each and last, nothing
// shown, exit status 0.
void expectClosed(driver::Orvane& app, const char* callsTermResult = "0",
                  const driver::Where& where = driver::Where::current()) {
    const DWORD status = app.waitExit(where);
    SCOPED_TRACE(testing::Message() << "expected an ordinary close, from line " << where.line());
    EXPECT_EQ(status, 0u);
    const driver::Trace trace = app.trace();
    const Strings lines = trace.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], std::string("NWCallsTerm zero=0 -> ") + callsTermResult);
    EXPECT_EQ(lines[lines.size() - 1], "NWNetTerm zero=0 -> 0");
    EXPECT_EQ(count(trace.operations(), "NWCallsTerm"), 1u);
    EXPECT_EQ(count(trace.operations(), "NWNetTerm"), 1u);
}

TEST(Focus, StartsInTxtContextAndTabGoesRoundPassingOverTheLabels) {
    driver::Orvane app;
    app.waitShown();
    EXPECT_EQ(app.focus(), "txtContext");
    for (std::size_t step = 1; step <= tabOrder.size(); ++step) {
        app.press(driver::tab);
        app.waitFocus(tabOrder[step % tabOrder.size()]);
    }
}

TEST(Focus, ShiftTabGoesRoundTheOtherWay) {
    driver::Orvane app;
    app.waitShown();
    for (std::size_t step = 1; step <= tabOrder.size(); ++step) {
        app.press(driver::shiftTab);
        app.waitFocus(tabOrder[(tabOrder.size() - step) % tabOrder.size()]);
    }
}

TEST(Focus, DefaultButtonFollowsTheFocusedButtonOnly) {
    driver::Orvane app;
    app.waitShown();
    const auto defaultStyle = [&](int id) { return (app.info(id).style & BS_TYPEMASK) == BS_DEFPUSHBUTTON; };
    EXPECT_TRUE(defaultStyle(idCmdCheck));
    EXPECT_FALSE(defaultStyle(idCmdClose));
    tabTo(app, "cmdClose");
    EXPECT_FALSE(defaultStyle(idCmdCheck));
    EXPECT_TRUE(defaultStyle(idCmdClose));
    app.press(driver::tab);
    app.waitFocus("lstVolumes");
    EXPECT_TRUE(defaultStyle(idCmdCheck));
    EXPECT_FALSE(defaultStyle(idCmdClose));
}

// A key, pressed with the focus on a control, presses one of the buttons.
struct KeyCase {
    const char* name;
    std::string focus;
    driver::Key key;
    bool closes;  // presses cmdClose; otherwise cmdCheck
};

class Keys : public testing::TestWithParam<KeyCase> {};

TEST_P(Keys, PressTheirButton) {
    const KeyCase& c = GetParam();
    driver::Orvane app;
    app.waitShown();
    tabTo(app, c.focus);
    app.press(c.key);
    if (c.closes) {
        expectClosed(app);
    } else {
        expectLookedUp(app);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Window, Keys,
    testing::Values(KeyCase{"EnterInTxtContext", "txtContext", driver::enter, false},
                    KeyCase{"EnterInTxtUser", "txtUser", driver::enter, false},
                    KeyCase{"EnterOnCmdCheck", "cmdCheck", driver::enter, false},
                    KeyCase{"EnterOnCmdClose", "cmdClose", driver::enter, true},
                    KeyCase{"EnterInLstVolumes", "lstVolumes", driver::enter, false},
                    KeyCase{"EnterInLstQuotas", "lstQuotas", driver::enter, false},
                    KeyCase{"EnterInLstUse", "lstUse", driver::enter, false},
                    KeyCase{"EscapeInTxtContext", "txtContext", driver::escape, true},
                    KeyCase{"EscapeOnCmdCheck", "cmdCheck", driver::escape, true},
                    KeyCase{"EscapeInLstUse", "lstUse", driver::escape, true},
                    KeyCase{"AltCInTxtUser", "txtUser", driver::alt('C'), false},
                    KeyCase{"AltCInLstVolumes", "lstVolumes", driver::alt('C'), false},
                    KeyCase{"AltOInTxtContext", "txtContext", driver::alt('O'), true},
                    KeyCase{"AltOOnCmdCheck", "cmdCheck", driver::alt('O'), true},
                    KeyCase{"SpaceOnCmdCheck", "cmdCheck", driver::space, false},
                    KeyCase{"SpaceOnCmdClose", "cmdClose", driver::space, true}),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST(Keys, EscapeWhileTypingInTxtUserClosesAtOnce) {
    driver::Orvane app;
    app.waitShown();
    tabTo(app, "txtUser");
    app.type(L"MBr");
    app.waitFor([&] { return app.text(idTxtUser) == L"MBr"; }, "the typed text in txtUser");
    app.press(driver::escape);
    expectClosed(app);
    EXPECT_EQ(count(app.trace().operations(), "NWDSResolveName"), 0u);
}

TEST(Keys, SpaceInATextBoxTypesABlankAndPressesNoButton) {
    driver::Orvane app;
    app.waitShown();
    // The dialog manager selected the whole text as the focus came in, so
    // the blank replaces it.
    app.press(driver::space);
    app.waitFor([&] { return app.text(idTxtContext) == L" "; }, "a blank in txtContext");
    app.settle();
    EXPECT_TRUE(app.running() && !app.boxUp()) << app.state();
    EXPECT_EQ(count(app.trace().operations(), "NWDSResolveName"), 0u);
    EXPECT_TRUE(app.rows(idLstQuotas).empty());
}

// Every way of unloading the window runs Unload once.
struct CloseCase {
    const char* name;
    void (*close)(driver::Orvane&);
};

class Closing : public testing::TestWithParam<CloseCase> {};

TEST_P(Closing, RunsUnloadThenEndsWithStatusZero) {
    driver::Orvane app;
    app.waitShown();
    GetParam().close(app);
    expectClosed(app);
}

INSTANTIATE_TEST_SUITE_P(
    Window, Closing,
    testing::Values(CloseCase{"CmdCloseClicked", [](driver::Orvane& app) { app.click(idCmdClose); }},
                    CloseCase{"CmdCloseClickedWithTheMouse", [](driver::Orvane& app) { app.mouseClick(idCmdClose); }},
                    CloseCase{"Escape", [](driver::Orvane& app) { app.press(driver::escape); }},
                    CloseCase{"TitleBarClose", [](driver::Orvane& app) { app.titleBarClose(); }},
                    CloseCase{"AltF4", [](driver::Orvane& app) { app.press(driver::altF4); }},
                    CloseCase{"SystemMenuClose",
                              [](driver::Orvane& app) {
                                  app.press(driver::Key{VK_SPACE, false, true});  // Alt+Space opens the menu
                                  app.settle();
                                  app.press(driver::Key{'C'});
                              }}),
    [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST(Closing, FailingNWCallsTermStillLetsNWNetTermRunAndShowsNothing) {
    driver::Orvane app(driver::demoNetwork() + "[faults]\nNWCallsTerm=-1\n");
    app.waitShown();
    app.click(idCmdClose);
    // A message would hold the program up until OK: it ends by itself.
    expectClosed(app, "-1");
}

// die: the failed call's name, " failed : ", the code; then the program ends
// at once, with nothing of its caller run and the client not terminated.
struct DieCase {
    const char* name;
    const char* fault;      // the [faults] entry
    bool inLookup;          // the failure comes in the lookup, after Enter
    const wchar_t* message;
    const char* lastCall;   // the trace ends with it
};

class Die : public testing::TestWithParam<DieCase> {};

TEST_P(Die, ShowsTheFailureThenEndsAtOnce) {
    const DieCase& c = GetParam();
    driver::Orvane app(driver::demoNetwork() + "[faults]\n" + c.fault + "\n");
    if (c.inLookup) {
        app.waitShown();
        app.press(driver::enter);
    }
    const driver::Box box = app.waitBox();
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(box.title, L"Orvane");
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_FALSE(box.icon);
    EXPECT_EQ(app.shown(), c.inLookup) << "a start-up failure never shows the window";
    app.pressOk(box);
    EXPECT_EQ(app.waitExit(), static_cast<DWORD>(exitFailure));
    EXPECT_FALSE(app.shown());
    const Strings lines = app.trace().lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.lastCall) << "nothing runs after die";
}

INSTANTIATE_TEST_SUITE_P(
    Window, Die,
    testing::Values(DieCase{"StartUpNegativeCode", "NWGetDefaultConnectionID=-1", false,
                            L"NWGetDefaultConnectionID failed : -1", "NWGetDefaultConnectionID -> -1"},
                    DieCase{"StartUpPositiveCode", "NWGetDefaultConnectionID=35", false,
                            L"NWGetDefaultConnectionID failed : 35", "NWGetDefaultConnectionID -> 35"},
                    DieCase{"LookupNegativeCode", "NWDSSetContext#2=-1", true, L"NWDSSetContext failed : -1",
                            "NWDSSetContext context=2 key=3 value=\"Sales.Acme\" -> -1"},
                    DieCase{"LookupPositiveCode", "NWDSSetContext#2=35", true, L"NWDSSetContext failed : 35",
                            "NWDSSetContext context=2 key=3 value=\"Sales.Acme\" -> 35"}),
    [](const testing::TestParamInfo<DieCase>& info) { return std::string(info.param.name); });

TEST(Message, BoxIsModalWithTheTitleOneOkButtonAndNoIcon) {
    driver::Orvane app;
    app.waitShown();
    app.setText(idTxtUser, L"");
    const std::size_t callsBefore = app.trace().calls().size();
    app.press(driver::enter);
    const driver::Box box = app.waitBox();
    EXPECT_EQ(box.text, L"Enter a username");
    EXPECT_EQ(box.title, L"Orvane");
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_FALSE(box.icon);
    EXPECT_EQ(GetWindow(box.hwnd, GW_OWNER), app.window());
    EXPECT_FALSE(IsWindowEnabled(app.window())) << "the window takes no input while the box is up";
    app.pressOk(box);
    EXPECT_TRUE(app.running());
    EXPECT_TRUE(IsWindowEnabled(app.window()));
    EXPECT_EQ(app.trace().calls().size(), callsBefore);
    app.click(idCmdClose);
    expectClosed(app);
}

TEST(Lists, SelectingARowInOneLeavesTheOtherTwoAlone) {
    driver::Orvane app;
    app.waitShown();
    app.click(idCmdCheck);
    expectLookedUp(app);
    const auto selections = [&] {
        return std::vector<int>{app.selection(idLstVolumes), app.selection(idLstQuotas), app.selection(idLstUse)};
    };
    ASSERT_EQ(selections(), (std::vector<int>{-1, -1, -1}));
    app.mouseClickRow(idLstVolumes, 1);
    app.waitFor([&] { return app.selection(idLstVolumes) == 1; }, "row 1 of lstVolumes selected");
    app.settle();
    EXPECT_EQ(selections(), (std::vector<int>{1, -1, -1}));
    app.mouseClickRow(idLstUse, 2);
    app.waitFor([&] { return app.selection(idLstUse) == 2; }, "row 2 of lstUse selected");
    app.press(driver::down);
    app.waitFor([&] { return app.selection(idLstUse) == 3; }, "row 3 of lstUse selected");
    app.settle();
    EXPECT_EQ(selections(), (std::vector<int>{1, -1, 3}));
    EXPECT_EQ(app.rows(idLstQuotas).size(), demoVolumes);
}

}  // namespace
