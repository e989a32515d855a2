// tessary.exe started in a temporary program folder against a real Dovecot POP3 server, driven
// from outside through its window: scheduled and requested checks, the single instance, the
// start-up switch, what it saves when it closes, and an older entry list's passwords taken into
// protected storage.
#include <gtest/gtest.h>
#include "support/file_bytes.h"
#include "support/dovecot_maildir.h"
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/port_relay.h"
#include "support/program_process.h"
#include "support/run_value.h"
#include "support/temp_folder.h"
#include "resources/resource.h"
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

const unsigned short pop3PortOfTheProgram = 110;

std::string shiftedBy71(const std::string& text)
{
    std::string shifted = text;
    for (char& c : shifted)
        c = static_cast<char>(static_cast<uint8_t>(c) + 71);
    return shifted;
}

// One always-connected entry as version 9 of the entry list stores it, written here byte by
// byte: the program itself only writes the newest version. passwordField is field 4 as stored.
std::string version9Entry(const std::string& name, const std::string& passwordField)
{
    std::string b = plain(name) + plain("127.0.0.1") + plain("tester") + passwordField;
    b += int32Bytes(AlwaysConnected) + plain("") + std::string(7, '\1');
    b += int32Bytes(0) + int32Bytes(30) + int32Bytes(-1) + int32Bytes(0) + int32Bytes(-1) + int32Bytes(0);
    b += std::string("\1\0\0\0\0\0", 6) + std::string(24, '\0'); // enabled, then no actions
    b += int32Bytes(SecurityNone) + int32Bytes(0) + plain("") + std::string(1, '\0');
    return b;
}

class Watcher : public ::testing::Test {
protected:
    TempFolder folder;
    std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
    PortRelay relay;
    ProgramProcess program;
    WindowDriver& driver = program.driver;

    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_PORT").empty()) << "run through tests/support/with-dovecot";
        ASSERT_TRUE(relay.start(pop3PortOfTheProgram,
                                static_cast<unsigned short>(atoi(environment("TESSARY_DOVECOT_PORT").c_str()))))
            << "the program always uses port 110, which this test must be able to listen on";
        ASSERT_FALSE(exe.empty());
        std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(1000 + n) + ".e2e:2,", numberedMessage(n)));
        EntryList list;
        addEntry(list, "inbox", "secret", true);
        addEntry(list, "wrong", "not the password", true);
        addEntry(list, "off", "secret", false);
        ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
        writeSettings([](Settings&) {});
    }

    static void addEntry(EntryList& list, const char* name, const char* password, bool enabled)
    {
        MailboxEntry* e = list.addNew();
        e->setName(name);
        e->setServer("127.0.0.1");
        e->setUser("tester");
        e->setPassword(password);
        e->connectionMode = AlwaysConnected;
        e->enabled = enabled;
    }

    void writeSettings(const std::function<void(Settings&)>& change)
    {
        Settings s = defaultSettings();
        s.speakConnectSpeed = s.speakCheckResults = 0;
        change(s);
        ASSERT_TRUE(saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &s, sizeof s));
    }

    // Starts the program from another working directory; it must find its files by itself.
    static std::string elsewhere()
    {
        char workingDirectory[MAX_PATH];
        GetTempPathA(sizeof workingDirectory, workingDirectory);
        return workingDirectory;
    }

    void launch(const std::string& arguments = "")
    {
        ASSERT_TRUE(program.launch(exe, arguments, elsewhere())) << "no main window appeared";
    }

    bool logShows(const std::string& part, DWORD timeoutMs) { return driver.logShows(part, timeoutMs); }

    // The Run value as the running program sees the registry: the i686 release has the 32-bit view.
    std::string programRunValue() const
    {
        BOOL thirtyTwoBit = FALSE;
        IsWow64Process(program.process.hProcess, &thirtyTwoBit);
        return storedRunValue(HKEY_LOCAL_MACHINE, thirtyTwoBit ? KEY_WOW64_32KEY : 0);
    }
};

TEST_F(Watcher, ChecksOnScheduleAndOnRequestThenSavesWhatItLoaded)
{
    std::string listBytes = readWholeFile(folder.file("default.tsl"));
    launch();
    ASSERT_TRUE(logShows("inbox: 3 messages", 40000)) << driver.log();
    ASSERT_TRUE(logShows("wrong: warning: there was an error checking the account, make sure the server is up, and "
                         "your username and password are correct ERROR: -7",
                         40000))
        << driver.log();
    EXPECT_EQ(std::string::npos, driver.log().find("off:"));
    EXPECT_EQ(std::string::npos, driver.log().find("dial-up networking"));

    std::vector<ListRow> rows = driver.rows();
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("inbox", rows[0].name);
    EXPECT_EQ("3", rows[0].result);
    EXPECT_EQ("off", rows[1].name);
    EXPECT_EQ("not checked", rows[1].lastCheck);
    EXPECT_EQ("wrong", rows[2].name);
    EXPECT_EQ("err -7", rows[2].result);

    ASSERT_TRUE(driver.selectRow(1));
    driver.command(IDM_CHECK_SELECTED);
    ASSERT_TRUE(logShows("off: 3 messages", 30000)) << driver.log();
    EXPECT_TRUE(waitUntil([&] { return driver.rows()[1].result == "3"; }, 5000));

    EXPECT_EQ(0u, program.closeAndWait());
    EXPECT_EQ(listBytes, readWholeFile(folder.file("default.tsl")));
    std::string settings = readWholeFile(folder.file("Tessary.dat"));
    EXPECT_EQ(46u, settings.size());
    EXPECT_EQ("TSSET0108Quiet", settings.substr(0, 14));
}

TEST_F(Watcher, StartedAtLogOnItHidesInTheTrayAndASecondStartBringsItForward)
{
    launch(" /m");
    EXPECT_FALSE(driver.visible());
    ProgramProcess second;
    ASSERT_TRUE(second.start(exe, "", elsewhere()));
    EXPECT_EQ(0u, second.waitForExit(20000));
    EXPECT_TRUE(waitUntil([&] { return driver.visible(); }, 5000));
    EXPECT_EQ(0u, program.closeAndWait());
}

TEST_F(Watcher, TheRunValueFollowsTheSetting)
{
    writeSettings([](Settings& s) { s.runAtStartup = 1; });
    launch();
    // The window may be found while its creation is still applying the settings.
    EXPECT_TRUE(waitUntil([&] { return programRunValue() == exe + " /m"; }, 5000)) << programRunValue();
    EXPECT_EQ(0u, program.closeAndWait());

    writeSettings([](Settings& s) { s.runAtStartup = 0; });
    launch();
    EXPECT_TRUE(waitUntil([&] { return programRunValue() == "<none>"; }, 5000)) << programRunValue();
    EXPECT_EQ(0u, program.closeAndWait());
}

// Windows 95 without Dial-Up Networking has no RASAPI32. Wine refuses its own to a program of a
// name of its own (its per-program overrides), so no other test loses it.
class WineRefusesRasapi32 {
public:
    explicit WineRefusesRasapi32(const char* programName) : key_(std::string(appDefaults) + programName)
    {
        HKEY overrides = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &overrides, nullptr) != ERROR_SUCCESS)
            return;
        set_ = RegSetValueExA(overrides, "rasapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) == ERROR_SUCCESS;
        RegCloseKey(overrides);
    }
    ~WineRefusesRasapi32()
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    }
    bool set() const { return set_; }

private:
    static constexpr const char* appDefaults = "Software\\Wine\\AppDefaults\\";
    std::string key_;
    bool set_ = false;
};

TEST_F(Watcher, WithoutDialUpNetworkingItSaysSoOnceAndStillChecksOverTheLan)
{
    std::string lanOnly = folder.file("tessary95.exe");
    ASSERT_TRUE(CopyFileA(exe.c_str(), lanOnly.c_str(), FALSE));
    WineRefusesRasapi32 noRemoteAccess("tessary95.exe");
    ASSERT_TRUE(noRemoteAccess.set());
    ASSERT_TRUE(program.launch(lanOnly, "", elsewhere())) << "no main window appeared";
    ASSERT_TRUE(logShows("inbox: 3 messages", 40000)) << driver.log();
    const std::string warning = "warning: dial-up networking is not installed; entries that dial cannot connect";
    std::string log = driver.log();
    size_t first = log.find(warning);
    EXPECT_NE(std::string::npos, first) << log;
    EXPECT_EQ(std::string::npos, log.find(warning, first + 1)) << log;
    EXPECT_EQ(0u, program.closeAndWait());
}

TEST_F(Watcher, AVersion9ListIsCheckedThenSavedWithItsPasswordsProtectedAndCheckedAgainAfterARestart)
{
    struct Account {
        std::string name, password;
    } accounts[] = { { "inbox", "secret" }, { "second", "secret" }, { "wrong", "not the password" } };
    std::string old = "TSL0109PREttyPreTTyPRETTyKITTY!" + int32Bytes(3);
    for (const Account& a : accounts)
        old += version9Entry(a.name, plain(shiftedBy71(a.password)));
    ASSERT_TRUE(writeWholeFile(folder.file("default.tsl"), old));

    std::string firstSaved;
    for (int run = 0; run < 2; ++run) {
        launch();
        for (const char* name : { "inbox", "second" })
            ASSERT_TRUE(logShows(std::string(name) + ": 3 messages", 40000)) << "run " << run << "\n" << driver.log();
        ASSERT_TRUE(logShows("wrong: warning: there was an error checking the account, make sure the server is up, "
                             "and your username and password are correct ERROR: -7",
                             40000))
            << driver.log();
        EXPECT_EQ(std::string::npos, driver.log().find("cannot be read")) << driver.log();
        EXPECT_EQ(0u, program.closeAndWait());

        std::string saved = readWholeFile(folder.file("default.tsl"));
        ASSERT_EQ("TSL0110PREttyPreTTyPRETTyKITTY!" + int32Bytes(3), saved.substr(0, 35));
        for (const Account& a : accounts) {
            EXPECT_EQ(std::string::npos, saved.find(a.password)) << a.password;
            EXPECT_EQ(std::string::npos, saved.find(shiftedBy71(a.password))) << a.password;
        }
        // Each entry: its version 9 fields with the password's own field empty, then the fields of
        // version 10 at the values of a loaded older entry, with the protected secrets.
        size_t at = 35;
        for (const Account& a : accounts) {
            std::string fields = version9Entry(a.name, int32Bytes(0));
            ASSERT_EQ(fields, saved.substr(at, fields.size())) << a.name;
            at += fields.size();
            ASSERT_EQ(int32Bytes(0) + int32Bytes(0) + '\0' + int32Bytes(0) + int32Bytes(0), saved.substr(at, 17));
            at += 17;
            ASSERT_LE(at + 4, saved.size());
            int32_t blobLength = 0;
            memcpy(&blobLength, saved.data() + at, 4);
            EXPECT_GT(blobLength, 0) << a.name;
            at += 4 + static_cast<size_t>(blobLength);
            ASSERT_EQ(std::string("\1\0", 2), saved.substr(at, 2)) << a.name;
            at += 2;
        }
        EXPECT_EQ(saved.size(), at);
        if (run == 0)
            firstSaved = saved;
        else
            EXPECT_EQ(firstSaved, saved);
        // The second start checks again with the passwords read back from the protected secrets;
        // the mailbox is the same, so the counts are the same, and the file's bytes stay as they are.
    }
}

} // namespace
