// The spoken report of a check with many messages stays short, parse failures make one line, and
// senders and subjects are spoken as people read them.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/standin_worker.h"
#include "storage/owned_string.h"
#include "platform/messages.h"
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string readableHeader(int number)
{
    std::string n = std::to_string(number);
    return "+OK\r\nFrom: Person " + n + " <p" + n + "@example.org>\r\nSubject: Topic " + n + "\r\n\r\n.\r\n";
}

std::string refusedHeader(int) { return "-ERR no such message\r\n"; }

class SpokenReport : public ::testing::Test {
protected:
    MainWindowHarness h;
    MailboxEntry* work = nullptr;

    void SetUp() override
    {
        h.writeEntryList([](EntryList& list) {
            MailboxEntry* e = list.addNew();
            e->setName("work");
            e->setServer("pop.example.org");
        });
    }
    void open()
    {
        ASSERT_NE(nullptr, h.open());
        work = h.entry(0);
        h.speech->clearLog();
    }
    // A finished check of count messages, all answered at once, with header(k) for message k.
    void finish(int count, const std::function<std::string(int)>& header = readableHeader)
    {
        startStandInWorker(*work, StandInBehaviour::EndsOnStop);
        work->setLastResult(count);
        char** texts = new char*[count];
        for (int i = 0; i < count; ++i) {
            std::string text = header(i + 1);
            texts[i] = ownedCopyOf(text.c_str(), text.size());
        }
        work->clearHeaders();
        work->setHeaders(texts, count);
    }
    void deliver() { SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(work), 0); }
    std::string lastLogLine() const
    {
        std::string log = h.log();
        return log.substr(log.rfind("\r\n") + 2);
    }
};

TEST_F(SpokenReport, TwentyMessagesAreSpokenAndTheRestSummedUpWhileListAndHeadersStayComplete)
{
    open();
    finish(5000);
    int linesBefore = h.logLines();
    deliver();
    std::vector<std::string> said = h.speech->spokenTexts();
    ASSERT_EQ(42u, said.size()); // the count, 20 senders and subjects, the summing-up
    EXPECT_EQ("Account work has 5000 messages", said[0]);
    EXPECT_EQ("Message 1 from: Person 1", said[1]);
    EXPECT_EQ("Message 20 subject: Topic 20", said[40]);
    EXPECT_EQ("... and 4980 more", said[41]);
    EXPECT_EQ(linesBefore + 22, h.logLines()); // the count, 20 senders with subjects, the summing-up
    EXPECT_EQ(1, h.logCount("work: ... and 4980 more"));
    EXPECT_NE(std::string::npos, h.log().find("work: 5000 messages"));
    EXPECT_EQ("5000", h.rowText(0, 3));
    EXPECT_EQ(5000, work->headerCount);
    EXPECT_EQ(readableHeader(5000), work->getHeader(4999));
}

TEST_F(SpokenReport, HeadersThatCannotBeParsedGiveOneLineWithTheirCount)
{
    open();
    finish(3000, refusedHeader);
    deliver();
    EXPECT_EQ(1, h.logCount("error: parse header failed"));
    EXPECT_NE(std::string::npos, h.log().find("error: parse header failed (3000 messages)"));
    std::vector<std::string> said = h.speech->spokenTexts();
    ASSERT_EQ(42u, said.size());
    EXPECT_EQ("Message 1 from: ", said[1]);
    EXPECT_EQ("Message 1 subject: ", said[2]);
    EXPECT_EQ("... and 2980 more", said[41]);
}

TEST_F(SpokenReport, FailuresAmongTheUnspokenMessagesAreCountedAndOneAloneKeepsThePlainWording)
{
    open();
    finish(30, [](int k) { return k <= 25 ? readableHeader(k) : std::string("+OK\r\nFrom: x@example.org\r\n\r\n.\r\n"); });
    deliver();
    std::string log = h.log();
    size_t failures = log.find("error: parse header failed (5 messages)");
    ASSERT_NE(std::string::npos, failures);
    EXPECT_LT(failures, log.find("work: ... and 10 more"));

    finish(2, [](int k) { return k == 1 ? readableHeader(k) : refusedHeader(k); });
    deliver();
    EXPECT_EQ("error: parse header failed", lastLogLine().substr(6)); // after "hh:mm "
}

TEST_F(SpokenReport, WithoutASpeechEngineTheFailedUtterancesLoggedAreBounded)
{
    h.speech->voiceTextInstalled = false;
    open();
    finish(5000);
    deliver();
    EXPECT_EQ(42, h.logCount("error: speak failed, SAPI may not be installed, or initialized"));
}

TEST_F(SpokenReport, TheSummingUpIsSpokenOnceUnderFullVoiceFeedback)
{
    open();
    app.settings.fullVoiceFeedback = 1;
    finish(25);
    deliver();
    std::vector<std::string> said = h.speech->spokenTexts();
    EXPECT_EQ(1, static_cast<int>(std::count(said.begin(), said.end(), "... and 5 more")));
    EXPECT_NE(std::string::npos, h.log().find("work: ... and 5 more"));
}

TEST_F(SpokenReport, OnlyTheCountWhenNeitherSendersNorSubjectsAreSpoken)
{
    open();
    app.settings.speakFromAddresses = 0;
    app.settings.speakSubjects = 0;
    finish(5000, refusedHeader);
    deliver();
    EXPECT_EQ((std::vector<std::string>{ "Account work has 5000 messages" }), h.speech->spokenTexts());
    EXPECT_EQ(std::string::npos, h.log().find("parse header failed"));
    EXPECT_EQ(1, h.logCount("work: ... and 4980 more")); // logged, but not spoken
}

// What the speech engine receives for text that went through the system's code page.
std::wstring throughAnsi(const wchar_t* text)
{
    char ansi[256];
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    wchar_t wide[256];
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 256);
    return wide;
}

TEST_F(SpokenReport, EncodedSendersAndSubjectsAreSpokenDecodedWithTheDisplayName)
{
    open();
    auto header = [](int) {
        return std::string("+OK\r\nFrom: =?utf-8?Q?J=C3=B6rg_M=C3=BCller?=\r\n <jm@example.de>\r\n"
                           "Subject: =?iso-8859-1?Q?Gr=FC=DFe?=\r\n =?iso-8859-1?Q?_aus_K=F6ln?=\r\n\r\n.\r\n");
    };
    app.settings.speakSubjects = 0;
    finish(1, header);
    deliver();
    EXPECT_EQ(throughAnsi(L"Message 1 from: J\u00F6rg M\u00FCller"), h.speech->lastSpoken);
    app.settings.speakFromAddresses = 0;
    app.settings.speakSubjects = 1;
    finish(1, header);
    deliver();
    EXPECT_EQ(throughAnsi(L"Message 1 subject: Gr\u00FC\u00DFe aus K\u00F6ln"), h.speech->lastSpoken);
}

} // namespace
