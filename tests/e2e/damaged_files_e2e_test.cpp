// tessary.exe started over damaged entry list and settings files, driven from outside: it starts
// and stays up, a damaged list is announced in one box, and after closing nothing the user had is
// lost: each file is unchanged, or its bytes are kept in the ".bad" copy beside it.
#include <gtest/gtest.h>
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/temp_folder.h"
#include "support/window_driver.h"
#include <functional>
#include <string>
#include <vector>

namespace {

const WORD closeCommand = 40010;
const size_t settingsMagicLength = 14;
const size_t windowPositionOffset = 8; // windowLeft and windowTop change at every save
const size_t windowPositionLength = 8;

std::string windowsPath(std::string linuxPath)
{
    for (char& c : linuxPath)
        if (c == '/')
            c = '\\';
    return "Z:" + linuxPath;
}

std::string int32Bytes(int32_t v)
{
    uint32_t u = static_cast<uint32_t>(v);
    return std::string{ static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                        static_cast<char>(u >> 24) };
}

// The windows of a process that are message boxes: dialogs without the main window's list.
struct BoxSearch {
    DWORD processId;
    std::vector<HWND> boxes;
};

BOOL CALLBACK collectBox(HWND window, LPARAM parameter)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == search->processId && lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) &&
        !GetDlgItem(window, 1006))
        search->boxes.push_back(window);
    return TRUE;
}

std::vector<HWND> openBoxes(DWORD processId)
{
    BoxSearch search = { processId, {} };
    EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

std::string windowText(HWND window)
{
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                        nullptr);
    return text;
}

// A message box shows its text in a static control; the longest one is the message.
BOOL CALLBACK longestStatic(HWND child, LPARAM parameter)
{
    std::string* text = reinterpret_cast<std::string*>(parameter);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    std::string here = windowText(child);
    if (lstrcmpiA(className, "Static") == 0 && here.size() > text->size())
        *text = here;
    return TRUE;
}

std::string boxMessage(HWND box)
{
    std::string text;
    EnumChildWindows(box, longestStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

bool answers(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
}

// One start of the program over a pair of files.
struct Start {
    const char* what;
    std::string list;
    bool hasSettings;             // whether a settings file is there at all
    std::string settings;
    bool settingsDamaged;         // a line about the settings file is expected in the log
    std::string listWarningStart; // the start of the box's text; empty: no box expected
};

class DamagedFiles : public ::testing::Test {
protected:
    TempFolder folder;
    std::string exe = folder.file("tessary.exe");
    std::string listPath = folder.file("default.tsl");
    std::string settingsPath = folder.file("Tessary.dat");

    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA(windowsPath(TESSARY_EXE_LINUX_PATH).c_str(), exe.c_str(), FALSE));
    }

    // Three disabled entries: nothing is checked while the test runs.
    static std::string threeEntries()
    {
        TempFolder scratch;
        EntryList list;
        for (const char* name : { "home", "work", "club" }) {
            MailboxEntry* e = list.addNew();
            e->setName(name);
            e->setServer("mail.example.org");
            e->setUser("someone");
            e->setPassword("secret");
            e->connectionMode = AlwaysConnected;
            e->enabled = false;
        }
        list.save(scratch.file("default.tsl").c_str());
        return readWholeFile(scratch.file("default.tsl"));
    }

    static std::string goodSettings()
    {
        Settings s = defaultSettings();
        s.speakConnectSpeed = s.speakCheckResults = 0;
        s.voiceIndex = 7;
        return std::string(settingsMagic) + std::string(reinterpret_cast<const char*>(&s), sizeof s);
    }

    // Everything the user had is either in the file after the run or in its ".bad" copy. The
    // settings file is always saved again, with the window's position.
    void expectNothingLost(const Start& start)
    {
        std::string listAfter = readWholeFile(listPath);
        EXPECT_TRUE(listAfter == start.list || readWholeFile(listPath + ".bad") == start.list) << start.what;
        if (start.settings.empty())
            return;
        if (readWholeFile(settingsPath + ".bad") == start.settings)
            return;
        std::string settingsAfter = readWholeFile(settingsPath);
        ASSERT_GE(settingsAfter.size(), start.settings.size()) << start.what;
        for (size_t i = 0; i < start.settings.size(); ++i) {
            bool position = i >= settingsMagicLength + windowPositionOffset &&
                            i < settingsMagicLength + windowPositionOffset + windowPositionLength;
            if (!position) {
                EXPECT_EQ(start.settings[i], settingsAfter[i]) << start.what << ": settings byte " << i;
            }
        }
    }

    void run(const Start& start)
    {
        SCOPED_TRACE(start.what);
        for (const std::string& leftover : { listPath + ".bad", settingsPath + ".bad", settingsPath })
            DeleteFileA(leftover.c_str());
        ASSERT_TRUE(writeWholeFile(listPath, start.list));
        if (start.hasSettings) {
            ASSERT_TRUE(writeWholeFile(settingsPath, start.settings));
        }

        std::string commandLine = "\"" + exe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.path().c_str(), &startup, &process));
        WindowDriver driver;
        bool attached = driver.attach(process.dwProcessId, 20000);
        EXPECT_TRUE(attached) << "no main window appeared";
        if (attached)
            checkRunningProgram(start, process, driver);
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        expectNothingLost(start);
    }

    void checkRunningProgram(const Start& start, const PROCESS_INFORMATION& process, const WindowDriver& driver)
    {
        if (!start.listWarningStart.empty()) {
            std::vector<HWND> boxes;
            ASSERT_TRUE(waitUntil([&] { return !(boxes = openBoxes(process.dwProcessId)).empty(); }, 10000))
                << "no box about the damaged list";
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ("Tessary", windowText(boxes[0]));
            EXPECT_EQ(0u, boxMessage(boxes[0]).find(start.listWarningStart)) << boxMessage(boxes[0]);
            EXPECT_TRUE(answers(driver.window())); // its loop runs under the box
            PostMessageA(boxes[0], WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            EXPECT_TRUE(waitUntil([&] { return openBoxes(process.dwProcessId).empty(); }, 5000));
            EXPECT_TRUE(driver.log().find("error: the entry list default.tsl") != std::string::npos) << driver.log();
        }
        EXPECT_EQ(start.settingsDamaged,
                  driver.log().find("error: the settings file Tessary.dat was damaged") != std::string::npos)
            << driver.log();
        // The program stays up, answers, and shows no further box.
        Sleep(1000);
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(process.hProcess, 0));
        EXPECT_TRUE(answers(driver.window()));
        EXPECT_TRUE(openBoxes(process.dwProcessId).empty()) << driver.log();
        EXPECT_TRUE(driver.log().find("data folder: " + folder.path()) != std::string::npos) << driver.log();

        driver.command(closeCommand);
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process.hProcess, 20000));
        DWORD code = 1234;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(0u, code);
    }
};

TEST_F(DamagedFiles, TheProgramStartsStaysUpAndLosesNothing)
{
    const std::string list = threeEntries();
    const std::string settings = goodSettings();
    const size_t firstEntry = 35;
    const size_t secondServerLength = [&] {
        // The second entry starts after the first: its name "work" follows a length of 4.
        size_t second = list.find(int32Bytes(4) + "work");
        return second + 8; // the server's length comes right after the name
    }();

    std::string flipped = list;
    flipped[firstEntry + 4] ^= 0x20;        // "home" becomes "Home": read and saved as it is
    std::string flippedLength = flipped;
    flippedLength[secondServerLength + 3] ^= 0x40; // the second entry's server is suddenly huge
    std::string flippedMagic = settings;
    flippedMagic[10] ^= 0x20;              // "Saber" becomes "SAber"

    std::vector<Start> starts = {
        { "cut inside the last entry, settings cut inside the record", list.substr(0, list.size() - 20), true,
          settings.substr(0, settingsMagicLength + 20), false,
          "The entry list default.tsl was damaged; 2 entries were read, the file is kept as default.tsl.bad" },
        { "flipped bytes in a name, a length and the settings magic", flippedLength, true, flippedMagic, true,
          "The entry list default.tsl was damaged; 1 entries were read" },
        { "a huge count over three entries, junk after the settings",
          list.substr(0, 31) + int32Bytes(0x7FFFFFFF) + list.substr(35), true, settings + std::string(100, '\xEE'),
          true, "The entry list default.tsl was damaged; 3 entries were read" },
        { "a count smaller than the entries stored, an empty settings file",
          list.substr(0, 31) + int32Bytes(1) + list.substr(35), true, std::string(), true,
          "The entry list default.tsl was damaged; 1 entries were read" },
        { "an absurd first name length, no settings file",
          list.substr(0, 35) + int32Bytes(0x7FFFFFF0) + list.substr(39), false, std::string(), false,
          "The entry list default.tsl was damaged; 0 entries were read" },
        { "only a changed letter", flipped, true, settings, false, "" },
    };
    for (const Start& start : starts)
        run(start);
}

} // namespace
