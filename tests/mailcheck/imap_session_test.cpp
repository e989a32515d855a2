// The IMAP session against the scripted server: what it counts and keeps, what it sends (only
// read-only commands), logging in with quoted strings, literals and AUTHENTICATE PLAIN.
#include "imap_test_support.h"
#include <gmock/gmock.h>
#include <algorithm>
#include <set>

namespace {

using ::testing::ElementsAre;

TEST_F(ImapSessionTest, CountsTheFolderAndKeepsEveryHeaderBlockAsPop3Does)
{
    addMessages(1, 3);
    server.messages[1].header = "From: a@example.org\r\n.Dotted: line\r\n\r\n";
    ASSERT_EQ(pop3Success, run());
    ASSERT_EQ(3u, count);
    EXPECT_EQ(keptForm(imapHeader(1)), slot(0));
    EXPECT_EQ("+OK\r\nFrom: a@example.org\r\n..Dotted: line\r\n\r\n.\r\n", slot(1));
    EXPECT_EQ(keptForm(imapHeader(3)), slot(2));
    EXPECT_STREQ("", detail);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "LOGIN", "EXAMINE", "UID FETCH", "UID FETCH", "LOGOUT"));
    std::vector<ImapTestCommand> commands = server.commands();
    ASSERT_EQ(6u, commands.size());
    EXPECT_EQ("\"INBOX\"", commands[2].arguments);
    EXPECT_EQ("1:* (UID)", commands[3].arguments);
    EXPECT_EQ("101:103 (BODY.PEEK[HEADER])", commands[4].arguments);
}

// A greeting that lists the capabilities is taken at its word; EXAMINE and the UID list go out
// together, and so do the UID FETCHes of a large folder's header blocks: none waits for the
// answer before it.
TEST_F(ImapSessionTest, CommandsThatNeedNoAnswerFirstAreSentTogether)
{
    server.greeting = "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN IDLE] ready\r\n";
    addMessages(1, 1200);
    std::vector<size_t> waiting; // the client's commands already there when each was answered
    server.override = [&](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb == "EXAMINE" || command.verb == "UID FETCH")
            waiting.push_back(connection.linesWaiting(100));
        return false;
    };
    ASSERT_EQ(pop3Success, run());
    ASSERT_EQ(1200u, count);
    EXPECT_EQ(keptForm(imapHeader(1200)), slot(1199));
    EXPECT_THAT(server.verbs(),
                ElementsAre("LOGIN", "EXAMINE", "UID FETCH", "UID FETCH", "UID FETCH", "UID FETCH", "LOGOUT"));
    // The UID list came with EXAMINE, the three header sets together; LOGOUT waits for them.
    EXPECT_THAT(waiting, ElementsAre(1u, 0u, 2u, 1u, 0u));
    std::vector<ImapTestCommand> commands = server.commands();
    EXPECT_EQ("101:600 (BODY.PEEK[HEADER])", commands[3].arguments);
    EXPECT_EQ("1101:1300 (BODY.PEEK[HEADER])", commands[5].arguments);
}

TEST_F(ImapSessionTest, EmptyFolderFetchesNothing)
{
    KnownMessages known;
    ASSERT_EQ(pop3Success, run(SecurityNone, nullptr, &known));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, headers);
    EXPECT_TRUE(known.idsKnown);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "LOGIN", "EXAMINE", "UID FETCH", "LOGOUT"));
}

TEST_F(ImapSessionTest, UniqueIdsJoinUidValidityAndUidAndKnownBlocksAreNotFetchedAgain)
{
    addMessages(1, 4);
    server.uidValidity = 4242;
    KnownMessages known;
    const char* seenBefore = "+OK\r\nSubject: kept from the last check\r\n\r\n.\r\n";
    known.headersById["4242.102"] = seenBefore;
    known.headersById["4242.104"] = seenBefore;
    known.headersById["1.101"] = seenBefore; // another UIDVALIDITY: not the same message
    ASSERT_EQ(pop3Success, run(SecurityNone, nullptr, &known));
    ASSERT_EQ(4u, count);
    EXPECT_TRUE(known.idsKnown);
    EXPECT_FALSE(known.uidlRefused);
    EXPECT_THAT(known.ids, ElementsAre("4242.101", "4242.102", "4242.103", "4242.104"));
    EXPECT_EQ(keptForm(imapHeader(1)), slot(0));
    EXPECT_EQ(seenBefore, slot(1));
    EXPECT_EQ(keptForm(imapHeader(3)), slot(2));
    EXPECT_EQ(seenBefore, slot(3));
    ASSERT_EQ(6u, server.commands().size());
    EXPECT_EQ("101,103 (BODY.PEEK[HEADER])", server.commands()[4].arguments);
}

TEST_F(ImapSessionTest, AFolderOtherThanInboxIsExamined)
{
    server.folders = { "INBOX", "Lists/Tessary users" };
    addMessages(1, 2);
    ASSERT_EQ(pop3Success, run(SecurityNone, "Lists/Tessary users"));
    EXPECT_EQ(2u, count);
    ASSERT_GE(server.commands().size(), 3u);
    EXPECT_EQ("\"Lists/Tessary users\"", server.commands()[2].arguments);

    EXPECT_EQ(imapFolderRefused, run(SecurityNone, "Nowhere"));
    EXPECT_STREQ("error: server cannot open the folder Nowhere: Mailbox doesn't exist: Nowhere", detail);
    EXPECT_EQ(0u, count);
}

// RFC 3501: a quoted string carries neither quotes nor backslashes unescaped, nor 8-bit bytes;
// such a password goes as a literal after the server's "+".
TEST_F(ImapSessionTest, PasswordsThatCannotBeQuotedGoAsLiterals)
{
    for (std::string password :
         { std::string("pa\"ss\\word"), std::string("p\xE4sswort"), std::string("with space") }) {
        ScriptedImapServer fresh;
        fresh.password = password;
        fresh.start();
        Pop3Target target = { "127.0.0.1", SecurityNone, fresh.port(), nullptr };
        freeHeaders();
        EXPECT_EQ(pop3Success, ImapSession(target, nullptr, "tester", password.c_str(), &count, stopEvent, &headers,
                                           detail, sizeof detail))
            << password << ": " << detail;
        ASSERT_GE(fresh.commands().size(), 2u);
        ImapTestCommand login = fresh.commands()[1];
        bool needsLiteral = password != "with space";
        EXPECT_EQ(needsLiteral ? 1u : 0u, login.literals.size()) << login.arguments;
        if (needsLiteral) {
            EXPECT_EQ(password, login.literals[0]);
        } else {
            EXPECT_EQ("\"tester\" \"with space\"", login.arguments);
        }
    }
}

TEST_F(ImapSessionTest, LoginDisabledUsesAuthenticatePlain)
{
    server.capabilities = "IMAP4rev1 LOGINDISABLED AUTH=PLAIN";
    addMessages(1, 1);
    ASSERT_EQ(pop3Success, run());
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "AUTHENTICATE", "EXAMINE", "UID FETCH", "UID FETCH", "LOGOUT"));
    ASSERT_GE(server.commands().size(), 2u);
    ImapTestCommand authenticate = server.commands()[1];
    EXPECT_EQ("PLAIN", authenticate.arguments);
    ASSERT_EQ(1u, authenticate.literals.size());
    EXPECT_EQ(std::string("\0tester\0secret", 14), decodeBase64(authenticate.literals[0]));
}

TEST_F(ImapSessionTest, WrongPasswordIsRefusedWithTheServersWords)
{
    EXPECT_EQ(imapLoginRefused, run(SecurityNone, nullptr, nullptr, "not it"));
    EXPECT_STREQ("error: server refused the login: [AUTHENTICATIONFAILED] Authentication failed.", detail);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "LOGIN"));
}

TEST_F(ImapSessionTest, PreauthenticatedGreetingSkipsTheLogin)
{
    server.greeting = "* PREAUTH welcome back\r\n";
    addMessages(1, 1);
    ASSERT_EQ(pop3Success, run());
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY", "EXAMINE", "UID FETCH", "UID FETCH", "LOGOUT"));
}

TEST_F(ImapSessionTest, StarttlsMustBeOfferedAndAccepted)
{
    EXPECT_EQ(imapStarttlsNotOffered, run(SecurityStls));
    EXPECT_STREQ("error: server does not offer STARTTLS", detail);
    EXPECT_THAT(server.verbs(), ElementsAre("CAPABILITY"));

    server.capabilities = "IMAP4rev1 STARTTLS";
    EXPECT_EQ(imapStarttlsRefused, run(SecurityStls));
    EXPECT_STREQ("error: server refused STARTTLS: Error in IMAP command", detail);
    // Nothing after the refusal: neither the user name nor the password went out in plain text.
    std::vector<std::string> verbs = server.verbs();
    EXPECT_EQ(0, std::count(verbs.begin(), verbs.end(), "LOGIN"));
}

TEST_F(ImapSessionTest, DefaultPortsFollowTheSecurity)
{
    Pop3Target target = { "host", SecurityNone, 0, nullptr };
    EXPECT_EQ(143, imapPortFor(target));
    target.security = SecurityStls;
    EXPECT_EQ(143, imapPortFor(target));
    target.security = SecuritySslTls;
    EXPECT_EQ(993, imapPortFor(target));
    target.port = 10993;
    EXPECT_EQ(10993, imapPortFor(target));
    target.port = 70000;
    EXPECT_EQ(993, imapPortFor(target));
    EXPECT_STREQ("INBOX", imapFolderName(nullptr));
    EXPECT_STREQ("INBOX", imapFolderName(""));
    EXPECT_STREQ("Sent", imapFolderName("Sent"));
}

// Whatever a check does, the server hears only commands that cannot change the mailbox.
TEST_F(ImapSessionTest, OnlyReadOnlyCommandsAreEverSent)
{
    addMessages(1, 30);
    KnownMessages known;
    ASSERT_EQ(pop3Success, run(SecurityNone, nullptr, &known));
    for (size_t i = 0; i < 10; ++i)
        known.headersById[known.ids[i]] = "+OK\r\n\r\n.\r\n";
    ASSERT_EQ(pop3Success, run(SecurityNone, nullptr, &known));
    server.capabilities = "IMAP4rev1 LOGINDISABLED";
    ASSERT_EQ(pop3Success, run());
    EXPECT_EQ(imapLoginRefused, run(SecurityNone, nullptr, nullptr, "wrong"));

    const std::set<std::string> allowed = { "CAPABILITY", "STARTTLS", "LOGIN",  "AUTHENTICATE", "EXAMINE",
                                            "UID FETCH",  "FETCH",    "NOOP",   "IDLE",         "DONE",
                                            "LOGOUT" };
    std::vector<ImapTestCommand> commands = server.commands();
    EXPECT_GE(commands.size(), 20u);
    for (const ImapTestCommand& command : commands) {
        EXPECT_EQ(1u, allowed.count(command.verb)) << command.verb;
        if (command.verb == "FETCH" || command.verb == "UID FETCH") {
            EXPECT_EQ(std::string::npos, command.arguments.find("BODY[")) << "a fetch that marks \\Seen";
        }
    }
}

} // namespace
