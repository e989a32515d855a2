// Refusals that name their remedy, from scripted POP3 and IMAP servers that answer with real
// providers' texts: the log shows the server's words under the failure and then what to do.
#include <gtest/gtest.h>
#include "support/fake_pop3_server.h"
#include "support/main_window_harness.h"
#include "support/scripted_imap_server.h"
#include <memory>
#include <sstream>
#include <vector>

namespace {

struct RefusalCase {
    const char* name;
    bool atStat;         // the refusal answers STAT, after a taken password
    const char* reply;   // the server's "-ERR" line
    const char* detail;  // the line under the failure
    const char* remedy;  // the line after it; null: none
};

const char appPasswordLine[] =
    "warning: the server asks for an app password; make one at the provider and enter it as the password";
const char webSignInLine[] = "warning: the server wants a sign-in on its web page first; sign in there with a "
                             "browser, confirm that it was you, then check again";
const char credentialsLine[] = "warning: the server refused the user name or password; check both, and enter an app "
                               "password where the provider asks for one";

const RefusalCase cases[] = {
    { "gmailapp", false, "-ERR [AUTH] Application-specific password required: https://support.google.com/accounts/answer/185833",
      "error: server refused the login: [AUTH] Application-specific password required: "
      "https://support.google.com/accounts/answer/185833",
      appPasswordLine },
    { "weblogin", false, "-ERR [AUTH] Web login required: https://support.google.com/mail/answer/78754",
      "error: server refused the login: [AUTH] Web login required: https://support.google.com/mail/answer/78754",
      webSignInLine },
    { "browser", false, "-ERR [ALERT] Please log in via your web browser: https://support.google.com/mail/accounts/answer/78754 (Failure)",
      "error: server refused the login: [ALERT] Please log in via your web browser: "
      "https://support.google.com/mail/accounts/answer/78754 (Failure)",
      webSignInLine },
    { "popoff", true,
      "-ERR [SYS/PERM] Your account is not enabled for POP access. Please visit your Gmail settings page and enable "
      "your account for POP access.",
      "error: server refused to count the messages: [SYS/PERM] Your account is not enabled for POP access. Please "
      "visit your Gmail settings page and enable your account for POP access.",
      "warning: POP access is off for this account; switch it on in the provider's web settings" },
    { "basicauth", false, "-ERR Authentication unsuccessful, basic authentication is disabled.",
      "error: server refused the login: Authentication unsuccessful, basic authentication is disabled.",
      "warning: the server takes no passwords; choose the sign-in \"Microsoft account (OAuth 2.0)\" in the entry's "
      "Edit dialog and sign in" },
    { "exchange", false, "-ERR Logon failure: unknown user name or bad password.",
      "error: server refused the login: Logon failure: unknown user name or bad password.",
      "warning: the server refused the user name or password; an Outlook.com or Microsoft 365 mailbox takes no "
      "passwords: choose the sign-in \"Microsoft account (OAuth 2.0)\" in the entry's Edit dialog" },
    { "notaccepted", false, "-ERR [AUTH] Username and password not accepted.",
      "error: server refused the login: [AUTH] Username and password not accepted.", credentialsLine },
    // A refusal that names no remedy gets the server's words and nothing more.
    { "plain", false, "-ERR [AUTH] authentication failed", "error: server refused the login: [AUTH] authentication failed",
      nullptr },
};

// The log's lines without their "hh:mm " time stamps.
std::vector<std::string> logLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line.size() > 6 && line[2] == ':' ? line.substr(6) : line);
    }
    return lines;
}

// The lines that follow the failure line of the entry, up to the next line of another entry.
std::vector<std::string> linesAfterFailure(const std::string& log, const std::string& name)
{
    std::vector<std::string> lines = logLines(log), after;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, name.size() + 29, name + ": warning: there was an error") != 0)
            continue;
        for (size_t j = i + 1; j < lines.size() && lines[j].compare(0, name.size() + 2, name + ": ") == 0; ++j)
            after.push_back(lines[j].substr(name.size() + 2));
        break;
    }
    return after;
}

TEST(ServerRemedies, EachKnownPop3RefusalIsQuotedAndFollowedByWhatToDo)
{
    std::vector<std::unique_ptr<FakePop3Server>> servers;
    for (const RefusalCase& c : cases) {
        servers.emplace_back(new FakePop3Server);
        FakePop3Server& server = *servers.back();
        server.greets("+OK ready\r\n").answer("+OK\r\n"); // greets refuses CAPA; USER taken
        if (c.atStat)
            server.answer("+OK\r\n");
        server.answer(std::string(c.reply) + "\r\n");
        server.start();
    }
    MainWindowHarness h;
    h.writeEntryList([&](EntryList& list) {
        for (size_t i = 0; i < servers.size(); ++i) {
            MailboxEntry* e = list.addNew();
            e->setName(cases[i].name);
            e->setServer("127.0.0.1");
            e->setPort(servers[i]->port());
            e->setUser("tester");
            e->setPassword("secret");
            e->connectionMode = AlwaysConnected;
        }
    });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    ASSERT_TRUE(h.pumpUntil([&] { return h.logCount(": warning: there was an error") == int(servers.size()); },
                            20000))
        << h.log();
    std::string log = h.log();
    for (const RefusalCase& c : cases) {
        std::vector<std::string> expected = { c.detail };
        if (c.remedy)
            expected.push_back(c.remedy);
        EXPECT_EQ(expected, linesAfterFailure(log, c.name)) << log;
        EXPECT_NE(std::string::npos, log.find(std::string(c.name) + ": warning: there was an error checking the account, "
                                                                  "make sure the server is up, and your username and "
                                                                  "password are correct ERROR: " +
                                              (c.atStat ? "-9" : "-7")))
            << c.name;
    }
}

TEST(ServerRemedies, AnImapAlertNamingAnAppPasswordGetsTheSameAdvice)
{
    ScriptedImapServer server;
    server.override = [](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "LOGIN" && command.verb != "AUTHENTICATE")
            return false;
        connection.send(command.tag + " NO [ALERT] Application-specific password required: "
                                      "https://support.google.com/accounts/answer/185833 (Failure)\r\n");
        return true;
    };
    server.start();
    MainWindowHarness h;
    h.writeEntryList([&](EntryList& list) {
        MailboxEntry* e = list.addNew();
        e->setName("imapbox");
        e->setServer("127.0.0.1");
        e->setPort(server.port());
        e->setUser("tester");
        e->setPassword("secret");
        e->connectionMode = AlwaysConnected;
        e->protocol = ProtocolImap;
    });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    ASSERT_TRUE(h.pumpUntil([&] { return h.logCount("imapbox: warning: there was an error") == 1; }, 20000))
        << h.log();
    EXPECT_EQ((std::vector<std::string>{ "error: server refused the login: [ALERT] Application-specific password "
                                         "required: https://support.google.com/accounts/answer/185833 (Failure)",
                                         appPasswordLine }),
              linesAfterFailure(h.log(), "imapbox"))
        << h.log();
}

} // namespace
