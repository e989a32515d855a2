// The log names who wrote each announced message, and senders and subjects in any script reach the
// log and the speech engine whole on the NT family, or as the ANSI code page on Windows 95/98.
#include <gtest/gtest.h>
#include "support/fake_sapi5_engine.h"
#include "support/main_window_harness.h"
#include "support/standin_worker.h"
#include "storage/owned_string.h"
#include "platform/messages.h"
#include "notify/speech.h"
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string plainHeader(int number)
{
    std::string n = std::to_string(number);
    return "+OK\r\nFrom: Person " + n + " <p" + n + "@example.org>\r\nSubject: Topic " + n + "\r\n\r\n.\r\n";
}

// Senders and subjects in four scripts and an emoji, as real mail writes them: encoded words,
// raw UTF-8, raw Latin-1 and a subject that starts on a continuation line.
const char* const worldHeaders[] = {
    "+OK\r\nFrom: =?koi8-r?B?6dfBzg==?= <ivan@example.ru>\r\n"
    "Subject: =?windows-1251?B?z/Do4uXyLCDs6PA=?=\r\n\r\n.\r\n",
    "+OK\r\nFrom: \xE7\x8E\x8B\xE8\x8A\xB3 <fang@example.cn>\r\n"
    "Subject:\r\n =?utf-8?B?5pel5pys6Kqe44Gu5Lu25ZCN?=\r\n\r\n.\r\n",
    "+OK\r\nFrom: =?utf-8?B?2LPYp9ix2Kk=?= <sara@example.eg>\r\n"
    "Subject: \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7\r\n\r\n.\r\n",
    "+OK\r\nFrom: Andr\xE9 <andre@example.fr>\r\n"
    "Subject: =?utf-8?Q?Party_=F0=9F=8E=89?= \x93" "today\x94\r\n\r\n.\r\n",
};

const wchar_t* const worldSenders[] = { L"\u0418\u0432\u0430\u043D", L"\u738B\u82B3", L"\u0633\u0627\u0631\u0629",
                                        L"Andr\u00E9" };
const wchar_t* const worldSubjects[] = { L"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440",
                                         L"\u65E5\u672C\u8A9E\u306E\u4EF6\u540D",
                                         L"\u0645\u0631\u062D\u0628\u0627",
                                         L"Party \U0001F389 \u201Ctoday\u201D" };

class WhoWrote : public ::testing::Test {
protected:
    MainWindowHarness h;
    std::unique_ptr<FakeSapi5Engine> sapi5;
    MailboxEntry* work = nullptr;

    // The window releases the engine when it goes, so it goes before the fake engines.
    void TearDown() override
    {
        h.close();
        sapi5.reset();
    }
    void SetUp() override
    {
        h.writeEntryList([](EntryList& list) {
            MailboxEntry* e = list.addNew();
            e->setName("work");
            e->setServer("pop.example.org");
        });
    }
    // The NT family speaking through SAPI 5, or Windows 95/98 with the old engine.
    void open(DWORD platform = VER_PLATFORM_WIN32_NT)
    {
        h.dynData.platformId = platform;
        if (platform == VER_PLATFORM_WIN32_NT) {
            h.speech->voiceTextInstalled = false;
            h.speech->enumeratorInstalled = false;
            sapi5.reset(new FakeSapi5Engine);
        }
        ASSERT_NE(nullptr, h.open());
        work = h.entry(0);
        h.speech->clearLog();
        if (sapi5)
            sapi5->clearLog();
    }
    void deliver(int count, const std::function<std::string(int)>& header)
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
        SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(work), 0);
    }
    void deliverWorld()
    {
        deliver(4, [](int k) { return std::string(worldHeaders[k - 1]); });
    }
    // The log's lines after the "hh:mm " of each, from the first that holds from.
    static std::vector<std::wstring> linesFrom(const std::wstring& log, const std::wstring& from)
    {
        std::vector<std::wstring> lines;
        for (size_t at = log.find(from); at != std::wstring::npos;) {
            size_t end = log.find(L"\r\n", at);
            lines.push_back(log.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
            at = end == std::wstring::npos ? end : end + 2 + 6;
        }
        return lines;
    }
};

TEST_F(WhoWrote, TheFirstTwentyAreLoggedAndTheRestSummedUpWhetherOrNotSpeechIsOn)
{
    open(VER_PLATFORM_WIN32_WINDOWS);
    app.settings.speakCheckResults = 0;
    deliver(25, plainHeader);
    std::string log = h.log();
    for (int k = 1; k <= 20; ++k)
        EXPECT_EQ(1, h.logCount("work: Person " + std::to_string(k) + ": Topic " + std::to_string(k) + "\r\n")) << k;
    EXPECT_EQ(0, h.logCount("Person 21"));
    EXPECT_LT(log.find("work: 25 messages"), log.find("work: Person 1: Topic 1"));
    EXPECT_LT(log.find("work: Person 20: Topic 20"), log.find("work: ... and 5 more"));
    EXPECT_TRUE(h.speech->spokenTexts().empty());

    // With speech on, the spoken texts are those of before, and the log has the same lines.
    app.settings.speakCheckResults = 1;
    deliver(2, [](int k) {
        return k == 1 ? plainHeader(1) : std::string("+OK\r\nFrom: <bare@example.org>\r\n\r\n.\r\n");
    });
    EXPECT_EQ((std::vector<std::string>{ "Account work has 2 messages", "Message 1 from: Person 1",
                                         "Message 1 subject: Topic 1", "Message 2 from: bare@example.org",
                                         "Message 2 subject: " }),
              h.speech->spokenTexts());
    EXPECT_EQ(2, h.logCount("work: Person 1: Topic 1\r\n"));
    EXPECT_EQ(1, h.logCount("work: bare@example.org: \r\n"));
}

TEST_F(WhoWrote, EveryScriptReachesTheLogAndSapi5WholeOnTheNtFamily)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the prefix's ANSI code page is " << GetACP() << ", not the Western one";
    open();
    ASSERT_EQ(SpeechEngineKind::SpeechApi5, SpeechEngineInUse());
    deliverWorld();
    std::vector<std::wstring> expected;
    for (int k = 0; k < 4; ++k)
        expected.push_back(std::wstring(L"work: ") + worldSenders[k] + L": " + worldSubjects[k]);
    EXPECT_EQ(expected, linesFrom(h.logWide(), L"work: " + std::wstring(worldSenders[0])));

    std::vector<std::wstring> spoken{ L"Account work has 4 messages" };
    for (int k = 0; k < 4; ++k) {
        spoken.push_back(L"Message " + std::to_wstring(k + 1) + L" from: " + worldSenders[k]);
        spoken.push_back(L"Message " + std::to_wstring(k + 1) + L" subject: " + worldSubjects[k]);
    }
    EXPECT_EQ(spoken, sapi5->spokenWide);
}

TEST_F(WhoWrote, FullVoiceFeedbackSpeaksTheLoggedLinesInUnicodeToo)
{
    open();
    app.settings.fullVoiceFeedback = 1;
    app.settings.speakCheckResults = 0;
    deliverWorld();
    std::vector<std::wstring>& said = sapi5->spokenWide;
    std::wstring line = std::wstring(worldSenders[1]) + L": " + worldSubjects[1];
    EXPECT_EQ(1, std::count(said.begin(), said.end(), line));
}

TEST_F(WhoWrote, Windows95And98GetTheAnsiCodePageWithQuestionMarks)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the prefix's ANSI code page is " << GetACP() << ", not the Western one";
    open(VER_PLATFORM_WIN32_WINDOWS);
    deliverWorld();
    std::string log = h.log();
    EXPECT_EQ(1, h.logCount("work: ????: ??????, ???\r\n"));
    EXPECT_EQ(1, h.logCount("work: ??: ??????\r\n"));
    EXPECT_EQ(1, h.logCount("work: ????: ?????\r\n"));
    EXPECT_EQ(1, h.logCount("work: Andr\xE9: Party ? \x93today\x94"));
    // The old engine is handed what the ANSI code page holds, read back as UTF-16.
    std::vector<std::wstring> said = h.speech->spokenWide;
    ASSERT_EQ(9u, said.size());
    EXPECT_EQ(L"Message 1 subject: ??????, ???", said[2]);
    EXPECT_EQ(L"Message 4 from: Andr\u00E9", said[7]);
    EXPECT_EQ(L"Message 4 subject: Party ? \u201Ctoday\u201D", said[8]);
}

} // namespace
