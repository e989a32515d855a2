// The header viewer on its real template: one message at a time under the entry's name, chosen by
// its number, with its sender, date and subject decoded above its header block.
#include "dialog_test.h"
#include "dialogs/header_dialog.h"
#include "mailcheck/header_marks.h"
#include "connectivity/version_calls.h"
#include "support/entry_headers.h"
#include "support/seam_override.h"
#include "resources/resource.h"
#include <cstring>
#include <functional>

namespace {

const char* const caption = "Message Header(s)";

std::wstring wideItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    int length = static_cast<int>(SendMessageW(item, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(item, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

// What the viewer shows of one message.
struct Shown {
    std::string label, count, text;
    std::wstring from, date, subject;
};

Shown shownNow(HWND dialog)
{
    return { itemText(dialog, IDC_HDR_MAILBOX), itemText(dialog, IDC_HDR_MESSAGE_COUNT),
             itemText(dialog, IDC_HDR_TEXT),    wideItemText(dialog, IDC_HDR_FROM),
             wideItemText(dialog, IDC_HDR_DATE), wideItemText(dialog, IDC_HDR_SUBJECT) };
}

// Chooses message number as typing it does.
void choose(HWND dialog, int number)
{
    SetDlgItemInt(dialog, IDC_HDR_MESSAGE, static_cast<UINT>(number), FALSE);
}

BOOL WINAPI windows98(LPOSVERSIONINFOA info)
{
    info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    return TRUE;
}

class HeaderDialog : public DialogTest {
protected:
    MailboxEntry entry;

    // Opens the viewer, runs steps inside it and closes it; result is how it ended.
    INT_PTR run(const std::function<void(HWND)>& steps, bool closeBox = false)
    {
        ModalScript script;
        script.on(caption, [&](HWND dialog) {
            steps(dialog);
            if (closeBox)
                SendMessageA(dialog, WM_CLOSE, 0, 0);
            else
                click(dialog, IDCANCEL);
        });
        INT_PTR result = OpenHeaderDialog(nullptr, &entry);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return result;
    }
    Shown firstShown()
    {
        Shown shown;
        run([&](HWND dialog) { shown = shownNow(dialog); });
        return shown;
    }
};

TEST_F(HeaderDialog, ShowsEachMessageByItsNumberUnderTheEntrysName)
{
    entry.setName("home box");
    giveHeaders(entry, { "+OK\r\nFrom: a@example.com\r\nSubject: one\r\n\r\n.\r\n",
                         "+OK\r\nFrom: b@example.com\r\nSubject: two\r\n\r\n.\r\n",
                         "+OK\r\nFrom: c@example.com\r\nSubject: three\r\n\r\n.\r\n" });
    entry.lastResult = 3;
    std::vector<Shown> seen;
    INT_PTR result = run([&](HWND dialog) {
        LONG style = GetWindowLongA(GetDlgItem(dialog, IDC_HDR_TEXT), GWL_STYLE);
        EXPECT_TRUE(style & ES_READONLY);
        EXPECT_TRUE(style & WS_HSCROLL);
        EXPECT_TRUE(style & WS_VSCROLL);
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_HDR_SUBJECT), GWL_STYLE) & ES_READONLY);
        DWORD start = 1, end = 1; // the caret at the top, nothing selected
        SendDlgItemMessageA(dialog, IDC_HDR_TEXT, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                            reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start);
        EXPECT_EQ(0u, end);
        seen.push_back(shownNow(dialog));
        choose(dialog, 3);
        seen.push_back(shownNow(dialog));
        // The arrows step through the messages, and stop at the last one.
        SendDlgItemMessageA(dialog, IDC_HDR_MESSAGE_SPIN, UDM_SETPOS32, 0, 2);
        seen.push_back(shownNow(dialog));
        EXPECT_EQ(2, static_cast<int>(SendDlgItemMessageA(dialog, IDC_HDR_MESSAGE_SPIN, UDM_GETPOS32, 0, 0)));
    });
    EXPECT_EQ(IDCANCEL, result);
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ("home box", seen[0].label);
    EXPECT_EQ("of 3", seen[0].count);
    EXPECT_EQ("+OK\r\nFrom: a@example.com\r\nSubject: one\r\n\r\n.\r\n", seen[0].text);
    EXPECT_EQ(L"a@example.com", seen[0].from);
    EXPECT_EQ(L"one", seen[0].subject);
    EXPECT_EQ("+OK\r\nFrom: c@example.com\r\nSubject: three\r\n\r\n.\r\n", seen[1].text);
    EXPECT_EQ(L"three", seen[1].subject);
    EXPECT_EQ(L"two", seen[2].subject);
    EXPECT_EQ(IDOK, run([](HWND) {}, true));
}

TEST_F(HeaderDialog, SenderDateAndSubjectAreDecodedInUnicodeOnTheNtFamily)
{
    entry.setName("box");
    giveHeaders(entry, { "+OK\r\nReceived: from mx.example.ru\r\n"
                         "From: =?koi8-r?B?6dfBzg==?= <ivan@example.ru>\r\n"
                         "Date:\r\n Tue, 8 Dec 2026 12:00:00 +0300\r\n"
                         "Subject:\r\n =?utf-8?B?5pel5pys6Kqe?= \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xF0\x9F\x98\x80\r\n"
                         "\r\n.\r\n",
                         "+OK\r\nFrom: Andr\xE9 <a@example.fr>\r\nSubject: Caf\xE9\r\n\r\n.\r\n",
                         "+OK\r\nX-Nothing: here\r\n\r\n.\r\n" });
    entry.lastResult = 3;
    std::vector<Shown> seen;
    run([&](HWND dialog) {
        for (int number = 1; number <= 3; ++number) {
            choose(dialog, number);
            seen.push_back(shownNow(dialog));
        }
    });
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ(L"\u0418\u0432\u0430\u043D <ivan@example.ru>", seen[0].from);
    EXPECT_EQ(L"Tue, 8 Dec 2026 12:00:00 +0300", seen[0].date);
    EXPECT_EQ(L"\u65E5\u672C\u8A9E \u0645\u0631\u062D\u0628\u0627 \U0001F600", seen[0].subject);
    EXPECT_EQ(L"Andr\u00E9 <a@example.fr>", seen[1].from); // raw Latin-1
    EXPECT_EQ(L"Caf\u00E9", seen[1].subject);
    EXPECT_EQ(L"", seen[2].from); // a message without the fields leaves none of the last one's
    EXPECT_EQ(L"", seen[2].date);
    EXPECT_EQ(L"", seen[2].subject);
}

TEST_F(HeaderDialog, Windows98ShowsTheFieldsInTheAnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the prefix's ANSI code page is " << GetACP() << ", not the Western one";
    SeamOverride<decltype(versionCalls.GetVersionExA)> platform(versionCalls.GetVersionExA, windows98);
    entry.setName("box");
    giveHeaders(entry, { "+OK\r\nFrom: =?koi8-r?B?6dfBzg==?= <i@example.ru>\r\nSubject: Caf\xC3\xA9 \xF0\x9F\x98\x80\r\n\r\n.\r\n" });
    entry.lastResult = 1;
    std::string from, subject;
    run([&](HWND dialog) {
        from = itemText(dialog, IDC_HDR_FROM);
        subject = itemText(dialog, IDC_HDR_SUBJECT);
    });
    EXPECT_EQ("???? <i@example.ru>", from);
    EXPECT_EQ("Caf\xE9 ?", subject);
}

TEST_F(HeaderDialog, NoMailOrAFailedCheckShowsNothing)
{
    entry.setName("box");
    giveHeaders(entry, { "From: a@example.com\r\n\r\n" });
    for (int32_t lastResult : { 0, -3 }) {
        entry.lastResult = lastResult;
        Shown shown = firstShown();
        EXPECT_EQ("", shown.text) << lastResult;
        EXPECT_EQ(L"", shown.from) << lastResult;
        EXPECT_EQ("of 0", shown.count) << lastResult;
    }
}

TEST_F(HeaderDialog, AResultBeyondTheHeadersShowsWhatThereIs)
{
    entry.setName("box");
    giveHeaders(entry, { "H1\r\n", "H2\r\n" });
    entry.lastResult = 2000000000;
    std::string second, beyond;
    run([&](HWND dialog) {
        choose(dialog, 2);
        second = itemText(dialog, IDC_HDR_TEXT);
        choose(dialog, 3);
        beyond = itemText(dialog, IDC_HDR_TEXT);
    });
    EXPECT_EQ("H2\r\n", second);
    EXPECT_EQ("", beyond);
    EXPECT_EQ("of 2", firstShown().count);
}

TEST_F(HeaderDialog, AQuarterMegabyteBlockIsShownWhole)
{
    entry.setName("big");
    std::string block = "+OK\r\nSubject: large\r\n";
    while (block.size() < 256 * 1024 - 100)
        block += "X-Filler: " + std::string(988, 'x') + "\r\n";
    block += "\r\n.\r\n";
    giveHeaders(entry, { block.c_str() });
    entry.lastResult = 1;
    Shown shown = firstShown();
    EXPECT_EQ(block.size(), shown.text.size());
    EXPECT_EQ(block, shown.text);
    EXPECT_EQ(L"large", shown.subject);
}

TEST_F(HeaderDialog, ABlockThatIsNotWholeSaysSoOnALineBeforeIt)
{
    entry.setName("box");
    giveHeaders(entry, { "+OK\r\nA: 1\r\n.\r\n", "+OK\r\nSubject: two\r\n\r\n.\r\n", "+OK\r\nC: 3\r\n.\r\n" },
                { headerCut, headerReduced, headerKeptWhole });
    entry.lastResult = 3;
    std::string texts[3];
    std::wstring subject;
    run([&](HWND dialog) {
        for (int number = 1; number <= 3; ++number) {
            choose(dialog, number);
            texts[number - 1] = itemText(dialog, IDC_HDR_TEXT);
            if (number == 2)
                subject = wideItemText(dialog, IDC_HDR_SUBJECT);
        }
    });
    EXPECT_EQ(L"two", subject); // the notice is not taken for a header line
    EXPECT_EQ("[This message's headers are longer than 256 KB: they are cut after the last whole line.]\r\n"
              "+OK\r\nA: 1\r\n.\r\n",
              texts[0]);
    EXPECT_EQ("[Too many headers to keep them all: only the main fields of this message are shown.]\r\n"
              "+OK\r\nSubject: two\r\n\r\n.\r\n",
              texts[1]);
    EXPECT_EQ("+OK\r\nC: 3\r\n.\r\n", texts[2]);
}

TEST_F(HeaderDialog, WithoutAnEntryItIsFatal)
{
    EXPECT_EQ(IDCANCEL, OpenHeaderDialog(nullptr, nullptr));
    EXPECT_EQ("Tessary Fatal Error: No ptr passed for HeaderDlg", lastBox());
}

} // namespace
