// AUTHENTICATE XOAUTH2 against the scripted IMAP server: the initial response on the command line
// (SASL-IR) or after the "+", the error challenge answered with an empty line, and the cases where
// the token must not be sent at all.
#include <gmock/gmock.h>
#include "mailcheck/imap_conversation.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/imap_xoauth2.h"
#include "mailcheck/pop3_connection.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/session_limits.h"
#include "signin/signin_result.h"
#include "signin/web_encoding.h"
#include "storage/mailbox_entry.h"
#include "support/scripted_imap_server.h"
#include "support/seam_override.h"
#include <string>

namespace {

using ::testing::ElementsAre;

const char bearer401[] = "{\"status\":\"401\",\"schemes\":\"bearer\",\"scope\":\"https://outlook.office.com/\"}";

std::string expectedResponse(const char* token = "at-123")
{
    std::string plain = std::string("user=user@example.org\x01" "auth=Bearer ") + token + "\x01\x01";
    return base64Encode(plain.data(), plain.size());
}

class ImapXoauth2Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(startWinsock()); }
    void TearDown() override
    {
        CloseHandle(stopEvent);
        WSACleanup();
    }

    // Greets and reads the capabilities the server lists, then authenticates on a plain connection
    // marked as secured (the exchange inside TLS is the same; the session checks TLS itself).
    int authenticate(const char* listed, bool secured = true, const char* token = "at-123")
    {
        server.capabilities = listed;
        if (!started) {
            server.start();
            started = true;
        }
        SOCKET s = connectTo(server.port(), "127.0.0.1");
        if (s == INVALID_SOCKET)
            return -9999;
        SessionDeadline deadline;
        Pop3Connection connection(s, stopEvent, &deadline);
        ImapConversation conversation(connection);
        ImapResponse greeting;
        if (connection.open() != pop3Success || conversation.readGreeting(greeting) != ImapReply::ok)
            return -9998;
        ImapCapabilities capabilities;
        if (!conversation.send("CAPABILITY") ||
            conversation.await([&](const ImapResponse& r) { takeCapabilities(r.text, capabilities); }) != ImapReply::ok)
            return -9997;
        return imapAuthenticateXoauth2(conversation, capabilities, secured, "user@example.org", token, why,
                                       sizeof why);
    }

    // The server's answer to AUTHENTICATE: the two-step "+" first unless the response came along,
    // then OK for the expected token, else the error challenge and, after the client's line, NO.
    void answerTokens()
    {
        server.override = [this](ImapTestConnection& connection, const ImapTestCommand& command) {
            if (command.verb != "AUTHENTICATE")
                return false;
            std::string response;
            if (command.arguments.compare(0, 8, "XOAUTH2 ") == 0) {
                response = command.arguments.substr(8);
            } else if (!connection.send("+ \r\n") || !connection.readLine(response)) {
                return true;
            }
            received.push_back(response);
            if (response == expectedResponse())
                return connection.send(command.tag + " OK [CAPABILITY IMAP4rev1] Logged in\r\n");
            std::string challenge = base64Encode(bearer401, sizeof bearer401 - 1);
            std::string empty;
            if (!connection.send("+ " + challenge + "\r\n") || !connection.readLine(empty))
                return true;
            received.push_back(empty);
            return connection.send(command.tag + " NO [AUTHENTICATIONFAILED] Authentication failed.\r\n");
        };
    }

    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 5000 };
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ScriptedImapServer server;
    bool started = false;
    std::vector<std::string> received; // what followed AUTHENTICATE: the response, the empty line
    char why[pop3DetailSize] = "";
};

} // namespace

TEST_F(ImapXoauth2Test, WithSaslIrTheResponseRidesOnTheCommand)
{
    answerTokens();
    EXPECT_EQ(pop3Success, authenticate("IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=XOAUTH2")) << why;
    std::vector<ImapTestCommand> commands = server.commands();
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ("AUTHENTICATE", commands[1].verb);
    EXPECT_EQ("XOAUTH2 " + expectedResponse(), commands[1].arguments);
    EXPECT_THAT(received, ElementsAre(expectedResponse()));
}

TEST_F(ImapXoauth2Test, WithoutSaslIrTheResponseFollowsTheContinuation)
{
    answerTokens();
    EXPECT_EQ(pop3Success, authenticate("IMAP4rev1 AUTH=XOAUTH2")) << why;
    std::vector<ImapTestCommand> commands = server.commands();
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ("XOAUTH2", commands[1].arguments);
    EXPECT_THAT(received, ElementsAre(expectedResponse()));
}

TEST_F(ImapXoauth2Test, AnErrorChallengeGetsAnEmptyLineThenTheNo)
{
    answerTokens();
    for (const char* listed : { "IMAP4rev1 SASL-IR AUTH=XOAUTH2", "IMAP4rev1 AUTH=XOAUTH2" }) {
        SCOPED_TRACE(listed);
        received.clear();
        EXPECT_EQ(signInTokenRefused, authenticate(listed, true, "at-expired"));
        EXPECT_STREQ("error: the mail server refused the sign-in token (status 401)", why);
        EXPECT_THAT(received, ElementsAre(expectedResponse("at-expired"), ""));
    }
}

TEST_F(ImapXoauth2Test, AStraightNoOrARefusedMechanismIsARefusedToken)
{
    server.override = [](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "AUTHENTICATE")
            return false;
        return connection.send(command.tag + " NO [AUTHENTICATIONFAILED] Authentication failed.\r\n");
    };
    EXPECT_EQ(signInTokenRefused, authenticate("IMAP4rev1 SASL-IR AUTH=XOAUTH2"));
    EXPECT_STREQ("error: the mail server refused the sign-in token", why);
    // Without SASL-IR the NO comes before any token was sent: the mechanism itself is refused.
    EXPECT_EQ(signInTokenRefused, authenticate("IMAP4rev1 AUTH=XOAUTH2"));
    EXPECT_STREQ("error: the mail server does not take sign-in tokens (AUTHENTICATE XOAUTH2)", why);
}

TEST_F(ImapXoauth2Test, NoTokenIsSentWhereItDoesNotBelong)
{
    answerTokens();
    EXPECT_EQ(signInTokenRefused, authenticate("IMAP4rev1 SASL-IR AUTH=PLAIN"));
    EXPECT_STREQ("error: the mail server does not take sign-in tokens (AUTHENTICATE XOAUTH2)", why);
    EXPECT_EQ(signInNeedsTls, authenticate("IMAP4rev1 SASL-IR AUTH=XOAUTH2", false));
    EXPECT_STREQ("error: a signed-in entry needs a secure connection; choose STLS or SSL/TLS", why);
    EXPECT_EQ(signInTokenRefused, authenticate("IMAP4rev1 SASL-IR AUTH=XOAUTH2", true, "at-\r\nA LOGOUT"));
    EXPECT_STREQ("error: the account or the token cannot go on a command line", why);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "CAPABILITY", "CAPABILITY"));
    EXPECT_TRUE(received.empty());
}

TEST_F(ImapXoauth2Test, TheSessionSendsNeitherPasswordNorTokenInPlainText)
{
    answerTokens();
    server.capabilities = "IMAP4rev1 SASL-IR AUTH=XOAUTH2";
    server.start();
    Pop3Target target = { "127.0.0.1", SecurityNone, server.port(), nullptr };
    uint32_t count = 99;
    char detail[pop3DetailSize] = "";
    EXPECT_EQ(signInNeedsTls, ImapSession(target, nullptr, "user@example.org", "secret", &count, stopEvent, nullptr,
                                          detail, sizeof detail, nullptr, "at-123"));
    EXPECT_EQ(0u, count);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY"));
}

TEST_F(ImapXoauth2Test, AServerThatHangsUpOnTheTokenEndsTheSignInWithALine)
{
    server.override = [](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "AUTHENTICATE")
            return false;
        connection.close();
        return true;
    };
    EXPECT_EQ(signInTokenRefused, authenticate("IMAP4rev1 SASL-IR AUTH=XOAUTH2"));
    EXPECT_STREQ("error: the mail server did not answer the sign-in token", why);
}
