// AUTH XOAUTH2 against a scripted server: the two steps, the error challenge, and the refusals that
// must never send the token where it does not belong.
#include "mailcheck/pop3_test_support.h"
#include "mailcheck/pop3_connection.h"
#include "mailcheck/pop3_xoauth2.h"
#include "mailcheck/session_deadline.h"
#include "signin/web_encoding.h"
#include "storage/mailbox_entry.h"

namespace {

class Xoauth2Test : public Pop3SessionTest {
protected:
    // Greets, then runs AUTH XOAUTH2 on a plain connection (the session itself refuses plain
    // text; the exchange is the same inside TLS).
    int authenticate(FakePop3Server& server, const char* token = "at-123")
    {
        server.start();
        SOCKET s = connectTo(server.port(), "127.0.0.1");
        if (s == INVALID_SOCKET)
            return -9999;
        SessionDeadline deadline;
        Pop3Connection connection(s, stopEvent, &deadline);
        char reply[pop3StatusBufferSize];
        if (connection.open() != pop3Success || !connection.status(reply, sizeof reply, false))
            return -9998;
        return authenticateXoauth2(connection, "user@example.org", token, why, sizeof why);
    }

    static std::string expectedResponse()
    {
        std::string plain = "user=user@example.org\x01" "auth=Bearer at-123\x01\x01";
        return base64Encode(plain.data(), plain.size());
    }

    char why[pop3DetailSize] = "";
};

} // namespace

TEST_F(Xoauth2Test, SendsTheCommandThenTheResponseAfterTheContinuation)
{
    FakePop3Server server;
    server.send("+OK ready\r\n").answer("+ \r\n").answer("+OK signed in\r\n");
    EXPECT_EQ(pop3Success, authenticate(server));
    std::vector<std::string> commands = server.commands();
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ("AUTH XOAUTH2", commands[0]);
    EXPECT_EQ(expectedResponse(), commands[1]);
}

TEST_F(Xoauth2Test, AnErrorChallengeGetsAnEmptyLineThenItsError)
{
    // {"status":"401","schemes":"bearer","scope":"https://mail.google.com/"}
    std::string challenge = "{\"status\":\"401\",\"schemes\":\"bearer\",\"scope\":\"https://mail.google.com/\"}";
    FakePop3Server server;
    server.send("+OK ready\r\n")
        .answer("+\r\n")
        .answer("+ " + base64Encode(challenge.data(), challenge.size()) + "\r\n")
        .answer("-ERR authentication failed\r\n");
    EXPECT_EQ(signInTokenRefused, authenticate(server));
    EXPECT_STREQ("error: the mail server refused the sign-in token (status 401)", why);
    std::vector<std::string> commands = server.commands();
    ASSERT_EQ(3u, commands.size());
    EXPECT_EQ("", commands[2]);
}

TEST_F(Xoauth2Test, AStraightRefusalOfTheTokenOrTheMechanism)
{
    FakePop3Server refusesToken;
    refusesToken.send("+OK ready\r\n").answer("+ \r\n").answer("-ERR [AUTH] invalid token\r\n");
    EXPECT_EQ(signInTokenRefused, authenticate(refusesToken));
    EXPECT_STREQ("error: the mail server refused the sign-in token", why);

    // Without the continuation the token is never sent.
    FakePop3Server refusesMechanism;
    refusesMechanism.send("+OK ready\r\n").answer("-ERR unknown mechanism\r\n");
    EXPECT_EQ(signInTokenRefused, authenticate(refusesMechanism));
    EXPECT_STREQ("error: the mail server does not take sign-in tokens (AUTH XOAUTH2)", why);
    EXPECT_EQ(1u, refusesMechanism.commands().size());
}

TEST_F(Xoauth2Test, AServerThatGoesQuietEndsAtTheTimeOut)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
    FakePop3Server server;
    server.send("+OK ready\r\n").receive().holdWithoutReading();
    EXPECT_EQ(signInTokenRefused, authenticate(server));
}

TEST_F(Xoauth2Test, ControlCharactersInTheAccountOrTokenAreNeverSent)
{
    std::string response;
    EXPECT_FALSE(xoauth2Response("user@example.org", "at\x01" "auth=x", response));
    EXPECT_FALSE(xoauth2Response("user\r\n@example.org", "at", response));
    EXPECT_TRUE(xoauth2Response("user@example.org", "at-123", response));
    EXPECT_EQ(expectedResponse(), response);
}

TEST_F(Xoauth2Test, TheSessionRefusesToSendATokenWithoutTls)
{
    FakePop3Server server;
    server.greets();
    server.start();
    Pop3Target plain = { "127.0.0.1", SecurityNone, server.port(), nullptr };
    char detail[pop3DetailSize] = "";
    EXPECT_EQ(signInNeedsTls, Pop3SessionWithToken(plain, "user@example.org", "at-123", &count, stopEvent, &headers,
                                                   detail, sizeof detail));
    EXPECT_STREQ("error: a signed-in entry needs a secure connection; choose STLS or SSL/TLS", detail);
    EXPECT_EQ(0, server.connections());
}
