// The IMAP session against servers that break the rules: refusals and BYE at each step, sizes
// beyond every bound, answers that never come. Each ends with its code within the time-outs.
#include "imap_test_support.h"
#include "mailcheck/imap_fetch.h"
#include "mailcheck/imap_response.h"

namespace {

// The override answers one verb in its own way, and leaves the rest to the server.
typedef std::function<void(ImapTestConnection&, const ImapTestCommand&)> Act;

ScriptedImapServer::Override onVerb(const std::string& verb, Act act)
{
    return [verb, act](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != verb)
            return false;
        act(connection, command);
        return true;
    };
}

TEST_F(ImapSessionTest, GreetingOtherThanOkOrPreauthIsRefused)
{
    server.greeting = "* BYE too busy, come back later\r\n";
    EXPECT_EQ(imapBadGreeting, run());
    EXPECT_STREQ("error: server refused the connection: too busy, come back later", detail);

    ScriptedImapServer pop3Like;
    pop3Like.greeting = "+OK a POP3 server\r\n";
    pop3Like.start();
    Pop3Target target = { "127.0.0.1", SecurityNone, pop3Like.port(), nullptr };
    EXPECT_EQ(imapBadGreeting,
              ImapSession(target, nullptr, "tester", "secret", &count, stopEvent, &headers, detail, sizeof detail));
    EXPECT_STREQ("error: server did not greet as an IMAP server", detail);
}

// The override answers the one command of that verb whose arguments hold part.
ScriptedImapServer::Override onCommand(const std::string& verb, const std::string& part, Act act)
{
    return [verb, part, act](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != verb || command.arguments.find(part) == std::string::npos)
            return false;
        act(connection, command);
        return true;
    };
}

struct StepRefusal {
    const char* verb;
    const char* part;  // of the arguments, to tell the UID list from the header blocks
    const char* reply; // after the tag
    int code;
    const char* detail;
};

// NO, BAD and BYE at every step end the session with that step's code and the server's words.
TEST_F(ImapSessionTest, RefusalsAtEveryStepKeepTheirCodes)
{
    const StepRefusal cases[] = {
        { "CAPABILITY", "", "BAD not now", imapCapabilityFailed, "error: server refused CAPABILITY: not now" },
        { "LOGIN", "", "NO [UNAVAILABLE] try later", imapLoginRefused,
          "error: server refused the login: [UNAVAILABLE] try later" },
        { "EXAMINE", "", "BAD syntax", imapFolderRefused, "error: server cannot open the folder INBOX: syntax" },
        { "UID FETCH", "(UID)", "NO busy", imapFetchFailed, "error: server refused to send the messages: busy" },
        { "UID FETCH", "BODY.PEEK", "BAD no", imapFetchFailed, "error: server refused to send the messages: no" },
        { "LOGOUT", "", "NO stay", imapLogoutFailed, "error: server refused LOGOUT: stay" },
        { "UID FETCH", "(UID)", "*BYE shutting down", imapFetchFailed, "error: server ended the session: shutting down" },
        { "EXAMINE", "", "*BYE gone", imapFolderRefused, "error: server ended the session: gone" },
    };
    for (const StepRefusal& step : cases) {
        ScriptedImapServer hostile;
        hostile.messages.push_back(ImapTestMessage{ 5, imapHeader(1) });
        std::string reply = step.reply;
        Act refuse = [reply](ImapTestConnection& connection, const ImapTestCommand& command) {
            if (reply[0] == '*') {
                connection.send("* " + reply.substr(1) + "\r\n");
                connection.close();
            } else {
                connection.send(command.tag + " " + reply + "\r\n");
            }
        };
        hostile.override = onCommand(step.verb, step.part, refuse);
        hostile.start();
        Pop3Target target = { "127.0.0.1", SecurityNone, hostile.port(), nullptr };
        freeHeaders();
        EXPECT_EQ(step.code,
                  ImapSession(target, nullptr, "tester", "secret", &count, stopEvent, &headers, detail, sizeof detail))
            << step.verb << " " << step.reply;
        EXPECT_STREQ(step.detail, detail) << step.verb;
    }
}

TEST_F(ImapSessionTest, HugeAnnouncedLiteralEndsTheSessionAtOnce)
{
    addMessages(1, 1);
    server.override = onVerb("UID FETCH", [](ImapTestConnection& connection, const ImapTestCommand&) {
        connection.send("* 1 FETCH (UID 101 BODY[HEADER] {4294967295}\r\nFrom: x\r\n");
        connection.hold();
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(imapServerBroken, run());
    EXPECT_LT(GetTickCount() - started, 3000u);
    EXPECT_STREQ("error: server announced more data than a check takes", detail);
}

TEST_F(ImapSessionTest, EndlessLineIsCutAtItsBound)
{
    server.override = onVerb("CAPABILITY", [](ImapTestConnection& connection, const ImapTestCommand&) {
        std::string chunk(8192, 'x');
        connection.send("* CAPABILITY IMAP4rev1 ");
        for (int i = 0; i < 64 && connection.send(chunk); ++i) {
        }
        connection.hold();
    });
    EXPECT_EQ(imapServerBroken, run());
    EXPECT_STREQ("error: server sent a line longer than 64 KB", detail);
}

TEST_F(ImapSessionTest, EndlessUntaggedStreamEnds)
{
    server.override = onVerb("CAPABILITY", [](ImapTestConnection& connection, const ImapTestCommand&) {
        std::string burst;
        for (int i = 0; i < 5000; ++i)
            burst += "* OK still here\r\n";
        while (connection.send(burst)) {
        }
    });
    EXPECT_EQ(imapServerBroken, run());
    EXPECT_STREQ("error: server sent responses without end", detail);
}

// A header block of any size: the first 256 KB up to a line end are kept, the rest is read and
// dropped, and the check goes on with the next message.
TEST_F(ImapSessionTest, LargeHeaderBlockIsKeptUpToItsBoundAtALineEnd)
{
    addMessages(1, 3);
    std::string line = "X-Filler: " + std::string(90, 'f') + "\r\n";
    std::string big;
    while (big.size() < 600000)
        big += line;
    server.messages[1].header = "Subject: big\r\n" + big + "\r\n";
    ASSERT_EQ(pop3Success, run());
    ASSERT_EQ(3u, count);
    std::string kept = slot(1);
    EXPECT_LE(kept.size(), imapMaxKeptLiteral + 16);
    EXPECT_GT(kept.size(), imapMaxKeptLiteral - 200);
    EXPECT_EQ(0u, kept.find("+OK\r\nSubject: big\r\nX-Filler: "));
    EXPECT_EQ("f\r\n.\r\n", kept.substr(kept.size() - 6)) << "ends at a whole line";
    EXPECT_EQ(keptForm(imapHeader(3)), slot(2));
}

TEST_F(ImapSessionTest, TaggedReplyThatNeverComesEndsAtTheServerTimeout)
{
    SeamOverride<volatile LONG> shortTimeout(serverTimeoutMs, 1000);
    addMessages(1, 1);
    server.override = onVerb("UID FETCH", [](ImapTestConnection& connection, const ImapTestCommand&) {
        connection.send("* 1 FETCH (UID 101)\r\n");
        connection.hold();
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(imapFetchFailed, run());
    EXPECT_LT(GetTickCount() - started, 4000u);
    EXPECT_STREQ("error: server did not send the messages asked for", detail);
}

TEST_F(ImapSessionTest, StopEventCutsAWaitShort)
{
    server.override = onVerb("EXAMINE", [this](ImapTestConnection& connection, const ImapTestCommand&) {
        SetEvent(stopEvent);
        connection.hold();
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(imapFolderRefused, run());
    EXPECT_LT(GetTickCount() - started, 2500u);
}

// Literal sizes, statuses and FETCH responses as the session reads them.
TEST(ImapResponseParsing, LiteralAnnouncementsAndStatuses)
{
    uint64_t size = 0;
    bool tooBig = false;
    EXPECT_TRUE(announcedLiteral("* 1 FETCH (BODY[HEADER] {120}", size, tooBig));
    EXPECT_EQ(120u, size);
    EXPECT_TRUE(announcedLiteral("x {7+}", size, tooBig));
    EXPECT_EQ(7u, size);
    EXPECT_TRUE(announcedLiteral("x {4294967296}", size, tooBig));
    EXPECT_TRUE(tooBig);
    EXPECT_FALSE(announcedLiteral("x {12a}", size, tooBig));
    EXPECT_FALSE(announcedLiteral("x {}", size, tooBig));
    EXPECT_FALSE(announcedLiteral("* OK done", size, tooBig));

    size_t rest = 0;
    EXPECT_EQ("NO", responseStatus("t4 no [ALERT] full", rest));
    EXPECT_EQ(6u, rest);
    EXPECT_EQ("", responseStatus("garbage", rest));

    ImapResponse response;
    response.text = "* 12 FETCH (UID 4711 BODY[HEADER] {10})";
    response.literals.push_back(ImapLiteral{ response.text.size() - 1, "Subject: x", 10 });
    uint32_t sequence = 0, uid = 0;
    ASSERT_TRUE(parseFetchResponse(response, sequence, uid));
    EXPECT_EQ(12u, sequence);
    EXPECT_EQ(4711u, uid);
    std::string block;
    bool cut = true;
    ASSERT_TRUE(fetchedHeaderBlock(response, block, cut));
    EXPECT_EQ("Subject: x", block);
    EXPECT_FALSE(cut);
    response.text = "* 3 FETCH (BODY[HEADER] NIL UID 9)";
    ASSERT_TRUE(parseFetchResponse(response, sequence, uid));
    EXPECT_EQ(9u, uid);
    ASSERT_TRUE(fetchedHeaderBlock(response, block, cut));
    EXPECT_EQ("", block);
    response.text = "* 3 EXISTS";
    EXPECT_FALSE(parseFetchResponse(response, sequence, uid));
}

TEST(ImapResponseParsing, UidSetsAreRangesOfBoundedSize)
{
    EXPECT_EQ(std::vector<std::string>{ "1:3,7,9:10" }, uidSets({ 10, 9, 7, 3, 2, 1, 2 }));
    std::vector<uint32_t> many;
    for (uint32_t uid = 1; uid <= 1200; ++uid)
        many.push_back(uid * 2);
    std::vector<std::string> sets = uidSets(many);
    ASSERT_EQ(3u, sets.size());
    EXPECT_EQ(0u, sets[1].find("1002,1004,"));
    std::vector<uint32_t> run;
    for (uint32_t uid = 1; uid <= 1200; ++uid)
        run.push_back(uid);
    EXPECT_EQ((std::vector<std::string>{ "1:500", "501:1000", "1001:1200" }), uidSets(run));
    EXPECT_TRUE(uidSets({}).empty());
}

TEST(ImapResponseParsing, ArgumentsAreQuotedOnlyWhenThatIsAllowed)
{
    EXPECT_EQ("\"plain\"", imapArgument("plain").value);
    EXPECT_FALSE(imapArgument("plain").literal);
    EXPECT_EQ("\"\"", imapArgument(nullptr).value);
    for (const char* special : { "a\"b", "a\\b", "a\r\nb", "\xC3\xA9t\xC3\xA9" }) {
        ImapArgument argument = imapArgument(special);
        EXPECT_TRUE(argument.literal) << special;
        EXPECT_EQ(special, argument.value);
    }
}

} // namespace
