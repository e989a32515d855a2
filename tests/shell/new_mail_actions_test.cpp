// What the main window does with a check that told new messages from those seen before: the log
// line with both counts, the actions of the mail case for the new messages only, the no-mail case
// when nothing is new, and the one warning about servers without UIDL.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/standin_worker.h"
#include "storage/owned_string.h"
#include "platform/messages.h"
#include "shell/tray_icon.h"
#include <string>
#include <vector>

namespace {

class NewMailActions : public ::testing::Test {
protected:
    MainWindowHarness h;
    MailboxEntry* work = nullptr;

    void SetUp() override
    {
        h.writeEntryList([](EntryList& list) {
            MailboxEntry* e = list.addNew();
            e->setName("work");
            e->setServer("pop.example.org");
            e->setMailSoundFile("mail.wav");
            e->setNoMailSoundFile("nomail.wav");
            e->setAnnounceNewOnly(true);
        });
    }
    void open()
    {
        ASSERT_NE(nullptr, h.open());
        work = h.entry(0);
        work->runMailProgram = true;
        work->setMailProgramPath("mail.exe");
        h.speech->clearLog();
    }
    // What a worker leaves after a check of a mailbox holding the messages with these ids: the
    // count, one header block a message (the id is in its subject), what was new.
    void finish(const std::vector<std::string>& ids, bool uidlRefused = false)
    {
        startStandInWorker(*work, StandInBehaviour::EndsOnStop);
        int count = int(ids.size());
        char** texts = count ? new char*[count] : nullptr;
        for (int i = 0; i < count; ++i) {
            std::string t = "+OK\r\nFrom: Person " + ids[i] + " <" + ids[i] + "@example.org>\r\nSubject: Topic " +
                            ids[i] + "\r\n\r\n.\r\n";
            texts[i] = ownedCopyOf(t.c_str(), t.size());
        }
        std::vector<std::string> listed = ids;
        work->seenMessages.prepare(0x1234, h.folder.file("seen-work.ids").c_str());
        work->seenMessages.record(true, !uidlRefused, uidlRefused, listed);
        work->clearHeaders();
        work->setHeaders(texts, count);
        work->setLastResult(count);
    }
    void deliver()
    {
        h.speech->clearLog();
        h.ui.sounds.clear();
        h.ui.launches.clear();
        stopTrayAnimation(h.window());
        SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(work), 0);
    }
    std::string lastLogLine() const
    {
        std::string log = h.log();
        return log.substr(log.rfind("\r\n") + 2 + 6); // after "hh:mm "
    }
};

TEST_F(NewMailActions, OnlyNewMessagesAreAnnouncedWhileTheListShowsTheTotal)
{
    open();
    finish({ "a", "b" });
    deliver();
    EXPECT_EQ(1, h.logCount("work: 2 messages, 2 new\r\n"));
    EXPECT_EQ("work: Person b: Topic b", lastLogLine());
    EXPECT_EQ((std::vector<std::string>{ "Account work has 2 messages", "Message 1 from: Person a",
                                         "Message 1 subject: Topic a", "Message 2 from: Person b",
                                         "Message 2 subject: Topic b" }),
              h.speech->spokenTexts());
    EXPECT_TRUE(app.trayAnimRunning);
    EXPECT_EQ(1u, h.ui.launches.size());

    // "a" was deleted, "c" and "d" arrived: they are messages 2 and 3 of the mailbox now.
    finish({ "b", "c", "d" });
    deliver();
    EXPECT_EQ(1, h.logCount("work: 3 messages, 2 new\r\n"));
    EXPECT_EQ(1, h.logCount("Person b: Topic b\r\n")); // named by the first check only: now it is not new
    EXPECT_EQ("work: Person d: Topic d", lastLogLine());
    EXPECT_EQ((std::vector<std::string>{ "Account work has 2 messages", "Message 2 from: Person c",
                                         "Message 2 subject: Topic c", "Message 3 from: Person d",
                                         "Message 3 subject: Topic d" }),
              h.speech->spokenTexts());
    EXPECT_EQ("3", h.rowText(0, 3));
    EXPECT_EQ(3, work->headerCount);

    finish({ "b", "c", "d", "e" });
    app.settings.speakFromAddresses = 0;
    deliver();
    EXPECT_EQ((std::vector<std::string>{ "Account work has 1 message", "Message 4 subject: Topic e" }), h.speech->spokenTexts());
}

TEST_F(NewMailActions, NothingNewIsTheNoMailCaseWithItsOwnLogLine)
{
    h.writeSettings([](Settings& s) { s.speakCheckResults = 0; });
    open();
    work->playSoundOnMail = true;
    work->playSoundOnNoMail = true;
    finish({ "a", "b" });
    deliver();
    ASSERT_EQ(1u, h.ui.sounds.size());
    EXPECT_EQ("mail.wav", h.ui.sounds[0].file);

    finish({ "a", "b" });
    deliver();
    EXPECT_EQ("work: no new mail", lastLogLine());
    ASSERT_EQ(1u, h.ui.sounds.size());
    EXPECT_EQ("nomail.wav", h.ui.sounds[0].file);
    EXPECT_TRUE(h.ui.launches.empty());
    EXPECT_FALSE(app.trayAnimRunning);
    EXPECT_EQ("2", h.rowText(0, 3));
    EXPECT_EQ(6, h.rowImage(0)); // mail waiting on the server, as before

    finish({});
    deliver();
    EXPECT_EQ("work: no mail.", lastLogLine());
}

TEST_F(NewMailActions, NothingNewIsSpokenAsNoNewMessages)
{
    open();
    finish({ "a" });
    deliver();
    finish({ "a" });
    deliver();
    EXPECT_EQ((std::vector<std::string>{ "Account work has no new messages." }), h.speech->spokenTexts());
    finish({});
    deliver();
    EXPECT_EQ((std::vector<std::string>{ "Account work has no messages." }), h.speech->spokenTexts());
}

// The only test of this program whose checks meet a server without UIDL: the warning is said
// once in a run of the program, whichever entry meets it first.
TEST_F(NewMailActions, AServerWithoutUidlAnnouncesEveryMessageWithOneWarningInARun)
{
    open();
    finish({ "a", "b" }, true);
    deliver();
    EXPECT_EQ(1, h.logCount("work: 2 messages\r\n"));
    EXPECT_EQ("work: Person b: Topic b", lastLogLine());
    EXPECT_EQ("Account work has 2 messages", h.speech->spokenTexts().at(0));
    EXPECT_EQ(5u, h.speech->spokenTexts().size());
    finish({ "a", "b" }, true);
    deliver();
    EXPECT_EQ(2, h.logCount("work: 2 messages\r\n"));
    EXPECT_EQ(5u, h.speech->spokenTexts().size());
    EXPECT_EQ(1, h.logCount("work: warning: server has no UIDL, announcing all messages"));
}

} // namespace
