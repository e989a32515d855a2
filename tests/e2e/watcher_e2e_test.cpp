// tessary.exe started in a temporary program folder against a real Dovecot POP3 server, driven
// from outside through its window: scheduled and requested checks, the single instance, the
// start-up switch and what it saves when it closes.
#include <gtest/gtest.h>
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/port_relay.h"
#include "support/temp_folder.h"
#include "support/window_driver.h"
#include <cstdlib>
#include <functional>
#include <string>

namespace {

const WORD checkSelectedCommand = 40003;
const WORD closeCommand = 40010;
const unsigned short pop3PortOfTheProgram = 110;

std::string windowsPath(std::string linuxPath)
{
    for (char& c : linuxPath)
        if (c == '/')
            c = '\\';
    return "Z:" + linuxPath;
}

std::string environment(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

std::string message(int n)
{
    return "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) +
           "@example.org>\nTo: tester@example.org\nSubject: number " + std::to_string(n) + "\n\nbody\n";
}

std::string runValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return "<no key>";
    char data[1200] = {};
    DWORD size = sizeof data - 1;
    LONG status = RegQueryValueExA(key, "Tessary", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data) : "<none>";
}

class Watcher : public ::testing::Test {
protected:
    TempFolder folder;
    std::string exe = folder.file("tessary.exe");
    PortRelay relay;
    PROCESS_INFORMATION process = {};
    WindowDriver driver;

    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_PORT").empty()) << "run through tests/support/with-dovecot";
        ASSERT_TRUE(relay.start(pop3PortOfTheProgram,
                                static_cast<unsigned short>(atoi(environment("TESSARY_DOVECOT_PORT").c_str()))))
            << "the program always uses port 110, which this test must be able to listen on";
        ASSERT_TRUE(CopyFileA(windowsPath(TESSARY_EXE_LINUX_PATH).c_str(), exe.c_str(), FALSE));
        std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(1000 + n) + ".e2e:2,", message(n)));
        EntryList list;
        addEntry(list, "inbox", "secret", true);
        addEntry(list, "wrong", "not the password", true);
        addEntry(list, "off", "secret", false);
        ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
        writeSettings([](Settings&) {});
    }

    void TearDown() override
    {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process.hProcess, 99);
                WaitForSingleObject(process.hProcess, 5000);
            }
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
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
    PROCESS_INFORMATION start(const std::string& arguments)
    {
        std::string commandLine = "\"" + exe + "\"" + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        char workingDirectory[MAX_PATH];
        GetTempPathA(sizeof workingDirectory, workingDirectory);
        CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, workingDirectory, &startup,
                       &started);
        return started;
    }

    void launch(const std::string& arguments = "")
    {
        process = start(arguments);
        ASSERT_NE(nullptr, process.hProcess);
        ASSERT_TRUE(driver.attach(process.dwProcessId, 20000)) << "no main window appeared";
    }

    bool logShows(const std::string& part, DWORD timeoutMs)
    {
        return waitUntil([&] { return driver.log().find(part) != std::string::npos; }, timeoutMs);
    }

    DWORD closeAndWait()
    {
        driver.command(closeCommand);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 20000));
        DWORD code = 1234;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
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

    std::vector<ListRow> rows = driver.rows();
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("inbox", rows[0].name);
    EXPECT_EQ("3", rows[0].result);
    EXPECT_EQ("off", rows[1].name);
    EXPECT_EQ("not checked", rows[1].lastCheck);
    EXPECT_EQ("wrong", rows[2].name);
    EXPECT_EQ("err -7", rows[2].result);

    ASSERT_TRUE(driver.selectRow(1));
    driver.command(checkSelectedCommand);
    ASSERT_TRUE(logShows("off: 3 messages", 30000)) << driver.log();
    EXPECT_TRUE(waitUntil([&] { return driver.rows()[1].result == "3"; }, 5000));

    EXPECT_EQ(0u, closeAndWait());
    EXPECT_EQ(listBytes, readWholeFile(folder.file("default.tsl")));
    std::string settings = readWholeFile(folder.file("Tessary.dat"));
    EXPECT_EQ(42u, settings.size());
    EXPECT_EQ("TSSET0107Saber", settings.substr(0, 14));
}

TEST_F(Watcher, StartedAtLogOnItHidesInTheTrayAndASecondStartBringsItForward)
{
    launch(" /m");
    EXPECT_FALSE(driver.visible());
    PROCESS_INFORMATION second = start("");
    ASSERT_NE(nullptr, second.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.hProcess, 20000));
    DWORD code = 1234;
    GetExitCodeProcess(second.hProcess, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    EXPECT_TRUE(waitUntil([&] { return driver.visible(); }, 5000));
    EXPECT_EQ(0u, closeAndWait());
}

TEST_F(Watcher, TheRunValueFollowsTheSetting)
{
    writeSettings([](Settings& s) { s.runAtStartup = 1; });
    launch();
    // The window may be found while its creation is still applying the settings.
    EXPECT_TRUE(waitUntil([&] { return runValue() == exe + " /m"; }, 5000)) << runValue();
    EXPECT_EQ(0u, closeAndWait());
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};

    writeSettings([](Settings& s) { s.runAtStartup = 0; });
    launch();
    EXPECT_TRUE(waitUntil([&] { return runValue() == "<none>"; }, 5000)) << runValue();
    EXPECT_EQ(0u, closeAndWait());
}

} // namespace
