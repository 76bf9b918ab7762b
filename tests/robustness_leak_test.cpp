// Leaks: a thousand lookups in one process leave its kernel handles,
// windows, GDI objects and memory where a warm-up left them, and its heap
// undamaged. The counts come from driver::Census, whose counters move under
// Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "Census.h"
#include "ControlIds.h"
#include "Driver.h"
#include "robustness_support.h"

using namespace orvane;
using driver::Orvane;

namespace {

// The lookups go round these: users on either server, and now and then one
// that does not exist, whose message box comes and goes.
struct Lookup {
    const wchar_t* user;
    const wchar_t* context;
    bool found;
};
const Lookup lookupRound[] = {
    {L"JSmith", L"Sales.Acme", true}, {L"KLee", L"Eng.Acme", true}, {L"Admin", L"Acme", true},
    {L"MBrown", L"Sales.Acme", true}, {L"Nobody", L"Sales.Acme", false},
};
// Each message box costs Wine two seconds without a window manager (it waits
// for one to withdraw the box), so only every 100th lookup shows one.
constexpr int messageEvery = 100;

// Memory may move by a page or two as the heap settles; a leak of a few
// dozen bytes a lookup goes past this over a thousand lookups.
constexpr std::uint64_t memorySlack = 64 * 1024;

TEST(Leaks, AThousandLookupsLeaveNothingBehind) {
    const robustness::ChildStderr reports;
    const std::uint64_t mark = reports.mark();
    Orvane app(driver::demoNetwork());
    DWORD pid = 0;
    GetWindowThreadProcessId(app.waitShown(), &pid);
    const HWND check = app.control(idCmdCheck);

    int done = 0;
    const auto lookups = [&](int count) {
        for (int i = 0; i < count; ++i, ++done) {
            const bool message = done % messageEvery == messageEvery - 1;
            const Lookup& l = message ? lookupRound[std::size(lookupRound) - 1] : lookupRound[done % (std::size(lookupRound) - 1)];
            app.setText(idTxtUser, l.user);
            app.setText(idTxtContext, l.context);
            if (l.found) {
                // Sent: returns once the click's handler has run.
                DWORD_PTR ignored = 0;
                ASSERT_TRUE(SendMessageTimeoutW(check, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, driver::reactionTimeoutMs,
                                                &ignored))
                    << "lookup " << done << " did not end";
            } else {
                app.click(idCmdCheck);
                const driver::Box box = app.waitBox();
                ASSERT_EQ(box.text, L"User or context doesn't exist");
                app.pressOk(box);
            }
        }
    };

    lookups(2 * messageEvery);  // warm-up: every path taken, caches filled
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    app.settle();
    const driver::Census before = driver::takeCensus(pid);
    lookups(1000);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    app.settle();
    const driver::Census after = driver::takeCensus(pid);

    EXPECT_LE(after.kernelHandles, before.kernelHandles) << "before: " << describe(before);
    EXPECT_LE(after.windows, before.windows) << "before: " << describe(before);
    EXPECT_LE(after.gdiObjects, before.gdiObjects) << "before: " << describe(before);
    EXPECT_LE(after.privateBytes, before.privateBytes + memorySlack) << "before: " << describe(before);
    EXPECT_LE(after.committedBytes, before.committedBytes + memorySlack) << "before: " << describe(before);
    std::printf("census before: %s\ncensus after:  %s\n", describe(before).c_str(), describe(after).c_str());

    // The lookups really ran, all of them to their end.
    const driver::Trace trace = app.trace();
    EXPECT_EQ(trace.of("NWDSResolveName").size(), static_cast<std::size_t>(done));
    EXPECT_EQ(trace.of("NWDSFreeContext").size(), static_cast<std::size_t>(done) + 1);  // start-up's too
    app.click(idCmdClose);
    EXPECT_EQ(app.waitExit(), 0u);
    const std::vector<std::string> faults = robustness::faultLines(reports.since(mark), pid);
    EXPECT_TRUE(faults.empty()) << "Wine reported:\n" << robustness::joined(faults);
}

}  // namespace
