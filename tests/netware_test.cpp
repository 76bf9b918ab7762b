// Conversions between the window's wide text and the client's ANSI text.
#include "AnsiText.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace netware;

TEST(AnsiText, RoundTripsTextOfTheCodePage) {
    const std::wstring text = L"OU=Sales.O=Acme  with blanks, punctuation: ;.=!";
    EXPECT_EQ(ansiCopy(text), std::string(text.begin(), text.end()));
    EXPECT_EQ(wideText(ansiCopy(text)), text);
}

TEST(AnsiText, EmptyTextGivesEmptyCopy) {
    EXPECT_EQ(ansiCopy(L""), "");
    EXPECT_STREQ(ansiCopy(L"").c_str(), "");
}

TEST(AnsiText, CharacterOutsideCodePageBecomesDefaultCharNotLookAlike) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, have " << GetACP();
    // U+0100 (A with macron) has a best fit of "A" in 1252; it must not get it.
    EXPECT_EQ(ansiCopy(L"\u0100dmin"), "?dmin");
    // U+00C5 is in 1252 and stays itself.
    EXPECT_EQ(ansiCopy(L"\u00C5sa"), "\xC5sa");
}

TEST(AnsiText, LongTextIsCopiedWhole) {
    const std::wstring text(1'000'000, L'x');
    const std::string ansi = ansiCopy(text);
    ASSERT_EQ(ansi.size(), text.size());
    EXPECT_EQ(ansi.find_first_not_of('x'), std::string::npos);
}

TEST(AnsiText, FixedBuffersKeepTheirSize) {
    EXPECT_EQ(ansiBuffer(std::wstring(24, L'\0'), 24), std::string(24, '\0'));
    EXPECT_EQ(ansiBuffer(L"SYS", 24), std::string("SYS") + std::string(21, '\0'));
    EXPECT_EQ(ansiBuffer(std::wstring(30, L'v'), 24), std::string(24, 'v'));
    // Everything behind the client's NUL comes back too.
    EXPECT_EQ(wideText(std::string("AB\0CD", 5)), std::wstring(L"AB\0CD", 5));
    EXPECT_EQ(fixedWidth(L"ab", 4), L"ab  ");
    EXPECT_EQ(fixedWidth(L"abcdef", 4), L"abcd");
}
