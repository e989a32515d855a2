// IMAP entries against a real Dovecot (tests/support/with-dovecot --tls) whose private CA this
// program trusts: plain, STARTTLS and IMAP over TLS give the exact count and header blocks, new
// messages are told apart across checks, a restart and a new UIDVALIDITY, and a check never
// marks a message as seen.
#include "mailcheck/tls_dovecot_support.h"
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/imap_idle.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/known_messages.h"
#include "storage/data_folder.h"
#include <memory>
#include <thread>

using namespace tlsdovecot;

namespace {

class TrustTheRunsCa : public ::testing::Environment {
public:
    void SetUp() override
    {
        ca_ = new TrustedTestCa;
        ASSERT_TRUE(ca_->trusted());
    }
    void TearDown() override { delete ca_; }

private:
    TrustedTestCa* ca_ = nullptr;
};

const ::testing::Environment* const trustTheRunsCa = ::testing::AddGlobalTestEnvironment(new TrustTheRunsCa);

// Dovecot's BODY[HEADER]: the header lines with CRLF ends and the empty line after them.
std::string keptAsPop3Has(const std::string& text)
{
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return "+OK\r\n" + crlf.substr(0, crlf.find("\r\n\r\n") + 4) + ".\r\n";
}

void deleteMatching(const std::string& folder, const char* pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The maildir's message file names, new and cur: a file name carries the message's flags after ":2,".
std::vector<std::string> messageFiles(const std::string& folder)
{
    std::vector<std::string> names;
    for (const char* sub : { "new\\", "cur\\" }) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + sub + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return names;
}

class DovecotImapTest : public DovecotTlsTest {
protected:
    void SetUp() override
    {
        DovecotTlsTest::SetUp();
        imapPort = atoi(environment("TESSARY_DOVECOT_IMAP_PORT").c_str());
        imapsPort = atoi(environment("TESSARY_DOVECOT_IMAPS_PORT").c_str());
        ASSERT_NE(0, imapPort) << "run through tests/support/with-dovecot --tls";
        ASSERT_NE(0, imapsPort);
        emptyMaildir(maildir + ".Archive\\");
    }

    void deliverInto(const std::string& folder, int first, int last)
    {
        for (int n = first; n <= last; ++n) {
            std::string name = folder + "new\\" + std::to_string(1700000000 + delivered++) + ".M" + std::to_string(n) +
                               "P1.imap";
            ASSERT_TRUE(writeWholeFile(name, message(n)));
        }
    }

    int check(int32_t security, const char* folder = nullptr, KnownMessages* known = nullptr,
              const char* password = "secret")
    {
        freeHeaders();
        Pop3Target target = { "localhost", security, security == SecuritySslTls ? imapsPort : imapPort, nullptr };
        return ImapSession(target, folder, "tester", password, &count, nullptr, &headers, detail, sizeof detail, known);
    }

    void expectMessages(int first, int last)
    {
        ASSERT_EQ(uint32_t(last - first + 1), count);
        for (int n = first; n <= last; ++n)
            EXPECT_EQ(keptAsPop3Has(message(n)), slot(uint32_t(n - first))) << "message " << n;
    }

    std::string lastImapLogin() const { return lastLogLine("imap-login: Info: Login: user=<tester>"); }

    int imapPort = 0;
    int imapsPort = 0;
};

TEST_F(DovecotImapTest, EverySecurityCountsAndKeepsTheHeaderBlocks)
{
    deliverInto(maildir, 1, 3);
    ASSERT_EQ(pop3Success, check(SecurityNone)) << detail;
    expectMessages(1, 3);
    EXPECT_EQ(std::string::npos, lastImapLogin().find("TLS")) << lastImapLogin();

    ASSERT_EQ(pop3Success, check(SecurityStls)) << detail;
    expectMessages(1, 3);
    EXPECT_NE(std::string::npos, lastImapLogin().find("TLS")) << lastImapLogin();

    ASSERT_EQ(pop3Success, check(SecuritySslTls)) << detail;
    expectMessages(1, 3);
    EXPECT_NE(std::string::npos, lastImapLogin().find("TLS")) << lastImapLogin();
    EXPECT_STREQ("", detail);
}

TEST_F(DovecotImapTest, CertificateChecksApplyAsForPop3)
{
    Pop3Target target = { "127.0.0.1", SecuritySslTls, imapsPort, nullptr };
    EXPECT_EQ(pop3CertificateNameMismatch,
              ImapSession(target, nullptr, "tester", "secret", &count, nullptr, &headers, detail, sizeof detail));
    std::string wrongPin(64, 'A');
    target = { "localhost", SecurityStls, imapPort, wrongPin.c_str() };
    EXPECT_EQ(pop3CertificatePinMismatch,
              ImapSession(target, nullptr, "tester", "secret", &count, nullptr, &headers, detail, sizeof detail));
    target.trustedCertificate = serverThumbprint.c_str();
    EXPECT_EQ(pop3Success,
              ImapSession(target, nullptr, "tester", "secret", &count, nullptr, &headers, detail, sizeof detail));
}

TEST_F(DovecotImapTest, WrongPasswordIsRefused)
{
    EXPECT_EQ(imapLoginRefused, check(SecurityNone, nullptr, nullptr, "not the password"));
    EXPECT_NE(std::string::npos, std::string(detail).find("error: server refused the login: ")) << detail;
}

TEST_F(DovecotImapTest, AFolderOtherThanInbox)
{
    deliverInto(maildir, 1, 2);
    deliverInto(maildir + ".Archive\\", 5, 7);
    ASSERT_EQ(pop3Success, check(SecurityNone, "Archive")) << detail;
    expectMessages(5, 7);
    EXPECT_EQ(imapFolderRefused, check(SecurityNone, "No such folder"));
}

TEST_F(DovecotImapTest, ACheckLeavesEveryMessageUnseen)
{
    deliverInto(maildir, 1, 4);
    KnownMessages known;
    ASSERT_EQ(pop3Success, check(SecurityNone, nullptr, &known)) << detail;
    ASSERT_EQ(pop3Success, check(SecurityNone)) << detail;
    expectMessages(1, 4);
    std::vector<std::string> files = messageFiles(maildir);
    ASSERT_EQ(4u, files.size());
    for (const std::string& name : files) {
        size_t flags = name.find(":2,");
        EXPECT_TRUE(flags == std::string::npos || name.find('S', flags) == std::string::npos) << name;
    }
}

// A message delivered while the session idles is news within two seconds, over TLS too.
TEST_F(DovecotImapTest, DeliveryWhileIdlingIsNewsWithinTwoSeconds)
{
    deliverInto(maildir, 1, 1);
    for (int32_t security : { SecurityNone, SecuritySslTls }) {
        Pop3Target target = { "localhost", security, security == SecuritySslTls ? imapsPort : imapPort, nullptr };
        ImapFolderSession session(target, nullptr, nullptr);
        ASSERT_EQ(pop3Success, session.open("tester", "secret", detail, sizeof detail)) << detail;
        ASSERT_TRUE(session.capabilities().idle);
        DWORD deliveredAt = 0;
        std::thread delivery([&] {
            Sleep(700);
            deliveredAt = GetTickCount();
            deliverInto(maildir, 2, 2);
        });
        EXPECT_EQ(IdleOutcome::news, idleUntilNews(session, detail, sizeof detail)) << detail;
        DWORD noticed = GetTickCount();
        delivery.join();
        EXPECT_LT(noticed - deliveredAt, 2000u);
        ASSERT_EQ(pop3Success, session.examine(detail, sizeof detail));
        freeHeaders();
        ASSERT_EQ(pop3Success, session.read(&count, &headers, nullptr, detail, sizeof detail));
        EXPECT_EQ(keptAsPop3Has(message(2)), slot(count - 1));
        EXPECT_EQ(pop3Success, session.logOut(detail, sizeof detail));
    }
}

// The check worker of an entry that announces only new messages, as the program runs it.
class DovecotImapWorkerTest : public DovecotImapTest {
protected:
    void SetUp() override
    {
        DovecotImapTest::SetUp();
        chooseDataFolder(dataFiles.path().c_str());
    }
    void TearDown() override
    {
        chooseDataFolder("");
        DovecotImapTest::TearDown();
    }

    std::unique_ptr<MailboxEntry> newEntry()
    {
        std::unique_ptr<MailboxEntry> made(new MailboxEntry);
        made->setName("imap work");
        made->setServer("localhost");
        made->setUser("tester");
        made->setPassword("secret");
        made->protocol = ProtocolImap;
        made->setSecurity(SecurityStls);
        made->setPort(imapPort);
        made->setAnnounceNewOnly(true);
        return made;
    }

    std::vector<int> checkNews(MailboxEntry& entry)
    {
        RecordingWindow window;
        EXPECT_TRUE(entry.DoCheckEmail(window.handle()));
        EXPECT_TRUE(window.waitFor(WM_CHECK_DONE, 30000));
        EXPECT_TRUE(entry.stopCheck(false));
        EXPECT_TRUE(entry.seenMessages.news().counted);
        return entry.seenMessages.news().newNumbers;
    }

    // A new UIDVALIDITY: Dovecot makes its UID list again, numbered by the clock's second.
    void renumberMailbox()
    {
        Sleep(1100);
        deleteMatching(maildir, "dovecot-uidlist*");
        deleteMatching(maildir, "dovecot.index*");
    }

    TempFolder dataFiles;
};

TEST_F(DovecotImapWorkerTest, NewMessagesAcrossChecksARestartAndANewUidValidity)
{
    deliverInto(maildir, 1, 2);
    std::unique_ptr<MailboxEntry> entry = newEntry();
    EXPECT_EQ((std::vector<int>{ 1, 2 }), checkNews(*entry));
    EXPECT_EQ(2, entry->getLastResult());
    EXPECT_EQ(std::vector<int>{}, checkNews(*entry));
    deliverInto(maildir, 3, 3);
    EXPECT_EQ(std::vector<int>{ 3 }, checkNews(*entry));
    EXPECT_EQ(3, entry->getLastResult());
    ASSERT_EQ(3, entry->headerCount);
    char subject[64];
    ASSERT_TRUE(entry->getHeaderField(2, subject, sizeof subject, 1));
    EXPECT_STREQ("secured message 3", subject);

    // A restart: a new entry for the same mailbox reads what was seen from its state file.
    entry = newEntry();
    EXPECT_EQ(std::vector<int>{}, checkNews(*entry));
    deliverInto(maildir, 4, 4);
    EXPECT_EQ(std::vector<int>{ 4 }, checkNews(*entry));

    renumberMailbox();
    EXPECT_EQ((std::vector<int>{ 1, 2, 3, 4 }), checkNews(*entry));
    EXPECT_EQ(std::vector<int>{}, checkNews(*entry));
}

} // namespace
