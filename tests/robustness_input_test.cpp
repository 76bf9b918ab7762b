// Hostile input: texts of a million characters, characters that the ANSI
// code page lacks, blanks and punctuation, and texts beyond ASCII both ways
// between the window and the client, in whichever code page the program
// runs (tests/robustness.cmake runs the code-page tests again in 1251).
#include <gtest/gtest.h>

#include <windows.h>

#include "ControlIds.h"
#include "Driver.h"
#include "robustness_support.h"

using namespace orvane;
using driver::Orvane;

namespace {

std::vector<driver::Call> callsSince(const driver::Trace& trace, std::size_t start) {
    return {trace.calls().begin() + static_cast<std::ptrdiff_t>(start), trace.calls().end()};
}

// Opens the program with Wine's heap checking on, and at the end checks
// that Wine reported no fault of its heap.
class Input : public ::testing::Test {
protected:
    void open(const std::string& network) {
        app_.emplace(network);
        GetWindowThreadProcessId(app_->waitShown(), &pid_);
        startupCalls_ = app_->trace().calls().size();
    }
    void TearDown() override {
        if (app_ && app_->running() && app_->window() && !app_->boxUp()) {
            app_->click(idCmdClose);
            EXPECT_EQ(app_->waitExit(), 0u);
        }
        app_.reset();
        const std::vector<std::string> faults = robustness::faultLines(reports_.since(mark_), pid_);
        EXPECT_TRUE(faults.empty()) << "Wine reported:\n" << robustness::joined(faults);
    }
    Orvane& app() { return *app_; }

    // Types both texts and presses Check; gives the lookup's calls once it
    // has ended, with the message it showed closed.
    std::vector<driver::Call> check(const std::wstring& user, const std::wstring& context,
                                    const std::wstring& message) {
        const std::size_t before = app().trace().calls().size();
        app().setText(idTxtUser, user);
        app().setText(idTxtContext, context);
        app().click(idCmdCheck);
        if (!message.empty()) {
            const driver::Box box = app().waitBox();
            EXPECT_EQ(box.text, message);
            app().pressOk(box);
            app().settle();
        } else {
            app().waitLookup(before);
        }
        return callsSince(app().trace(), before);
    }

    const robustness::ChildStderr reports_;
    const std::uint64_t mark_ = reports_.mark();
    std::optional<Orvane> app_;
    DWORD pid_ = 0;
    std::size_t startupCalls_ = 0;
};

// A text in which every character is told by its place: a character lost,
// doubled or moved shows.
std::wstring numbered(std::size_t length, wchar_t first) {
    static constexpr wchar_t alphabet[] = L"abcdefghijklmnopqrstuvwxyz0123456789.-";
    constexpr std::size_t size = std::size(alphabet) - 1;
    std::wstring text(length, L'\0');
    for (std::size_t i = 0; i < length; ++i) text[i] = alphabet[(i + (first - L'a')) % size];
    return text;
}

std::string narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

TEST_F(Input, MillionCharacterNameAndContextReachTheClientWhole) {
    open(driver::demoNetwork());
    constexpr std::size_t length = 1'000'000;
    const std::wstring user = numbered(length, L'a');
    const std::wstring context = numbered(length, L'k');
    const std::vector<driver::Call> calls = check(user, context, L"User or context doesn't exist");
    EXPECT_EQ(app().text(idTxtUser).size(), length);
    ASSERT_GE(calls.size(), 3u);
    const std::string sentContext = calls[1].in("value").value_or("");
    const std::string sentUser = calls[2].in("name").value_or("");
    EXPECT_EQ(sentContext.size(), length);
    EXPECT_EQ(sentUser.size(), length);
    // Compared whole, but not printed whole if they differ.
    EXPECT_TRUE(sentContext == narrow(context)) << "the context differs from character "
                                                << std::mismatch(sentContext.begin(), sentContext.end(),
                                                                 context.begin(), context.end()).first -
                                                       sentContext.begin();
    EXPECT_TRUE(sentUser == narrow(user)) << "the name differs from character "
                                          << std::mismatch(sentUser.begin(), sentUser.end(), user.begin(),
                                                           user.end()).first -
                                                 sentUser.begin();
}

// Typed text as the client gets it, in the code page the program runs in.
struct TypedCase {
    const char* name;
    std::wstring typed;
    std::string client;
};

const std::wstring punctuation = L" \t.,;:!?'\"-_=+()[]{}<>/\\|@#$%^&*~` ";

std::vector<TypedCase> typedCases(UINT codePage) {
    switch (codePage) {
    case 1252:
        return {
            // Best fit would make them i, l, A, 8 and O: another user's name.
            {"LookAlikesBecomeTheDefaultCharacter", L"\u0131\u0142\uff21\u221e\u03a9", "?????"},
            // Where 1252 differs from Latin-1.
            {"CodePagesOwnCharacters", L"\u20ac\u2122\u0192\u2013\u201c", "\x80\x99\x83\x96\x93"},
            {"BlanksAndPunctuationPassUnchanged", punctuation, narrow(punctuation)},
        };
    case 1251:
        return {
            // Best fit would make them a, e, A, l and A.
            {"LookAlikesBecomeTheDefaultCharacter", L"\u00e4\u00e9\u00c5\u0142\uff21", "?????"},
            {"CodePagesOwnCharacters", L"\u0410\u0434\u043c\u0438\u043d\u0401\u2116\u20ac",
             "\xc0\xe4\xec\xe8\xed\xa8\xb9\x88"},
            {"BlanksAndPunctuationPassUnchanged", punctuation, narrow(punctuation)},
        };
    }
    return {};
}

class TypedText : public Input, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedText, ReachesTheClientInTheCodePage) {
    open(driver::demoNetwork());
    const TypedCase& c = GetParam();
    const std::vector<driver::Call> calls = check(c.typed, c.typed, L"User or context doesn't exist");
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[1].in("value"), c.client);
    EXPECT_EQ(calls[2].in("name"), c.client);
}

INSTANTIATE_TEST_SUITE_P(ThisCodePage, TypedText, ::testing::ValuesIn(typedCases(GetACP())),
                         [](const auto& info) { return std::string(info.param.name); });

// Names beyond ASCII on the client's side, given in UTF-8 and held by the
// stand-in in the code page: start-up shows them, and the user it shows is
// found again on Check.
struct ClientCase {
    std::wstring context, user, volume;
    std::string contextBytes, userBytes;  // as the client holds them
};

std::optional<ClientCase> clientCase(UINT codePage) {
    switch (codePage) {
    case 1252:
        return ClientCase{L"\u0152uvre.Acme", L"\u0178von", L"DONN\u00c9ES\u20ac", "\x8cuvre.Acme", "\x9fvon"};
    case 1251:
        return ClientCase{L"\u041f\u0440\u043e\u0434\u0430\u0436\u0438.Acme",
                          L"\u0418\u0432\u0430\u043d\u043e\u0432", L"\u0414\u0410\u041d\u041d\u042b\u0415",
                          "\xcf\xf0\xee\xe4\xe0\xe6\xe8.Acme", "\xc8\xe2\xe0\xed\xee\xe2"};
    }
    return std::nullopt;
}

std::string utf8(const std::wstring& text) { return driver::utf8(text); }

TEST_F(Input, ClientTextsBeyondAsciiAreShownAndFoundAgain) {
    const std::optional<ClientCase> c = clientCase(GetACP());
    ASSERT_TRUE(c) << "no names for code page " << GetACP();
    const std::string fullUser = utf8(c->user) + "." + utf8(c->context);
    open("\xEF\xBB\xBF[workstation]\ncontext=" + utf8(c->context) + "\nuser=" + fullUser +
         "\nserver=FS1\n[server FS1]\nvolume0=" + utf8(c->volume) + "\nvolume1=SYS\n[user " + fullUser +
         "]\nrestriction0=25\ninUse0=3\nrestriction1=50\ninUse1=7\n");
    EXPECT_EQ(app().text(idTxtContext), c->context);
    EXPECT_EQ(app().text(idTxtUser), c->user);
    EXPECT_EQ(app().rows(idLstVolumes), (std::vector<std::wstring>{c->volume, L"SYS"}));

    app().click(idCmdCheck);
    app().waitLookup(startupCalls_);
    const std::vector<driver::Call> calls = callsSince(app().trace(), startupCalls_);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[1].in("value"), c->contextBytes);
    EXPECT_EQ(calls[2].in("name"), c->userBytes);
    EXPECT_EQ(calls[2].rc, 0);
    EXPECT_EQ(app().rows(idLstQuotas), (std::vector<std::wstring>{L"100", L"200"}));
    EXPECT_EQ(app().rows(idLstUse), (std::vector<std::wstring>{L"12", L"28"}));
}

// The tests above cover this code page; in the run that asks for a code
// page (ORVANE_EXPECT_CODE_PAGE), the program really got it.
TEST(CodePage, IsOneTheTestsCover) {
    const UINT expected = robustness::setting("ORVANE_EXPECT_CODE_PAGE", 0);
    if (expected != 0) {
        EXPECT_EQ(GetACP(), expected);
    }
    EXPECT_FALSE(typedCases(GetACP()).empty()) << "no cases for code page " << GetACP();
}

}  // namespace
