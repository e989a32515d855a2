// tessary.exe under Wine against a set of misbehaving POP3 servers at once, each on a loopback
// address of its own: every check must end with its result in the log while the program stays up,
// answers, shows no error box, never writes a password into the log, and saves its entry list
// unchanged when it closes.
#include <gtest/gtest.h>
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/hostile_pop3_server.h"
#include "support/program_process.h"
#include "support/temp_folder.h"
#include <memory>
#include <string>
#include <vector>

namespace {

const unsigned short pop3PortOfTheProgram = 110;
const int serverTimeoutSeconds = 2;
const DWORD dripPauseMs = 1200; // each byte a little before the time-out
const char* const checkFailed =
    ": warning: there was an error checking the account, make sure the server is up, and your username and "
    "password are correct ERROR: ";

// A TOP reply with a short header.
std::string header(int n)
{
    return "+OK\r\nFrom: Sender " + std::to_string(n) + " <s" + std::to_string(n) + "@example.org>\r\nSubject: message " +
           std::to_string(n) + "\r\n\r\n.\r\n";
}

void endlessLine(HostileConnection& c)
{
    std::string piece(4096, 'a');
    if (c.send("+OK "))
        while (c.send(piece)) {
        }
}

void junkGreeting(HostileConnection& c)
{
    std::string junk;
    unsigned seed = 12345;
    for (int i = 0; i < 700; ++i) {
        seed = seed * 1103515245 + 12345;
        junk += static_cast<char>(seed >> 16);
    }
    c.send(junk + "\r\n");
    std::string line;
    while (c.readLine(line)) {
    }
}

void closeInTheMiddleOfAReply(HostileConnection& c)
{
    std::string line;
    if (c.logIn() && c.readLine(line) && c.send("+OK 2 300\r\n") && c.readLine(line))
        c.send("+OK\r\nFrom: someone@example.org\r\nSubj");
}

void hugeCount(HostileConnection& c)
{
    std::string line;
    if (c.logIn() && c.readLine(line) && c.send("+OK 99999999999999999999 1\r\n") && c.readLine(line) &&
        c.send("-ERR no such message\r\n"))
        while (c.readLine(line)) {
        } // and never another reply
}

void negativeCount(HostileConnection& c)
{
    std::string line;
    if (c.logIn() && c.readLine(line) && c.send("+OK -5 0\r\n") && c.readLine(line) && line == "QUIT")
        c.send("+OK bye\r\n");
}

void resetAtOnce(HostileConnection& c)
{
    c.reset();
}

void oversizedGreeting(HostileConnection& c)
{
    c.send("+OK " + std::string(70000, 'g') + "\r\n");
    std::string line;
    while (c.readLine(line)) {
    }
}

void endlessTopReply(HostileConnection& c)
{
    std::string line;
    if (c.logIn() && c.readLine(line) && c.send("+OK 1 100\r\n") && c.readLine(line) && c.send("+OK\r\n"))
        for (int n = 0; c.send("X-Filler-" + std::to_string(n) + ": and more\r\n"); ++n) {
        }
}

// Every reply arrives a byte at a time, each byte a little before the time-out, so no single wait
// ever runs out; and with a huge count it would go on for ever.
void slowDrip(HostileConnection& c)
{
    std::string line;
    if (!c.drip("+OK\r\n", dripPauseMs))
        return;
    for (const char* reply : { "-ERR\r\n", "+OK\r\n", "+OK\r\n", "+OK 100000 0\r\n" })
        if (!c.readLine(line) || !c.drip(reply, dripPauseMs))
            return;
    while (c.readLine(line) && c.drip("-ERR\r\n", dripPauseMs)) {
    }
}

// A large mailbox whose every TOP is answered at once: the check ends well, and the window must
// stay responsive while it reports that many messages.
const int manyMessages = 5000;

void manyAnsweredAtOnce(HostileConnection& c)
{
    std::string line;
    if (!c.logIn() || !c.readLine(line) || !c.send("+OK " + std::to_string(manyMessages) + " 900000\r\n"))
        return;
    for (int n = 1; c.readLine(line); ++n)
        if (!c.send(line == "QUIT" ? "+OK bye\r\n" : header(n)))
            return;
}

struct HostileCase {
    const char* name;
    void (*behaviour)(HostileConnection&);
    std::string expected; // the part of the log line that carries the entry's result
    DWORD withinMs;
};

std::vector<HostileCase> hostileCases()
{
    return {
        { "endless", endlessLine, checkFailed + std::string("-3"), 30000 },
        { "junk", junkGreeting, checkFailed + std::string("-3"), 30000 },
        { "cut", closeInTheMiddleOfAReply, checkFailed + std::string("-102"), 30000 },
        { "huge", hugeCount, checkFailed + std::string("-102"), 30000 },
        { "negative", negativeCount, ": no mail.", 30000 },
        { "reset", resetAtOnce, checkFailed + std::string("-3"), 30000 },
        { "oversized", oversizedGreeting, checkFailed + std::string("-3"), 30000 },
        // Read to the reply limit of 4 MB, in the small pieces this server sends.
        { "endlesstop", endlessTopReply, checkFailed + std::string("-102"), 90000 },
        { "many", manyAnsweredAtOnce, ": " + std::to_string(manyMessages) + " messages", 60000 },
        // A whole session has a deadline: the drip ends as a failed check, whichever step it reached.
        { "drip", slowDrip, checkFailed, 120000 },
    };
}

std::string passwordOf(const std::string& name)
{
    return "Pw-" + name + "-7q!Z";
}

class HostileServers : public ::testing::Test {
protected:
    TempFolder folder;
    std::vector<std::unique_ptr<HostilePop3Server>> servers;
    ProgramProcess program; // ends before the servers it talks to
    WindowDriver& driver = program.driver;

    // What must hold whatever a server did: the program runs, answers at once, shows no box, and
    // keeps every password out of its log.
    void expectHealthy(const std::string& after, const std::vector<HostileCase>& cases)
    {
        EXPECT_TRUE(program.running()) << after;
        EXPECT_TRUE(driver.answers()) << "the window did not answer within a second after " << after;
        std::vector<HWND> boxes = driver.openBoxes();
        EXPECT_TRUE(boxes.empty()) << "a box is open after " << after << ": " << textOf(boxes[0]) << ": "
                                   << boxMessage(boxes[0]);
        std::string log = driver.log();
        for (const HostileCase& c : cases)
            EXPECT_EQ(std::string::npos, log.find(passwordOf(c.name))) << "after " << after;
    }
};

TEST_F(HostileServers, EveryCheckEndsWithItsResultAndTheProgramStaysWell)
{
    std::vector<HostileCase> cases = hostileCases();
    EntryList list;
    for (size_t i = 0; i < cases.size(); ++i) {
        std::string address = "127.0.0." + std::to_string(i + 2);
        servers.emplace_back(new HostilePop3Server(address, cases[i].behaviour));
        ASSERT_TRUE(servers.back()->start(pop3PortOfTheProgram))
            << "the program always uses port 110, which this test must be able to listen on at " << address;
        MailboxEntry* e = list.addNew();
        e->setName(cases[i].name);
        e->setServer(address.c_str());
        e->setUser("tester");
        e->setPassword(passwordOf(cases[i].name).c_str());
        e->connectionMode = AlwaysConnected;
    }
    ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
    std::string listBytes = readWholeFile(folder.file("default.tsl"));
    Settings settings = defaultSettings();
    settings.speakConnectSpeed = 0;
    settings.speakCheckResults = 1; // with every sender and subject: the report of a large mailbox is long
    settings.serverTimeoutSeconds = serverTimeoutSeconds;
    ASSERT_TRUE(saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &settings, sizeof settings));
    std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
    ASSERT_FALSE(exe.empty());

    ASSERT_TRUE(program.launch(exe, "", folder.path())) << "no main window appeared";
    for (const HostileCase& c : cases) {
        std::string line = std::string(c.name) + c.expected;
        EXPECT_TRUE(driver.logShows(line, c.withinMs)) << "no line \"" << line << "\" in:\n" << driver.log();
        expectHealthy(c.name, cases);
    }
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_GE(servers[i]->connections(), 1) << cases[i].name;

    ASSERT_EQ(0u, program.closeAndWait());
    EXPECT_EQ(listBytes, readWholeFile(folder.file("default.tsl")));
}

} // namespace
