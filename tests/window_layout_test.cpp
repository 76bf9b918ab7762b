// The window's controls: kinds, captions, settings, and places converted from
// twips at the screen's DPI. CTest runs these once at 96 DPI and once more in
// a prefix set to 144 DPI (ORVANE_TEST_DPI tells the test which).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "ControlIds.h"
#include "Driver.h"

namespace {

using namespace orvane;

enum class Kind { textBox, pushButton, label, listBox };

struct Expected {
    int id;
    Kind kind;
    const wchar_t* caption;  // buttons and labels; the boxes and lists are start-up's
    int left, top, width, height;  // twips
    DWORD style;                   // button type or label alignment
};

// The column heading over the three lists: one label whose runs of blanks
// place its three words.
const std::wstring header = L"Volume" + std::wstring(29, L' ') + L"Quota (K)" + std::wstring(17, L' ') + L"In Use (K)";

const Expected controls[] = {
    {idTxtContext, Kind::textBox, nullptr, 840, 120, 3135, 285, 0},
    {idTxtUser, Kind::textBox, nullptr, 840, 480, 3135, 285, 0},
    {idCmdCheck, Kind::pushButton, L"&Check", 4080, 0, 1080, 375, BS_DEFPUSHBUTTON},
    {idLblUser, Kind::label, L"Name", 120, 525, 615, 255, SS_RIGHT},
    {idLblContext, Kind::label, L"Context", 120, 165, 615, 255, SS_RIGHT},
    {idCmdClose, Kind::pushButton, L"Cl&ose", 4080, 480, 1080, 375, BS_PUSHBUTTON},
    {idLstVolumes, Kind::listBox, nullptr, 240, 1200, 1695, 2010, 0},
    {idLstQuotas, Kind::listBox, nullptr, 2040, 1200, 1335, 2010, 0},
    {idLstUse, Kind::listBox, nullptr, 3480, 1200, 1335, 2010, 0},
    {idLblStuff, Kind::label, header.c_str(), 240, 960, 4695, 255, SS_LEFT},
};

int expectedDpi() {
    const char* dpi = std::getenv("ORVANE_TEST_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

int pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

class Layout : public testing::Test {
protected:
    void SetUp() override {
        // A prefix left at another DPI would make both runs test the same.
        ASSERT_EQ(driver::screenDpi(), expectedDpi()) << "the Wine prefix is not at the DPI this run is for";
        app.waitShown();
    }

    driver::Orvane app;
};

TEST_F(Layout, ClientAreaIsTheGivenSizeAtTheScreenDpi) {
    const int dpi = driver::screenDpi();
    RECT client{};
    GetClientRect(app.window(), &client);
    EXPECT_EQ(client.right, pixels(5265, dpi));
    EXPECT_EQ(client.bottom, pixels(3450, dpi));
    wchar_t caption[64] = {};
    GetWindowTextW(app.window(), caption, 64);
    EXPECT_STREQ(caption, L"Orvane");
}

TEST_F(Layout, EachControlStandsAtItsPlaceInTwips) {
    const int dpi = driver::screenDpi();
    for (const Expected& c : controls) {
        SCOPED_TRACE(driver::controlName(c.id));
        const RECT rect = app.info(c.id).rect;
        EXPECT_EQ(rect.left, pixels(c.left, dpi));
        EXPECT_EQ(rect.top, pixels(c.top, dpi));
        EXPECT_EQ(rect.right - rect.left, pixels(c.width, dpi));
        EXPECT_EQ(rect.bottom - rect.top, pixels(c.height, dpi));
    }
}

TEST_F(Layout, EachControlHasItsKindCaptionAndSettings) {
    ASSERT_EQ(header.size(), 71u);
    for (const Expected& c : controls) {
        SCOPED_TRACE(driver::controlName(c.id));
        const driver::ControlInfo info = app.info(c.id);
        EXPECT_TRUE(info.visible);
        EXPECT_TRUE(info.enabled);
        if (c.caption) {
            EXPECT_EQ(info.text, c.caption);
        }
        const DWORD style = info.style;
        const auto isClass = [&](const wchar_t* name) { return _wcsicmp(info.className.c_str(), name) == 0; };
        switch (c.kind) {
        case Kind::textBox:
            EXPECT_TRUE(isClass(L"Edit")) << driver::utf8(info.className);
            EXPECT_FALSE(style & ES_MULTILINE) << "single-line";
            EXPECT_TRUE(style & WS_TABSTOP);
            // No length limit: Edit's own default would cut a long name.
            EXPECT_GE(static_cast<DWORD>(app.sendMessage(c.id, EM_GETLIMITTEXT)), 0x7FFFFFFEu);
            break;
        case Kind::pushButton:
            EXPECT_TRUE(isClass(L"Button")) << driver::utf8(info.className);
            EXPECT_EQ(style & BS_TYPEMASK, c.style);
            EXPECT_TRUE(style & WS_TABSTOP);
            break;
        case Kind::label:
            EXPECT_TRUE(isClass(L"Static")) << driver::utf8(info.className);
            EXPECT_EQ(style & SS_TYPEMASK, c.style);
            EXPECT_FALSE(style & (WS_TABSTOP | WS_BORDER | SS_SUNKEN));
            EXPECT_FALSE(info.exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
            break;
        case Kind::listBox:
            EXPECT_TRUE(isClass(L"ListBox")) << driver::utf8(info.className);
            EXPECT_FALSE(style & LBS_SORT) << "rows stay in the order added";
            EXPECT_FALSE(style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOSEL)) << "one row selectable";
            EXPECT_FALSE(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE));
            EXPECT_TRUE(style & WS_TABSTOP);
            break;
        }
    }
    EXPECT_EQ(app.defaultId(), idCmdCheck);
}

}  // namespace
