// The entry list: its file byte for byte in every version, damaged and unreadable files, and the
// list-wide operations.
#include <gtest/gtest.h>
#include "storage/binary_file.h"
#include "storage/entry_list.h"
#include "storage/owned_string.h"
#include "storage/protected_secrets.h"
#include "support/file_bytes.h"
#include "support/fake_clock.h"
#include "support/seam_override.h"
#include "support/standin_worker.h"
#include "support/temp_folder.h"
#include <algorithm>
#include <cstring>

namespace {

const std::string magic8 = "TSL0108PREttyPreTTyPRETTyKITTY!";
const std::string magic9 = "TSL0109PREttyPreTTyPRETTyKITTY!";
const std::string magic = "TSL0110PREttyPreTTyPRETTyKITTY!";

// The 85 bytes of an entry with the defaults and no strings, as the older version stores it.
std::string defaultEntryBytes8()
{
    std::string b(16, '\0');
    b += int32Bytes(1) + int32Bytes(0) + std::string(7, '\1');
    b += int32Bytes(0) + int32Bytes(30) + int32Bytes(-1) + int32Bytes(0) + int32Bytes(-1) + int32Bytes(0);
    b += '\1';
    b += std::string(5, '\0');
    b += std::string(24, '\0');
    return b;
}

// Version 9 adds security, port, trusted certificate and announce-new-only: 98 bytes.
std::string fields9(int32_t security, int32_t port, const std::string& certificate, char announceNewOnly)
{
    return int32Bytes(security) + int32Bytes(port) + plain(certificate) + std::string(1, announceNewOnly);
}

std::string defaultEntryBytes9()
{
    return defaultEntryBytes8() + fields9(0, 0, "", 0);
}

// Version 10 adds protocol, folder, watch continuously, sign-in, account, protected secrets, show
// notification and mute.
struct Fields10 {
    int32_t protocol = 0;
    std::string folder;
    char watchContinuously = 0;
    int32_t signIn = 0;
    std::string account;
    std::string protectedSecrets;
    char showNotification = 1;
    char mute = 0;

    std::string bytes() const
    {
        return int32Bytes(protocol) + plain(folder) + std::string(1, watchContinuously) + int32Bytes(signIn) +
               plain(account) + plain(protectedSecrets) + std::string(1, showNotification) + std::string(1, mute);
    }
};

// An entry with the defaults, as version 10 stores it: 121 bytes.
std::string defaultEntryBytes()
{
    return defaultEntryBytes9() + Fields10().bytes();
}

// Windows 95 to ME and NT 4: no data protection API.
BOOL WINAPI protectMissing(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}
BOOL WINAPI unprotectMissing(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}
const ProtectedDataCalls noDataProtection = { protectMissing, unprotectMissing };

std::string textOrNull(const char* text)
{
    return text ? text : "(null)";
}

const char thumbprint[] = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";

// Records the largest owned-string allocation a load asks for.
size_t largestAllocation = 0;
char* countingAllocation(size_t size)
{
    largestAllocation = std::max(largestAllocation, size);
    return allocateWithNew(size);
}

class EntryListFile : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("default.tsl");
    std::string backup = path + ".bad";

    void fillEverything(MailboxEntry& e, int variant)
    {
        std::string n = "Account " + std::to_string(variant);
        e.setName(n.c_str());
        e.setServer("pop.example.org");
        e.setUser("user");
        e.setPassword("p\xC8\xFF\x01w"); // bytes above 184 wrap when shifted
        e.connectionMode = variant % 3;
        e.setDialupEntry(variant % 2 ? "My ISP" : nullptr);
        e.checkDays[variant % 7] = false;
        e.periodHours = variant;
        e.periodMinutes = 15;
        e.startHour = 8;
        e.startMinute = 5;
        e.endHour = variant % 2 ? -1 : 20;
        e.endMinute = 45;
        e.enabled = variant % 2 == 0;
        e.hangUpWhenDone = true;
        e.playSoundOnMail = true;
        e.runShellCommand = variant % 2 == 1;
        e.setMailSoundFile("C:\\ding.wav");
        e.setMailProgramPath("C:\\mail\\mail.exe");
        e.setMailProgramArgs("/check");
        e.setShellCommand("print");
        e.setShellCommandFile("C:\\log.txt");
        e.setSecurity(variant % 3);
        e.setPort(variant ? 990 + variant : 0);
        e.setTrustedCertificate(variant % 2 ? thumbprint : nullptr);
        e.setAnnounceNewOnly(variant % 2 == 0);
        e.protocol = variant % 2;
        e.setFolder(variant % 2 ? "Lists/tessary" : nullptr);
        e.watchContinuously = variant % 2 == 1;
        e.signIn = variant % 3;
        e.setAccount(variant ? "someone@example.org" : nullptr);
        e.setRefreshToken(variant % 3 ? "1//0refresh-token" : nullptr);
        e.showNotification = variant % 2 == 0;
        e.mute = variant % 3 == 1;
    }

    // Loads the file and checks that a load that could not read it in full kept its bytes.
    FileLoadReport loadExpectingDamage(EntryList& list, const std::string& bytes, const std::string& what)
    {
        FileLoadReport report;
        EXPECT_FALSE(list.load(path.c_str(), report)) << what;
        EXPECT_EQ(FileLoadReport::Damaged, report.outcome) << what;
        EXPECT_EQ(list.count, report.entriesRead) << what;
        EXPECT_EQ(backup, std::string(report.keptAs)) << what;
        EXPECT_EQ(bytes, readWholeFile(backup)) << what;
        DeleteFileA(backup.c_str());
        return report;
    }
};

TEST_F(EntryListFile, EmptyListIsThirtyFiveBytes)
{
    EntryList list;
    ASSERT_TRUE(list.save(path.c_str()));
    EXPECT_EQ(magic + int32Bytes(0), readWholeFile(path));
    EntryList back;
    FileLoadReport report;
    EXPECT_TRUE(back.load(path.c_str(), report));
    EXPECT_EQ(FileLoadReport::Read, report.outcome);
    EXPECT_EQ(0, back.count);
    EXPECT_EQ(nullptr, back.head);
}

TEST_F(EntryListFile, DefaultEntryIsTheOldHundredAndTwentyBytesPlusThirteenPlusTwentyThree)
{
    EntryList list;
    list.addNew();
    ASSERT_TRUE(list.save(path.c_str()));
    std::string bytes = readWholeFile(path);
    ASSERT_EQ(35u + 121u, bytes.size());
    EXPECT_EQ(magic + int32Bytes(1) + defaultEntryBytes(), bytes);
}

TEST_F(EntryListFile, Version9FieldsFollowTheOldOnesByteForByte)
{
    EntryList list;
    MailboxEntry* e = list.addNew();
    e->setName("N");
    e->setSecurity(SecuritySslTls);
    e->setPort(995);
    e->setTrustedCertificate(thumbprint);
    e->setAnnounceNewOnly(true);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string expected = magic + int32Bytes(1) + plain("N") + defaultEntryBytes8().substr(4) +
                           fields9(2, 995, thumbprint, 1) + Fields10().bytes();
    EXPECT_EQ(expected, readWholeFile(path));

    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    EXPECT_EQ(SecuritySslTls, back.head->security);
    EXPECT_EQ(995, back.head->port);
    EXPECT_STREQ(thumbprint, back.head->trustedCertificate);
    EXPECT_TRUE(back.head->announceNewOnly);
}

TEST_F(EntryListFile, OlderVersionsLoadWithTheDefaultsOfLaterFieldsAndAreSavedInTheNewest)
{
    std::string named8 = plain("Old") + plain("pop.example.org") + defaultEntryBytes8().substr(8);
    std::string named9 = named8 + fields9(2, 995, thumbprint, 1);
    struct Case {
        std::string file;
        int32_t security;
        std::string saved;
    } cases[] = {
        { magic8 + int32Bytes(2) + named8 + defaultEntryBytes8(), SecurityNone,
          magic + int32Bytes(2) + named8 + fields9(0, 0, "", 0) + Fields10().bytes() + defaultEntryBytes() },
        { magic9 + int32Bytes(2) + named9 + defaultEntryBytes9(), SecuritySslTls,
          magic + int32Bytes(2) + named9 + Fields10().bytes() + defaultEntryBytes() },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeWholeFile(path, c.file));
        // Entries loaded earlier with other values are cleared by the load.
        EntryList list;
        fillEverything(*list.addNew(), 1);
        FileLoadReport report;
        ASSERT_TRUE(list.load(path.c_str(), report)) << c.file.substr(0, 7);
        EXPECT_EQ(FileLoadReport::Read, report.outcome);
        ASSERT_EQ(2, list.count);
        EXPECT_STREQ("Old", list.head->name);
        EXPECT_STREQ("pop.example.org", list.head->server);
        EXPECT_EQ(c.security, list.head->security);
        for (MailboxEntry* e = list.head; e; e = e->next) {
            EXPECT_EQ(ProtocolPop3, e->protocol);
            EXPECT_EQ(nullptr, e->folder);
            EXPECT_FALSE(e->watchContinuously);
            EXPECT_EQ(SignInPassword, e->signIn);
            EXPECT_EQ(nullptr, e->account);
            EXPECT_EQ(nullptr, e->refreshToken);
            EXPECT_TRUE(e->showNotification);
            EXPECT_FALSE(e->mute);
            EXPECT_FALSE(e->secretsUnreadable());
        }
        EXPECT_EQ(nullptr, list.head->next->trustedCertificate);
        EXPECT_FALSE(list.head->next->announceNewOnly);
        EXPECT_FALSE(fileExists(backup));

        ASSERT_TRUE(list.save(path.c_str()));
        EXPECT_EQ(c.saved, readWholeFile(path));
    }
}

TEST_F(EntryListFile, Version10FieldsByteForByteAndBack)
{
    EntryList list;
    MailboxEntry* e = list.addNew();
    e->setName("N");
    e->protocol = ProtocolImap;
    e->setFolder("Archive/2026");
    e->watchContinuously = true;
    e->signIn = SignInGoogle;
    e->setAccount("ann@example.org");
    e->showNotification = false;
    e->mute = true;
    ASSERT_TRUE(list.save(path.c_str()));
    Fields10 f;
    f.protocol = 1;
    f.folder = "Archive/2026";
    f.watchContinuously = 1;
    f.signIn = 2;
    f.account = "ann@example.org";
    f.showNotification = 0;
    f.mute = 1;
    EXPECT_EQ(magic + int32Bytes(1) + plain("N") + defaultEntryBytes9().substr(4) + f.bytes(), readWholeFile(path));

    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    MailboxEntry copy;
    copy.copyFrom(*back.head);
    const MailboxEntry* loaded = back.head;
    for (const MailboxEntry* read : { loaded, static_cast<const MailboxEntry*>(&copy) }) {
        EXPECT_EQ(ProtocolImap, read->protocol);
        EXPECT_STREQ("Archive/2026", read->folder);
        EXPECT_TRUE(read->watchContinuously);
        EXPECT_EQ(SignInGoogle, read->signIn);
        EXPECT_STREQ("ann@example.org", read->account);
        EXPECT_FALSE(read->showNotification);
        EXPECT_TRUE(read->mute);
    }
}

TEST_F(EntryListFile, ProtocolAndSignInOutsideTheirRangesReadAsTheirDefaults)
{
    struct Case {
        int32_t protocol, signIn, protocolRead, signInRead;
    } cases[] = {
        { 2, 3, 0, 0 }, { -1, -1, 0, 0 }, { INT32_MIN, 0x7FFFFFFF, 0, 0 }, { 1, 2, 1, 2 }, { 0, 1, 0, 1 },
    };
    for (const Case& c : cases) {
        Fields10 f;
        f.protocol = c.protocol;
        f.signIn = c.signIn;
        f.watchContinuously = '\x40';
        f.showNotification = 0;
        f.mute = '\xFF';
        ASSERT_TRUE(writeWholeFile(path, magic + int32Bytes(1) + defaultEntryBytes9() + f.bytes()));
        EntryList list;
        ASSERT_TRUE(list.load(path.c_str())) << c.protocol << " " << c.signIn;
        EXPECT_EQ(c.protocolRead, list.head->protocol) << c.protocol;
        EXPECT_EQ(c.signInRead, list.head->signIn) << c.signIn;
        EXPECT_TRUE(list.head->watchContinuously);
        EXPECT_FALSE(list.head->showNotification);
        EXPECT_TRUE(list.head->mute);
    }
}

TEST_F(EntryListFile, SecurityAndPortOutsideTheirRangesReadAsZero)
{
    struct Case {
        int32_t security, port, securityRead, portRead;
    } cases[] = {
        { 3, 65536, 0, 0 }, { -1, -1, 0, 0 }, { 0x7FFFFFFF, INT32_MIN, 0, 0 },
        { 2, 65535, 2, 65535 }, { 1, 1, 1, 1 },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeWholeFile(path, magic9 + int32Bytes(1) + defaultEntryBytes8() +
                                             fields9(c.security, c.port, "", 7)));
        EntryList list;
        ASSERT_TRUE(list.load(path.c_str())) << c.security << " " << c.port;
        EXPECT_EQ(c.securityRead, list.head->security) << c.security;
        EXPECT_EQ(c.portRead, list.head->port) << c.port;
        EXPECT_TRUE(list.head->announceNewOnly);
    }
}

TEST_F(EntryListFile, WithoutDataProtectionThePasswordIsShiftedBySeventyOneWithItsPlainLength)
{
    SeamOverride<ProtectedDataCalls> windows95(protectedDataCalls, noDataProtection);
    EntryList list;
    list.addNew()->setPassword("Az\xC8\xFF");
    ASSERT_TRUE(list.save(path.c_str()));
    std::string bytes = readWholeFile(path);
    // magic, count, three empty strings, then the password.
    std::string stored = bytes.substr(35 + 12, 8);
    const std::string shifted = { '\x88', '\xC1', '\x0F', '\x46' };
    EXPECT_EQ(int32Bytes(4) + shifted, stored);
    EXPECT_EQ(defaultEntryBytes().substr(defaultEntryBytes().size() - 23), bytes.substr(bytes.size() - 23))
        << "no protected secrets";
    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    EXPECT_STREQ("Az\xC8\xFF", back.head->password);
}

TEST_F(EntryListFile, RoundTripKeepsOrderAndConfigurationAndClearsRunState)
{
    EntryList list;
    for (int i = 0; i < 3; ++i) {
        MailboxEntry* e = list.addNew();
        fillEverything(*e, i);
        e->lastResult = 9;
        e->hangUpPending = true;
        e->retryDelayMinutes = 40;
        e->lastCheckTime = FakeClock::make(2026, 1, 2, 3, 4);
    }
    ASSERT_TRUE(list.save(path.c_str()));
    std::string first = readWholeFile(path);

    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    ASSERT_EQ(3, back.count);
    MailboxEntry* e = back.head;
    for (int i = 0; i < 3; ++i, e = e->next) {
        ASSERT_NE(nullptr, e);
        MailboxEntry expected;
        fillEverything(expected, i);
        EXPECT_STREQ(expected.name, e->name);
        EXPECT_STREQ(expected.password, e->password);
        EXPECT_EQ(expected.connectionMode, e->connectionMode);
        if (expected.dialupEntry)
            EXPECT_STREQ(expected.dialupEntry, e->dialupEntry);
        else
            EXPECT_EQ(nullptr, e->dialupEntry);
        EXPECT_EQ(0, memcmp(expected.checkDays, e->checkDays, 7));
        EXPECT_EQ(expected.periodHours, e->periodHours);
        EXPECT_EQ(expected.endHour, e->endHour);
        EXPECT_EQ(expected.enabled, e->enabled);
        EXPECT_EQ(expected.runShellCommand, e->runShellCommand);
        EXPECT_STREQ("C:\\log.txt", e->shellCommandFile);
        EXPECT_EQ(nullptr, e->noMailSoundFile);
        EXPECT_EQ(expected.security, e->security);
        EXPECT_EQ(expected.port, e->port);
        if (expected.trustedCertificate)
            EXPECT_STREQ(expected.trustedCertificate, e->trustedCertificate);
        else
            EXPECT_EQ(nullptr, e->trustedCertificate);
        EXPECT_EQ(expected.announceNewOnly, e->announceNewOnly);
        EXPECT_EQ(expected.protocol, e->protocol);
        EXPECT_EQ(textOrNull(expected.folder), textOrNull(e->folder));
        EXPECT_EQ(expected.watchContinuously, e->watchContinuously);
        EXPECT_EQ(expected.signIn, e->signIn);
        EXPECT_EQ(textOrNull(expected.account), textOrNull(e->account));
        EXPECT_EQ(textOrNull(expected.refreshToken), textOrNull(e->refreshToken));
        EXPECT_EQ(expected.showNotification, e->showNotification);
        EXPECT_EQ(expected.mute, e->mute);
        EXPECT_EQ(0, e->lastResult);
        EXPECT_FALSE(e->hangUpPending);
        EXPECT_EQ(0, e->retryDelayMinutes);
        EXPECT_EQ(0, e->lastCheckTime.wYear);
    }
    EXPECT_EQ(nullptr, e);
    ASSERT_TRUE(back.save(path.c_str()));
    EXPECT_EQ(first, readWholeFile(path));
}

TEST_F(EntryListFile, AnyNonZeroFlagByteReadsAsSet)
{
    std::string entry = defaultEntryBytes();
    entry[16 + 8 + 2] = '\x7F'; // Tuesday's flag
    entry[16 + 8 + 7 + 24] = '\x02'; // enabled
    const size_t announceAt = defaultEntryBytes9().size() - 1;
    entry[announceAt] = '\x80'; // announce new only
    entry[entry.size() - 1] = '\x02'; // mute
    ASSERT_TRUE(writeWholeFile(path, magic + int32Bytes(1) + entry));
    EntryList list;
    ASSERT_TRUE(list.load(path.c_str()));
    EXPECT_TRUE(list.head->checkDays[2]);
    EXPECT_TRUE(list.head->enabled);
    EXPECT_TRUE(list.head->announceNewOnly);
    EXPECT_TRUE(list.head->mute);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string expected = defaultEntryBytes();
    expected[announceAt] = '\1';
    expected[expected.size() - 1] = '\1';
    EXPECT_EQ(magic + int32Bytes(1) + expected, readWholeFile(path));
}

TEST_F(EntryListFile, MissingFileGivesAnEmptyListAndKeepsNothing)
{
    EntryList list;
    list.addNew();
    FileLoadReport report;
    EXPECT_FALSE(list.load(path.c_str(), report));
    EXPECT_EQ(FileLoadReport::Missing, report.outcome);
    EXPECT_EQ(0, list.count);
    EXPECT_FALSE(fileExists(backup));
    EXPECT_FALSE(list.load(folder.file("no folder\\default.tsl").c_str(), report));
    EXPECT_EQ(FileLoadReport::Missing, report.outcome);
}

TEST_F(EntryListFile, MagicsAreComparedWithTheirLetterCase)
{
    for (std::string other : { magic, magic9, magic8 }) {
        other[29] = 'y'; // "...KITTy!" differs only in letter case
        std::string bytes = other + int32Bytes(0);
        ASSERT_TRUE(writeWholeFile(path, bytes));
        EntryList list;
        loadExpectingDamage(list, bytes, other);
        EXPECT_EQ(0, list.count);
    }
    std::string unknownVersion = magic;
    unknownVersion[6] = '7';
    ASSERT_TRUE(writeWholeFile(path, unknownVersion + int32Bytes(0)));
    EntryList list;
    loadExpectingDamage(list, unknownVersion + int32Bytes(0), "TSL0107");
}

TEST_F(EntryListFile, TruncationAtEveryByteOfANewFileKeepsTheEntriesReadInFull)
{
    EntryList list;
    for (int i = 0; i < 3; ++i)
        fillEverything(*list.addNew(), i);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string whole = readWholeFile(path);

    // Where each entry ends, from saving one, two and three of them.
    std::vector<size_t> entryEnds;
    {
        EntryList partial;
        for (int i = 0; i < 3; ++i) {
            fillEverything(*partial.addNew(), i);
            ASSERT_TRUE(partial.save(path.c_str()));
            entryEnds.push_back(readWholeFile(path).size());
        }
    }
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        std::string bytes = whole.substr(0, cut);
        ASSERT_TRUE(writeWholeFile(path, bytes));
        EntryList back;
        loadExpectingDamage(back, bytes, "cut at " + std::to_string(cut));
        int complete = 0;
        for (size_t end : entryEnds)
            if (cut >= end)
                ++complete;
        ASSERT_EQ(complete, back.count) << "cut at " << cut;
        int i = 0;
        for (MailboxEntry* e = back.head; e; e = e->next, ++i)
            EXPECT_EQ("Account " + std::to_string(i), std::string(e->name)) << "cut at " << cut;
    }
}

TEST_F(EntryListFile, AbsurdLengthsAndCountsAreRefusedWithoutAllocatingFromThem)
{
    std::string good9 = magic9 + int32Bytes(1) + defaultEntryBytes9();
    std::string good8 = magic8 + int32Bytes(1) + defaultEntryBytes8();
    const size_t certificateLength = 4 + 1; // from the end of version 9: its length, then the last flag
    // Version 10 from its protected secrets on: the blob's length, then the two last flags.
    std::string before = magic + int32Bytes(1) + defaultEntryBytes9() + Fields10().bytes().substr(0, 17);
    const std::string flags = "\1\0";
    const std::string blobOverTheLimit(maxProtectedSecretsLength + 1, 'b');
    struct Case {
        const char* what;
        std::string bytes;
        int32_t entriesKept;
    } cases[] = {
        { "negative count", magic + int32Bytes(-1), 0 },
        { "huge count, one entry there", magic + int32Bytes(0x7FFFFFFF) + defaultEntryBytes(), 1 },
        { "negative name length", magic + int32Bytes(1) + int32Bytes(-5) + defaultEntryBytes().substr(4), 0 },
        { "name length past the end", magic + int32Bytes(1) + int32Bytes(0x7FFFFFF0) + defaultEntryBytes().substr(4), 0 },
        { "old version, last string too long", good8.substr(0, good8.size() - 4) + int32Bytes(2), 0 },
        { "certificate length past the end",
          good9.substr(0, good9.size() - certificateLength) + int32Bytes(0x7FFFFFFF) + "\1", 0 },
        { "certificate length one too long",
          good9.substr(0, good9.size() - certificateLength) + int32Bytes(2) + "\1", 0 },
        { "protected secrets past the end", before + int32Bytes(0x7FFFFFFF) + flags, 0 },
        { "protected secrets negative", before + int32Bytes(-1) + flags, 0 },
        { "protected secrets over 64 KB, all there",
          before + int32Bytes(maxProtectedSecretsLength + 1) + blobOverTheLimit + flags, 0 },
        { "folder past the end", magic + int32Bytes(1) + defaultEntryBytes9() + int32Bytes(0) + int32Bytes(0x40000000) +
                                 std::string(19, '\0'), 0 },
    };
    SeamOverride<char* (*)(size_t)> counting(allocateOwnedBytes, countingAllocation);
    for (const Case& c : cases) {
        ASSERT_TRUE(writeWholeFile(path, c.bytes));
        EntryList list;
        largestAllocation = 0;
        loadExpectingDamage(list, c.bytes, c.what);
        EXPECT_EQ(c.entriesKept, list.count) << c.what;
        EXPECT_LE(largestAllocation, c.bytes.size()) << c.what;
    }
    // The counting reaches the file's strings: a real text is allocated from its length.
    std::string named = magic + int32Bytes(1) + plain(std::string(300, 'n')) + defaultEntryBytes().substr(4);
    ASSERT_TRUE(writeWholeFile(path, named));
    largestAllocation = 0;
    EntryList list;
    ASSERT_TRUE(list.load(path.c_str()));
    EXPECT_EQ(301u, largestAllocation);
}

TEST_F(EntryListFile, EntriesBeyondTheCountAreDamageAndKeptAside)
{
    EntryList three;
    for (int i = 0; i < 3; ++i)
        fillEverything(*three.addNew(), i);
    ASSERT_TRUE(three.save(path.c_str()));
    std::string whole = readWholeFile(path);
    for (int32_t count : { 0, 2 }) {
        std::string bytes = whole.substr(0, 31) + int32Bytes(count) + whole.substr(35);
        ASSERT_TRUE(writeWholeFile(path, bytes));
        EntryList list;
        FileLoadReport report = loadExpectingDamage(list, bytes, "count " + std::to_string(count));
        EXPECT_EQ(count, report.entriesRead);
        // The save that follows cannot lose the third entry: its bytes are in the copy.
        ASSERT_TRUE(list.save(path.c_str()));
    }
    ASSERT_TRUE(writeWholeFile(path, magic + int32Bytes(0) + "x"));
    EntryList list;
    loadExpectingDamage(list, magic + int32Bytes(0) + "x", "one stray byte");
}

TEST_F(EntryListFile, ACopyAsideNeverReplacesAnEarlierDifferentOne)
{
    std::string first = magic + int32Bytes(5);
    std::string second = magic8 + int32Bytes(7);
    ASSERT_TRUE(writeWholeFile(path, first));
    EntryList list;
    FileLoadReport report;
    list.load(path.c_str(), report);
    EXPECT_EQ(backup, std::string(report.keptAs));
    list.load(path.c_str(), report); // the same damage at the next start: the same copy
    EXPECT_EQ(backup, std::string(report.keptAs));
    EXPECT_FALSE(fileExists(path + ".bad2"));
    ASSERT_TRUE(writeWholeFile(path, second));
    list.load(path.c_str(), report);
    EXPECT_EQ(path + ".bad2", std::string(report.keptAs));
    EXPECT_EQ(first, readWholeFile(backup));
    EXPECT_EQ(second, readWholeFile(path + ".bad2"));
}

TEST_F(EntryListFile, AFileAnotherProgramWritesCanStillBeRead)
{
    EntryList list;
    fillEverything(*list.addNew(), 1);
    ASSERT_TRUE(list.save(path.c_str()));
    HANDLE editor = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, editor);
    EntryList back;
    EXPECT_TRUE(back.load(path.c_str()));
    EXPECT_EQ(1, back.count);
    CloseHandle(editor);
}

TEST_F(EntryListFile, AFileThatCannotBeOpenedIsNeverSavedOverUntilItsBytesAreKept)
{
    EntryList list;
    for (int i = 0; i < 2; ++i)
        fillEverything(*list.addNew(), i);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string before = readWholeFile(path);

    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EntryList loaded;
    FileLoadReport report;
    EXPECT_FALSE(loaded.load(path.c_str(), report));
    EXPECT_EQ(FileLoadReport::Unreadable, report.outcome);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), report.openError);
    EXPECT_STREQ("", report.keptAs); // a copy needs the same open
    EXPECT_EQ(0, loaded.count);
    loaded.addNew()->setName("added while the file was held");
    EXPECT_FALSE(loaded.save(path.c_str()));
    CloseHandle(held);
    EXPECT_EQ(before, readWholeFile(path));

    // Once the file can be read, the save keeps its bytes aside first, then replaces it.
    ASSERT_TRUE(loaded.save(path.c_str()));
    EXPECT_EQ(before, readWholeFile(backup));
    EntryList after;
    ASSERT_TRUE(after.load(path.c_str()));
    EXPECT_STREQ("added while the file was held", after.head->name);
}

TEST_F(EntryListFile, AMissingFileIsTakenFromACompleteNewFile)
{
    EntryList list;
    for (int i = 0; i < 2; ++i)
        fillEverything(*list.addNew(), i);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string saved = readWholeFile(path);
    ASSERT_TRUE(MoveFileA(path.c_str(), (path + ".new").c_str())); // the old file deleted, no rename yet

    EntryList back;
    FileLoadReport report;
    ASSERT_TRUE(back.load(path.c_str(), report));
    EXPECT_TRUE(report.usedNewFile);
    EXPECT_EQ(FileLoadReport::Read, report.outcome);
    EXPECT_EQ(2, back.count);
    EXPECT_EQ(saved, readWholeFile(path));
    EXPECT_FALSE(fileExists(path + ".new"));

    // A file that is there wins over a stray new one.
    ASSERT_TRUE(writeWholeFile(path + ".new", magic + int32Bytes(0)));
    ASSERT_TRUE(back.load(path.c_str(), report));
    EXPECT_FALSE(report.usedNewFile);
    EXPECT_EQ(2, back.count);

    // A new file cut short is read like any damaged file, and kept.
    DeleteFileA(path.c_str());
    std::string cut = saved.substr(0, saved.size() - 10);
    ASSERT_TRUE(writeWholeFile(path + ".new", cut));
    report = loadExpectingDamage(back, cut, "cut new file");
    EXPECT_TRUE(report.usedNewFile);
    EXPECT_EQ(1, back.count);
}

// Windows 95 and 98: no MoveFileEx, so a save deletes the old file before it renames the new one.
bool renameRefused = false;
BOOL WINAPI moveFileExMissing(LPCSTR, LPCSTR, DWORD)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}
BOOL WINAPI moveFileUnlessRefused(LPCSTR from, LPCSTR to)
{
    if (!renameRefused)
        return MoveFileA(from, to);
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
}

TEST_F(EntryListFile, ARenameThatFailsAfterTheOldFileIsDeletedKeepsTheNewOneForTheNextStart)
{
    SeamOverride<FileRenameCalls> windows98(fileRenameCalls, { moveFileExMissing, moveFileUnlessRefused });
    EntryList list;
    fillEverything(*list.addNew(), 1);
    ASSERT_TRUE(list.save(path.c_str()));
    fillEverything(*list.addNew(), 2);
    renameRefused = true;
    EXPECT_FALSE(list.save(path.c_str()));
    EXPECT_FALSE(fileExists(path));
    std::string twoEntries = readWholeFile(path + ".new");
    ASSERT_FALSE(twoEntries.empty()) << "the only copy of the list is gone";
    // Further saves cannot put it in place either; they never write over it.
    list.addNew();
    EXPECT_FALSE(list.save(path.c_str()));
    EXPECT_EQ(twoEntries, readWholeFile(path + ".new"));

    renameRefused = false;
    EntryList back;
    FileLoadReport report;
    ASSERT_TRUE(back.load(path.c_str(), report));
    EXPECT_TRUE(report.usedNewFile);
    EXPECT_EQ(2, back.count);
    EXPECT_EQ(twoEntries, readWholeFile(path));
    EXPECT_TRUE(back.save(path.c_str()));
    EXPECT_EQ(twoEntries, readWholeFile(path));
    EXPECT_FALSE(fileExists(path + ".new"));
}

TEST_F(EntryListFile, FailedSaveLeavesThePreviousFileAndSaysSo)
{
    EntryList list;
    fillEverything(*list.addNew(), 1);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string before = readWholeFile(path);
    list.addNew();
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(list.save(path.c_str()));
    CloseHandle(held);
    EXPECT_EQ(before, readWholeFile(path));
    EXPECT_FALSE(fileExists(path + ".new"));
    EXPECT_FALSE(list.save(folder.file("no such folder\\default.tsl").c_str()));
}

// The secrets under the data protection API (real under Wine): never in the file's bytes, read
// back by the same user, kept with the entry when this user cannot read them.
class ProtectedSecretsFile : public EntryListFile {
protected:
    const std::string password = "Pa55-w\xC8rd!";
    const std::string token = "1//0gRefreshTokenForTheSignIn";

    // Saves one configured entry with the given secrets; answers the file and the blob it holds.
    std::string saveEntry(const char* pass, const char* refresh, std::string& blob)
    {
        EntryList list;
        MailboxEntry* e = list.addNew();
        fillEverything(*e, 1);
        e->setPassword(pass);
        e->setRefreshToken(refresh);
        EXPECT_TRUE(list.save(path.c_str()));
        blob.assign(e->storedSecrets.bytes() ? e->storedSecrets.bytes() : "", e->storedSecrets.length());
        return readWholeFile(path);
    }

    // The same file with another blob in place of the one it holds.
    static std::string withBlob(const std::string& file, const std::string& blob, const std::string& other)
    {
        size_t at = file.find(int32Bytes(static_cast<int32_t>(blob.size())) + blob);
        EXPECT_NE(std::string::npos, at);
        return file.substr(0, at) + plain(other) + file.substr(at + 4 + blob.size());
    }

    static std::string protectedWith(const std::string& plainBytes, const char* entropyText)
    {
        DATA_BLOB in = { static_cast<DWORD>(plainBytes.size()), (BYTE*)plainBytes.data() };
        DATA_BLOB entropy = { entropyText ? static_cast<DWORD>(strlen(entropyText)) : 0, (BYTE*)entropyText };
        DATA_BLOB out = {};
        EXPECT_TRUE(protectedDataCalls.CryptProtectData(&in, nullptr, entropyText ? &entropy : nullptr, nullptr,
                                                        nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out));
        std::string blob(reinterpret_cast<char*>(out.pbData), out.cbData);
        LocalFree(out.pbData);
        return blob;
    }

    // The password's own field, at a fixed place in a one-entry file: after the name "Account 1",
    // the server and the user.
    static std::string passwordField(const std::string& file, size_t length)
    {
        return file.substr(35 + plain("Account 1").size() + plain("pop.example.org").size() + plain("user").size(),
                           4 + length);
    }
};

std::string shiftedBy71(const std::string& text)
{
    std::string shifted = text;
    for (char& c : shifted)
        c = static_cast<char>(static_cast<uint8_t>(c) + 71);
    return shifted;
}

std::string utf16(const std::string& text)
{
    std::string wide;
    for (char c : text)
        wide += std::string{ c, '\0' };
    return wide;
}

TEST_F(ProtectedSecretsFile, ThePasswordAndTokenAreNowhereInTheFileAndAreReadBack)
{
    std::string blob;
    std::string file = saveEntry(password.c_str(), token.c_str(), blob);
    ASSERT_FALSE(blob.empty());
    EXPECT_LE(blob.size(), static_cast<size_t>(maxProtectedSecretsLength));
    EXPECT_EQ(int32Bytes(0), passwordField(file, 0)) << "the password's own field is empty";
    for (const std::string& secret : { password, token }) {
        EXPECT_EQ(std::string::npos, file.find(secret));
        EXPECT_EQ(std::string::npos, file.find(shiftedBy71(secret)));
        EXPECT_EQ(std::string::npos, file.find(utf16(secret)));
    }

    EntryList back;
    FileLoadReport report;
    ASSERT_TRUE(back.load(path.c_str(), report));
    EXPECT_STREQ(password.c_str(), back.head->password);
    EXPECT_STREQ(token.c_str(), back.head->refreshToken);
    EXPECT_FALSE(back.head->secretsUnreadable());
    // Saved again unchanged, the file keeps its bytes; a new password makes a new blob.
    ASSERT_TRUE(back.save(path.c_str()));
    EXPECT_EQ(file, readWholeFile(path));
    back.head->setPassword("another");
    ASSERT_TRUE(back.save(path.c_str()));
    EntryList again;
    ASSERT_TRUE(again.load(path.c_str()));
    EXPECT_STREQ("another", again.head->password);
    EXPECT_STREQ(token.c_str(), again.head->refreshToken);
}

TEST_F(ProtectedSecretsFile, APasswordInItsOwnFieldIsReadAsBeforeAndSavedProtected)
{
    // A version 10 file written where there was no protection, or by another tool.
    std::string file;
    {
        SeamOverride<ProtectedDataCalls> windows95(protectedDataCalls, noDataProtection);
        std::string none;
        file = saveEntry(password.c_str(), nullptr, none);
        EXPECT_TRUE(none.empty());
    }
    EXPECT_EQ(plain(shiftedBy71(password)), passwordField(file, password.size()));
    EntryList list;
    ASSERT_TRUE(list.load(path.c_str()));
    EXPECT_STREQ(password.c_str(), list.head->password);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string saved = readWholeFile(path);
    EXPECT_EQ(std::string::npos, saved.find(shiftedBy71(password)));
    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    EXPECT_STREQ(password.c_str(), back.head->password);
}

TEST_F(ProtectedSecretsFile, ABlobThisUserCannotReadKeepsTheEntryAndItselfUntilAPasswordIsEntered)
{
    std::string blob;
    std::string file = saveEntry(password.c_str(), token.c_str(), blob);
    // A byte of the encrypted secrets, before the signature at the end (Wine, unlike Windows, does
    // not check every byte of a blob's header).
    std::string flipped = blob;
    flipped[flipped.size() - 40] ^= 0x20;
    std::string lastFlipped = blob;
    lastFlipped.back() ^= 0x01;
    std::string inner =
        std::string(1, '\1') + int32Bytes(static_cast<int32_t>(password.size())) + password + int32Bytes(0);
    struct Case {
        const char* what;
        std::string blob;
    } cases[] = {
        { "a byte of the secrets altered", flipped },
        { "the last byte altered", lastFlipped },
        { "made with another key", protectedWith(inner, "another user's key") },
        { "opens, but holds no secrets", protectedWith("not the secrets", nullptr) },
        { "cut short", blob.substr(0, blob.size() - 1) },
        { "64 KB of noise", std::string(maxProtectedSecretsLength, '\x5A') },
    };
    for (const Case& c : cases) {
        std::string damaged = withBlob(file, blob, c.blob);
        ASSERT_TRUE(writeWholeFile(path, damaged));
        EntryList list;
        FileLoadReport report;
        ASSERT_TRUE(list.load(path.c_str(), report)) << c.what;
        EXPECT_EQ(FileLoadReport::Read, report.outcome) << c.what;
        ASSERT_EQ(1, list.count) << c.what;
        MailboxEntry* e = list.head;
        EXPECT_STREQ("Account 1", e->name) << c.what;
        EXPECT_STREQ("someone@example.org", e->account) << c.what;
        EXPECT_EQ(nullptr, e->password) << c.what;
        EXPECT_EQ(nullptr, e->refreshToken) << c.what;
        EXPECT_TRUE(e->secretsUnreadable()) << c.what;
        // Nothing is lost: the next save writes the same bytes, blob included.
        ASSERT_TRUE(list.save(path.c_str()));
        EXPECT_EQ(damaged, readWholeFile(path)) << c.what;
        // An edit that keeps the entry's secrets untouched keeps the state.
        MailboxEntry edited;
        edited.copyFrom(*e);
        EXPECT_TRUE(edited.secretsUnreadable()) << c.what;
    }
    EntryList list;
    ASSERT_TRUE(list.load(path.c_str()));
    list.head->setPassword("typed again");
    EXPECT_FALSE(list.head->secretsUnreadable());
    ASSERT_TRUE(list.save(path.c_str()));
    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    EXPECT_STREQ("typed again", back.head->password);
    EXPECT_FALSE(back.head->secretsUnreadable());
}

TEST_F(ProtectedSecretsFile, AnUnreadableBlobBesideAPasswordInItsOwnFieldGivesWayToThatPassword)
{
    std::string blob;
    std::string file = saveEntry(password.c_str(), nullptr, blob);
    std::string shiftedField = plain(shiftedBy71("from field 4"));
    std::string withPassword = file.substr(0, file.find(passwordField(file, 0))) + shiftedField +
                               file.substr(file.find(passwordField(file, 0)) + 4);
    std::string flipped = blob;
    flipped[10] ^= 0x01;
    ASSERT_TRUE(writeWholeFile(path, withBlob(withPassword, blob, flipped)));
    EntryList list;
    ASSERT_TRUE(list.load(path.c_str()));
    EXPECT_STREQ("from field 4", list.head->password);
    EXPECT_FALSE(list.head->secretsUnreadable());
}

TEST_F(ProtectedSecretsFile, WithoutTheApiThePasswordIsShiftedAndABlobCannotBeRead)
{
    std::string blob;
    std::string file = saveEntry(password.c_str(), nullptr, blob);
    SeamOverride<ProtectedDataCalls> windows95(protectedDataCalls, noDataProtection);
    // A file carried from a system with the API: the entry is kept, its password cannot be read.
    EntryList list;
    ASSERT_TRUE(list.load(path.c_str()));
    EXPECT_TRUE(list.head->secretsUnreadable());
    ASSERT_TRUE(list.save(path.c_str()));
    EXPECT_EQ(file, readWholeFile(path));

    // Saved here, the password goes into its own field shifted, and a token is not stored at all.
    list.head->setPassword(password.c_str());
    list.head->setRefreshToken(token.c_str());
    ASSERT_TRUE(list.save(path.c_str()));
    std::string saved = readWholeFile(path);
    EXPECT_EQ(plain(shiftedBy71(password)), passwordField(saved, password.size()));
    EXPECT_EQ(int32Bytes(0) + std::string("\0\1", 2), saved.substr(saved.size() - 6)) << "no protected secrets";
    EXPECT_EQ(std::string::npos, saved.find(token));
    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    EXPECT_STREQ(password.c_str(), back.head->password);
    EXPECT_EQ(nullptr, back.head->refreshToken);
}

TEST(EntryListOperations, AppendRemoveContainsAndLast)
{
    EntryList list;
    MailboxEntry* a = list.addNew();
    MailboxEntry* b = new MailboxEntry;
    b->next = a; // a stale link is dropped on append
    list.append(b);
    MailboxEntry* c = list.addNew();
    EXPECT_EQ(3, list.count);
    EXPECT_EQ(c, list.last());
    EXPECT_TRUE(list.contains(b));
    MailboxEntry outsider;
    list.remove(&outsider);
    EXPECT_EQ(3, list.count);
    list.remove(b);
    EXPECT_EQ(2, list.count);
    EXPECT_FALSE(list.contains(b));
    EXPECT_EQ(c, a->next);
    list.remove(c);
    EXPECT_EQ(a, list.last());
    EXPECT_EQ(nullptr, a->next);
}

TEST(EntryListOperations, CheckAllEnableAllDisableAll)
{
    FakeClock clock(2026, 12, 8, 10, 0);
    EntryList list;
    MailboxEntry* on = list.addNew();
    MailboxEntry* off = list.addNew();
    off->enabled = false;
    on->waitingForDialup = 1;
    on->setRetryDelay(40);
    list.requestCheckAllEnabled();
    EXPECT_TRUE(on->checkRequested);
    EXPECT_EQ(0, on->waitingForDialup);
    EXPECT_EQ(0, on->retryDelayMinutes);
    EXPECT_FALSE(off->checkRequested);

    startStandInWorker(*on, StandInBehaviour::EndsOnStop);
    list.disableAll();
    EXPECT_FALSE(on->enabled);
    EXPECT_FALSE(on->isCheckRunning());
    list.enableAll();
    EXPECT_TRUE(on->enabled);
    EXPECT_TRUE(off->enabled);
}

TEST(EntryListOperations, FirstWithMailProgramInListOrder)
{
    EntryList list;
    list.addNew();
    EXPECT_EQ(nullptr, list.firstWithMailProgram());
    MailboxEntry* second = list.addNew();
    second->runMailProgram = true;
    list.addNew()->runMailProgram = true;
    EXPECT_EQ(second, list.firstWithMailProgram());
}

class HangUpCandidate : public ::testing::Test {
protected:
    FakeClock clock{ 2026, 12, 8, 10, 0 };
    EntryList list;
    MailboxEntry* finished = list.addNew();
    MailboxEntry* other = list.addNew();
    void SetUp() override
    {
        for (MailboxEntry* e : { finished, other }) {
            e->connectionMode = DialAsNeeded;
            e->setServer("pop.example.org");
            e->setDialupEntry("ISP");
            e->lastCheckTime = FakeClock::make(2026, 12, 8, 9, 59); // not due
        }
        finished->hangUpPending = true;
    }
};

TEST_F(HangUpCandidate, NoneWithoutAPendingHangUp)
{
    finished->hangUpPending = false;
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
}

TEST_F(HangUpCandidate, ADueEntryOnTheSameLineHoldsItBackButNotOneOnAnotherLine)
{
    EXPECT_EQ(finished, list.findHangUpCandidate());
    other->lastCheckTime = SYSTEMTIME{}; // never checked: due
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
    other->setDialupEntry("Office");
    EXPECT_EQ(finished, list.findHangUpCandidate());
    other->setDialupEntry(nullptr); // no name: any line
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
    other->connectionMode = AlwaysConnected; // a LAN entry never needs the line
    EXPECT_EQ(finished, list.findHangUpCandidate());
}

TEST_F(HangUpCandidate, ARunningCheckOnAnyLineHoldsItBack)
{
    other->setDialupEntry("Office");
    startStandInWorker(*other, StandInBehaviour::EndsOnStop);
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
    other->stopCheck(false);
    EXPECT_EQ(finished, list.findHangUpCandidate());
}

} // namespace
