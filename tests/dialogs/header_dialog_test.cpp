// The header viewer on its real template: the header texts appended in message order under the
// entry's name, and nothing for an entry without mail.
#include "dialog_test.h"
#include "dialogs/header_dialog.h"
#include "mailcheck/header_marks.h"
#include "support/entry_headers.h"
#include "resources/resource.h"
#include <cstring>

namespace {

const char* const caption = "Message Header(s)";

class HeaderDialog : public DialogTest {
protected:
    MailboxEntry entry;

    // The label and the text the dialog shows; result is how it ended.
    std::pair<std::string, std::string> shown(INT_PTR& result, bool closeBox = false)
    {
        std::pair<std::string, std::string> texts;
        ModalScript script;
        script.on(caption, [&](HWND dialog) {
            texts = { itemText(dialog, IDC_HDR_MAILBOX), itemText(dialog, IDC_HDR_TEXT) };
            LONG style = GetWindowLongA(GetDlgItem(dialog, IDC_HDR_TEXT), GWL_STYLE);
            EXPECT_TRUE(style & ES_READONLY);
            EXPECT_TRUE(style & WS_HSCROLL);
            EXPECT_TRUE(style & WS_VSCROLL);
            DWORD start = 1, end = 1; // the caret at the top, nothing selected
            SendDlgItemMessageA(dialog, IDC_HDR_TEXT, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(0u, start);
            EXPECT_EQ(0u, end);
            if (closeBox)
                SendMessageA(dialog, WM_CLOSE, 0, 0);
            else
                click(dialog, IDCANCEL);
        });
        result = OpenHeaderDialog(nullptr, &entry);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return texts;
    }
};

TEST_F(HeaderDialog, ShowsEveryHeaderInMessageOrderUnderTheEntrysName)
{
    entry.setName("home box");
    giveHeaders(entry, { "From: a@example.com\r\nSubject: one\r\n\r\n", "From: b@example.com\r\nSubject: two\r\n\r\n",
                         "From: c@example.com\r\nSubject: three\r\n\r\n" });
    entry.lastResult = 3;
    INT_PTR result = 0;
    auto texts = shown(result);
    EXPECT_EQ("home box", texts.first);
    EXPECT_EQ("From: a@example.com\r\nSubject: one\r\n\r\n"
              "From: b@example.com\r\nSubject: two\r\n\r\n"
              "From: c@example.com\r\nSubject: three\r\n\r\n",
              texts.second);
    EXPECT_EQ(IDCANCEL, result);
    shown(result, true);
    EXPECT_EQ(IDOK, result);
}

TEST_F(HeaderDialog, NoMailOrAFailedCheckShowsNothing)
{
    entry.setName("box");
    giveHeaders(entry, { "From: a@example.com\r\n\r\n" });
    for (int32_t lastResult : { 0, -3 }) {
        entry.lastResult = lastResult;
        INT_PTR result = 0;
        EXPECT_EQ("", shown(result).second) << lastResult;
    }
}

TEST_F(HeaderDialog, AResultBeyondTheHeadersShowsWhatThereIs)
{
    entry.setName("box");
    giveHeaders(entry, { "H1\r\n", "H2\r\n" });
    entry.lastResult = 2000000000;
    INT_PTR result = 0;
    EXPECT_EQ("H1\r\nH2\r\n", shown(result).second);
}

TEST_F(HeaderDialog, LongHeaderListsAreNotCut)
{
    entry.setName("big");
    std::string header(1000, 'x');
    header += "\r\n";
    const int count = 100; // 100 kB, beyond an edit control's default limit
    giveHeaders(entry, std::vector<const char*>(count, header.c_str()));
    entry.lastResult = count;
    INT_PTR result = 0;
    EXPECT_EQ(header.size() * count, shown(result).second.size());
}

TEST_F(HeaderDialog, ABlockThatIsNotWholeSaysSoOnALineBeforeIt)
{
    entry.setName("box");
    giveHeaders(entry, { "+OK\r\nA: 1\r\n.\r\n", "+OK\r\nB: 2\r\n\r\n.\r\n", "+OK\r\nC: 3\r\n.\r\n" },
                { headerCut, headerReduced, headerKeptWhole });
    entry.lastResult = 3;
    INT_PTR result = 0;
    EXPECT_EQ("[This message's headers are longer than 256 KB: they are cut after the last whole line.]\r\n"
              "+OK\r\nA: 1\r\n.\r\n"
              "[Too many headers to keep them all: only the main fields of this message are shown.]\r\n"
              "+OK\r\nB: 2\r\n\r\n.\r\n"
              "+OK\r\nC: 3\r\n.\r\n",
              shown(result).second);
}

TEST_F(HeaderDialog, WithoutAnEntryItIsFatal)
{
    EXPECT_EQ(IDCANCEL, OpenHeaderDialog(nullptr, nullptr));
    EXPECT_EQ("Tessary Fatal Error: No ptr passed for HeaderDlg", lastBox());
}

} // namespace
