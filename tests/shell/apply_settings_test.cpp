// Applying the settings: the start-up value in the test prefix's real registry (with the rights of
// a standard account played through the Run key seam), and what the speech step logs.
#include <gtest/gtest.h>
#include "support/fake_sapi5_engine.h"
#include "support/main_window_harness.h"
#include "support/run_value.h"
#include "support/seam_override.h"
#include "shell/apply_settings.h"
#include "shell/main_window_state.h"
#include "shell/run_key_calls.h"
#include "mailcheck/session_limits.h"
#include "notify/speech.h"
#include <algorithm>
#include <cstring>

namespace {

const char* const startupWarning = "warning: could not set the start-up entry";
const char* const initWarning = "warning: could not initialize speech, SAPI may not be installed";
const char* const voiceWarning = "warning: could not set desired voice ):";
const char* const sapi5Warning = "warning: no SAPI 4 speech engine found, using SAPI 5";

void storeValue(HKEY root, const char* text)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, runKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    RegSetValueExA(key, runValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
}

void removeValue(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExA(root, runKeyPath, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, runValueName);
        RegCloseKey(key);
    }
}

std::string programCommand()
{
    char path[1024];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path) + " /m";
}

// Plays the rights of an account on the Run keys: a key it may not change refuses every open
// that asks for more than reading. Records each open as "HKLM read", "HKCU write", or with the
// rights asked for when they are anything else.
class RunKeyRights {
public:
    RunKeyRights() : open_(runKeyCalls.RegOpenKeyExA, openKey), create_(runKeyCalls.RegCreateKeyExA, createKey)
    {
        current = this;
    }
    ~RunKeyRights() { current = nullptr; }

    bool machineWritable = true;
    bool userWritable = true;
    std::vector<std::string> opens;

private:
    static LONG refusal(HKEY root, REGSAM access)
    {
        std::string name = root == HKEY_LOCAL_MACHINE ? "HKLM" : root == HKEY_CURRENT_USER ? "HKCU" : "other";
        std::string rights = access == KEY_QUERY_VALUE ? "read"
                             : access == KEY_SET_VALUE ? "write"
                                                       : "access=" + std::to_string(access);
        current->opens.push_back(name + " " + rights);
        bool writable = root == HKEY_LOCAL_MACHINE ? current->machineWritable : current->userWritable;
        return access != KEY_QUERY_VALUE && !writable ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    }
    static LONG WINAPI openKey(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key)
    {
        if (LONG refused = refusal(root, access))
            return refused;
        return RegOpenKeyExA(root, subKey, options, access, key);
    }
    static LONG WINAPI createKey(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                                 REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
    {
        if (LONG refused = refusal(root, access))
            return refused;
        return RegCreateKeyExA(root, subKey, reserved, keyClass, options, access, security, key, disposition);
    }

    static RunKeyRights* current;
    SeamOverride<decltype(runKeyCalls.RegOpenKeyExA)> open_;
    SeamOverride<decltype(runKeyCalls.RegCreateKeyExA)> create_;
};
RunKeyRights* RunKeyRights::current = nullptr;

class StartupValue : public ::testing::Test {
protected:
    void SetUp() override
    {
        removeValue(HKEY_LOCAL_MACHINE);
        removeValue(HKEY_CURRENT_USER);
    }
    void TearDown() override
    {
        removeValue(HKEY_LOCAL_MACHINE);
        removeValue(HKEY_CURRENT_USER);
    }
    void open(bool runAtStartup)
    {
        h.writeSettings([&](Settings& s) { s.runAtStartup = runAtStartup; });
        ASSERT_NE(nullptr, h.open());
        rights.opens.clear();
    }
    void apply(bool runAtStartup)
    {
        app.settings.runAtStartup = runAtStartup;
        ApplySettings(h.window(), app.settings);
    }
    bool warned() const { return h.log().find(startupWarning) != std::string::npos; }

    RunKeyRights rights;
    MainWindowHarness h;
};

TEST_F(StartupValue, WrittenMachineWideWhereAllowedAndNotAgainWhenAlreadyThere)
{
    open(false);
    storeValue(HKEY_CURRENT_USER, "C:\\old\\tessary.exe /m"); // left from a start without the rights
    apply(true);
    EXPECT_EQ(programCommand(), storedRunValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ("<none>", storedRunValue(HKEY_CURRENT_USER)); // it would start the program twice
    EXPECT_EQ((std::vector<std::string>{ "HKLM read", "HKLM write", "HKCU read", "HKCU write" }), rights.opens);

    rights.opens.clear();
    apply(true);
    EXPECT_EQ((std::vector<std::string>{ "HKLM read", "HKCU read" }), rights.opens);

    // A value that reads differently (another folder) is put right.
    storeValue(HKEY_LOCAL_MACHINE, "C:\\elsewhere\\tessary.exe /m");
    apply(true);
    EXPECT_EQ(programCommand(), storedRunValue(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(warned());
}

TEST_F(StartupValue, AnAccountRefusedTheMachineWideKeyUsesItsOwn)
{
    rights.machineWritable = false;
    open(false);
    apply(true);
    EXPECT_EQ("<none>", storedRunValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(programCommand(), storedRunValue(HKEY_CURRENT_USER));
    EXPECT_FALSE(warned());
    EXPECT_TRUE(h.ui.boxes.empty());

    rights.opens.clear();
    apply(true);
    EXPECT_EQ((std::vector<std::string>{ "HKLM read", "HKLM write", "HKCU read" }), rights.opens);

    // Where the machine-wide value is already right, reading it is all a standard account needs.
    removeValue(HKEY_CURRENT_USER);
    storeValue(HKEY_LOCAL_MACHINE, programCommand().c_str());
    rights.opens.clear();
    apply(true);
    EXPECT_EQ((std::vector<std::string>{ "HKLM read", "HKCU read" }), rights.opens);
    EXPECT_EQ("<none>", storedRunValue(HKEY_CURRENT_USER));
    EXPECT_FALSE(warned());
}

TEST_F(StartupValue, TurningItOffRemovesTheValueFromBothKeysAndOnlyReadsOnceGone)
{
    open(false);
    EXPECT_TRUE(rights.opens.empty()); // cleared after the start
    storeValue(HKEY_LOCAL_MACHINE, programCommand().c_str());
    storeValue(HKEY_CURRENT_USER, programCommand().c_str());
    apply(false);
    EXPECT_EQ("<none>", storedRunValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ("<none>", storedRunValue(HKEY_CURRENT_USER));
    EXPECT_EQ((std::vector<std::string>{ "HKLM read", "HKLM write", "HKCU read", "HKCU write" }), rights.opens);

    rights.opens.clear();
    apply(false);
    EXPECT_EQ((std::vector<std::string>{ "HKLM read", "HKCU read" }), rights.opens);
    EXPECT_FALSE(warned());
}

TEST_F(StartupValue, ARefusalOfBothKeysIsAWarningAndTheRestIsStillApplied)
{
    rights.machineWritable = false;
    rights.userWritable = false;
    h.writeSettings([](Settings& s) {
        s.runAtStartup = 1;
        s.runInTray = 1;
        s.serverTimeoutSeconds = 33;
    });
    ASSERT_NE(nullptr, h.open());
    EXPECT_TRUE(IsWindow(h.window()));
    EXPECT_TRUE(h.ui.boxes.empty()); // no fatal box
    EXPECT_TRUE(warned());
    EXPECT_EQ(33000, serverTimeoutMs);
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);
    EXPECT_EQ("<none>", storedRunValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ("<none>", storedRunValue(HKEY_CURRENT_USER));
}

TEST_F(StartupValue, AValueThatCannotBeRemovedIsAWarning)
{
    open(false);
    storeValue(HKEY_LOCAL_MACHINE, programCommand().c_str());
    storeValue(HKEY_CURRENT_USER, programCommand().c_str());
    rights.machineWritable = false;
    apply(false);
    EXPECT_EQ(programCommand(), storedRunValue(HKEY_LOCAL_MACHINE));
    EXPECT_EQ("<none>", storedRunValue(HKEY_CURRENT_USER)); // removed where it could be
    EXPECT_TRUE(warned());
    EXPECT_TRUE(h.ui.boxes.empty());
}

class SpeechWarnings : public ::testing::Test {
protected:
    // The window releases the engine when it goes, so it goes before the fake engines.
    void TearDown() override
    {
        h.close();
        sapi5.reset();
    }
    void open(bool speak, int32_t voiceIndex = 0)
    {
        h.writeSettings([&](Settings& s) {
            s.speakConnectSpeed = 0;
            s.speakCheckResults = speak;
            s.voiceIndex = voiceIndex;
        });
        ASSERT_NE(nullptr, h.open());
    }
    int count(const char* text) const
    {
        std::string log = h.log();
        int found = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++found;
        return found;
    }

    MainWindowHarness h;
    std::unique_ptr<FakeSapi5Engine> sapi5; // made after h's old engine, which it stands beside
};

TEST_F(SpeechWarnings, NoEngineAtAllGivesBothWarningsOnce)
{
    h.speech->voiceTextInstalled = false; // and no SAPI 5 beside the fake
    open(true);
    EXPECT_TRUE(IsSpeechInitialized());
    EXPECT_EQ(1, count(initWarning));
    EXPECT_EQ(1, count(voiceWarning)); // no voice can be set without an engine
    EXPECT_EQ(0, count(sapi5Warning));
    // Speech counts as on: applying again does not try the engine again, only the voice.
    ApplySettings(h.window(), app.settings);
    EXPECT_EQ(1, count(initWarning));
    EXPECT_EQ(2, count(voiceWarning));
    EXPECT_TRUE(h.ui.boxes.empty());
}

TEST_F(SpeechWarnings, AVoicePastTheInstalledOnesIsTheVoiceWarningAlone)
{
    h.speech->modes = { { L"Mary", fakeModeId(1) }, { L"Mike", fakeModeId(2) } };
    open(true, 2);
    EXPECT_EQ(0, count(initWarning));
    EXPECT_EQ(1, count(voiceWarning));
    h.speech->clearLog();
    app.settings.voiceIndex = 1;
    ApplySettings(h.window(), app.settings);
    EXPECT_EQ(1, count(voiceWarning));
    EXPECT_EQ(1, std::count(h.speech->log.begin(), h.speech->log.end(), std::string("TTSModeSet Mike")));
}

TEST_F(SpeechWarnings, Sapi5InPlaceOfTheOldEngineIsSaidOnce)
{
    h.speech->voiceTextInstalled = false;
    h.speech->enumeratorInstalled = false;
    sapi5.reset(new FakeSapi5Engine);
    sapi5->voices = { { L"Anna", L"Tokens\\Anna" } };
    open(true);
    EXPECT_EQ(1, count(sapi5Warning));
    EXPECT_EQ(0, count(initWarning));
    EXPECT_EQ(0, count(voiceWarning));
    EXPECT_EQ(SpeechEngineKind::SpeechApi5, SpeechEngineInUse());
    ApplySettings(h.window(), app.settings);
    EXPECT_EQ(1, count(sapi5Warning));

    // No speech option: the engine goes, and nothing about speech is logged.
    app.settings.speakCheckResults = 0;
    ApplySettings(h.window(), app.settings);
    EXPECT_FALSE(IsSpeechInitialized());
    EXPECT_EQ(0, sapi5->liveObjects());
    EXPECT_EQ(0, count(voiceWarning));
}

// This platform's own speech, without fakes: the log says which engine was tried and how it went,
// whatever Wine's SAPI 5 does.
TEST_F(SpeechWarnings, ThePlatformsOwnSpeechIsLoggedAndNothingCrashes)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    h.speech.reset();
    open(true);
    bool fellBack = count(sapi5Warning) == 1;
    EXPECT_NE(fellBack, count(initWarning) == 1) << h.log();
    EXPECT_EQ(fellBack ? SpeechEngineKind::SpeechApi5 : SpeechEngineKind::None, SpeechEngineInUse());
    EXPECT_EQ(SelectVoice(0) == 1 ? 0 : 1, count(voiceWarning)) << h.log();
    app.settings.fullVoiceFeedback = 1; // every log line goes to the engine as well
    ApplySettings(h.window(), app.settings);
    app.settings.fullVoiceFeedback = 0;
    app.settings.speakCheckResults = 0;
    ApplySettings(h.window(), app.settings);
    EXPECT_FALSE(IsSpeechInitialized());
    EXPECT_TRUE(h.ui.boxes.empty());
    h.close();
    CoUninitialize();
}

} // namespace
