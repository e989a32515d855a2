// IDLE on a folder session against the scripted server: news ends it with DONE, a quiet renewal
// period ends it too, the stop event cuts it short with DONE and LOGOUT, and a dropped
// connection or a BYE fails it.
#include "imap_test_support.h"
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/imap_idle.h"
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class ImapIdleTest : public ImapSessionTest {
protected:
    // Opens a folder session on the scripted server whose IDLE plays idle once "+ idling" is sent;
    // the server answers DONE itself.
    void openWith(std::function<void(ImapTestConnection&)> idle)
    {
        addMessages(1, 2);
        server.override = [idle](ImapTestConnection& connection, const ImapTestCommand& command) {
            if (command.verb != "IDLE")
                return false;
            connection.send("+ idling\r\n");
            idle(connection);
            return true;
        };
        server.start();
        started = true;
        session.reset(new ImapFolderSession(target(), nullptr, stopEvent));
        ASSERT_EQ(pop3Success, session->open("tester", "secret", detail, sizeof detail)) << detail;
    }
    Pop3Target target() { return Pop3Target{ "127.0.0.1", SecurityNone, server.port(), nullptr }; }

    SeamOverride<volatile LONG> renewal{ imapIdleRenewalMs, 20000 };
    std::unique_ptr<ImapFolderSession> session;
};

TEST_F(ImapIdleTest, NewMessageEndsIdleWithDoneAndTheFolderIsReadAgain)
{
    openWith([this](ImapTestConnection& connection) {
        Sleep(300);
        server.messages.push_back(ImapTestMessage{ 103, imapHeader(3) });
        connection.send("* 2 FETCH (FLAGS (\\Seen))\r\n* 3 EXISTS\r\n* 1 RECENT\r\n");
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(IdleOutcome::news, idleUntilNews(*session, detail, sizeof detail)) << detail;
    EXPECT_LT(GetTickCount() - started, 3000u);
    ASSERT_EQ(pop3Success, session->examine(detail, sizeof detail));
    KnownMessages known;
    ASSERT_EQ(pop3Success, session->read(&count, &headers, &known, detail, sizeof detail));
    EXPECT_EQ(3u, count);
    EXPECT_EQ(keptForm(imapHeader(3)), slot(2));
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "LOGIN", "EXAMINE", "UID FETCH", "IDLE", "DONE", "EXAMINE",
                                            "UID FETCH", "UID FETCH"));
}

TEST_F(ImapIdleTest, ExpungeIsNewsToo)
{
    openWith([](ImapTestConnection& connection) {
        connection.send("* 1 EXPUNGE\r\n");
    });
    EXPECT_EQ(IdleOutcome::news, idleUntilNews(*session, detail, sizeof detail)) << detail;
}

TEST_F(ImapIdleTest, AQuietRenewalPeriodEndsIdleSoThatItIsSentAgain)
{
    SeamOverride<volatile LONG> shortRenewal(imapIdleRenewalMs, 400);
    openWith([](ImapTestConnection& connection) {
        connection.send("* OK Still here\r\n");
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(IdleOutcome::renew, idleUntilNews(*session, detail, sizeof detail)) << detail;
    DWORD took = GetTickCount() - started;
    EXPECT_GE(took, 350u);
    EXPECT_LT(took, 3000u);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "LOGIN", "EXAMINE", "UID FETCH", "IDLE", "DONE"));
}

TEST_F(ImapIdleTest, StopEventEndsIdleAtOnceWithDoneAndLogout)
{
    openWith([](ImapTestConnection&) {});
    std::thread stopper([this] {
        Sleep(300);
        SetEvent(stopEvent);
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(IdleOutcome::stopped, idleUntilNews(*session, detail, sizeof detail));
    EXPECT_LT(GetTickCount() - started, 2000u);
    stopper.join();
    session.reset(); // closes the connection
    for (int i = 0; i < 50 && server.verbs().size() < 7; ++i)
        Sleep(50);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "LOGIN", "EXAMINE", "UID FETCH", "IDLE", "DONE", "LOGOUT"));
}

TEST_F(ImapIdleTest, DroppedConnectionByeAndRefusalFail)
{
    openWith([](ImapTestConnection& connection) {
        Sleep(100);
        connection.close();
    });
    EXPECT_EQ(IdleOutcome::failed, idleUntilNews(*session, detail, sizeof detail));
    EXPECT_STREQ("error: the connection broke while idling", detail);

    ScriptedImapServer byeServer;
    byeServer.override = [](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "IDLE")
            return false;
        connection.send("+ idling\r\n* BYE Server shutting down.\r\n");
        connection.close();
        return true;
    };
    byeServer.start();
    ImapFolderSession bye(Pop3Target{ "127.0.0.1", SecurityNone, byeServer.port(), nullptr }, nullptr, stopEvent);
    ASSERT_EQ(pop3Success, bye.open("tester", "secret", detail, sizeof detail));
    EXPECT_EQ(IdleOutcome::failed, idleUntilNews(bye, detail, sizeof detail));
    EXPECT_STREQ("error: server ended the session: Server shutting down.", detail);

    ScriptedImapServer noIdle;
    noIdle.override = [](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "IDLE")
            return false;
        connection.send(command.tag + " BAD Unknown command\r\n");
        return true;
    };
    noIdle.start();
    ImapFolderSession refused(Pop3Target{ "127.0.0.1", SecurityNone, noIdle.port(), nullptr }, nullptr, stopEvent);
    ASSERT_EQ(pop3Success, refused.open("tester", "secret", detail, sizeof detail));
    EXPECT_EQ(IdleOutcome::failed, idleUntilNews(refused, detail, sizeof detail));
    EXPECT_STREQ("error: server refused IDLE", detail);
}

} // namespace
