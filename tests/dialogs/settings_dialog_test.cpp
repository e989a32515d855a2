// The settings dialog on its real template: every option's round trip, the timeout and speed
// texts, the voice list, the NT platform and the engine's refusals.
#include "dialog_test.h"
#include "dialogs/settings_dialog.h"
#include "notify/speech.h"
#include "resources/resource.h"
#include "support/fake_dyn_data.h"
#include "support/fake_speech_engine.h"

namespace {

const char* const caption = "Tessary Settings";

// Each option by the text the user reads next to it.
struct Option {
    const char* text;
    uint8_t Settings::*flag;
};
const Option options[] = {
    { "Run Tessary at system startup", &Settings::runAtStartup },
    { "Do NOT check email when CPU is over %90 utilization", &Settings::skipWhenCpuBusy },
    { "Popup Tessary window when there is mail", &Settings::popupOnMail },
    { "Run in tray", &Settings::runInTray },
    { "Sync. audio", &Settings::syncAudio },
    { "Speak the speed at which my dialups connect", &Settings::speakConnectSpeed },
    { "Speak the results of every email check performed", &Settings::speakCheckResults },
    { "Speak msg from addresses", &Settings::speakFromAddresses },
    { "Speak msg subjects", &Settings::speakSubjects },
    { "Full voice feedback", &Settings::fullVoiceFeedback },
    { "Show a notification for new mail", &Settings::showNotification },
    { "Quiet while Windows says I am busy", &Settings::quietWhenBusy },
    { "Tell me when an account cannot be checked", &Settings::failureAlerts },
};

Settings blank()
{
    Settings s = {};
    s.windowLeft = 10;
    s.windowTop = 20;
    s.serverTimeoutSeconds = 90;
    return s;
}

class SettingsDialog : public DialogTest {
protected:
    FakeDynData platform;
    std::unique_ptr<FakeSpeechEngine> engine{ new FakeSpeechEngine };

    void TearDown() override
    {
        ShutdownSpeech();
        CloseVoiceList();
        DialogTest::TearDown();
    }
    void addVoices(int count)
    {
        for (int i = 0; i < count; ++i)
            engine->modes.push_back({ L"Voice " + std::to_wstring(i), fakeModeId(i + 1) });
    }
    INT_PTR run(Settings& record, std::function<void(HWND)> step)
    {
        ModalScript script;
        script.on(caption, step);
        INT_PTR result = OpenSettingsDialog(nullptr, &record);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return result;
    }
};

TEST_F(SettingsDialog, EachOptionShowsAndStoresItsOwnFlag)
{
    for (const Option& option : options) {
        SCOPED_TRACE(option.text);
        Settings record = blank();
        record.*option.flag = 1;
        Settings before = record;
        INT_PTR result = run(record, [&](HWND dialog) {
            for (const Option& other : options) {
                HWND box = controlByText(dialog, other.text);
                ASSERT_NE(nullptr, box) << other.text;
                EXPECT_EQ(&other == &option, SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) << other.text;
            }
            click(dialog, IDOK);
        });
        EXPECT_EQ(IDOK, result);
        EXPECT_EQ(0, memcmp(&before, &record, sizeof record));
    }
}

// Each box clicked alone, from a record with every flag off: OK must read that box into its own
// flag and no other, and a second click must turn it off again.
TEST_F(SettingsDialog, ClickingEachOptionTurnsItsFlagOnAndBackOff)
{
    for (const Option& option : options) {
        SCOPED_TRACE(option.text);
        Settings record = blank();
        for (uint8_t expected : { 1, 0 }) {
            EXPECT_EQ(IDOK, run(record, [&](HWND dialog) {
                HWND box = controlByText(dialog, option.text);
                ASSERT_NE(nullptr, box);
                SendMessageA(box, BM_CLICK, 0, 0);
                click(dialog, IDOK);
            }));
            for (const Option& other : options)
                EXPECT_EQ(&other == &option ? expected : 0, record.*other.flag) << other.text;
        }
        EXPECT_EQ(10, record.windowLeft);
        EXPECT_EQ(20, record.windowTop);
        EXPECT_EQ(90, record.serverTimeoutSeconds);
    }
}

TEST_F(SettingsDialog, CancelAndTheCloseBoxLeaveTheRecordAsGiven)
{
    Settings record = blank();
    record.serverTimeoutSeconds = 33;
    Settings before = record;
    EXPECT_EQ(IDCANCEL, run(record, [](HWND dialog) {
        click(dialog, IDC_SET_RUN_IN_TRAY);
        setItemText(dialog, IDC_SET_SERVER_TIMEOUT, "5");
        click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(IDOK, run(record, [](HWND dialog) {
        click(dialog, IDC_SET_RUN_IN_TRAY);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    }));
    EXPECT_EQ(0, memcmp(&before, &record, sizeof record));
}

TEST_F(SettingsDialog, ServerTimeoutTakesAnyNumberAsTyped)
{
    struct Case {
        const char* text;
        int32_t stored;
    };
    for (const Case& c : { Case{ "0", 0 }, Case{ "-30", -30 }, Case{ "45", 45 }, Case{ "12x", 12 }, Case{ "abc", 0 },
                           Case{ "", 0 }, Case{ "99999999999999", 2147483647 } }) {
        Settings record = blank();
        run(record, [&](HWND dialog) {
            EXPECT_EQ("90", itemText(dialog, IDC_SET_SERVER_TIMEOUT));
            setItemText(dialog, IDC_SET_SERVER_TIMEOUT, c.text);
            click(dialog, IDOK);
        });
        EXPECT_EQ(c.stored, record.serverTimeoutSeconds) << c.text;
    }
}

TEST_F(SettingsDialog, SpeedIsShownAndHandedToTheEngineAsUnsigned)
{
    ASSERT_EQ(1, InitSpeech());
    engine->speed = 170;
    Settings record = blank();
    run(record, [&](HWND dialog) {
        EXPECT_EQ("170", itemText(dialog, IDC_SET_SPEED));
        setItemText(dialog, IDC_SET_SPEED, "");
        engine->clearLog();
        click(dialog, IDOK);
    });
    EXPECT_EQ(std::vector<std::string>{ "SpeedSet 0" }, engine->log);
    EXPECT_TRUE(ui.boxes.empty());

    // The program passes every number; only the engine refuses, and the dialog still closes with 1.
    INT_PTR result = run(record, [&](HWND dialog) {
        setItemText(dialog, IDC_SET_SPEED, "-5");
        click(dialog, IDC_SET_SYNC_AUDIO);
        engine->speedResult = E_FAIL;
        engine->clearLog();
        click(dialog, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(std::vector<std::string>{ "SpeedSet 4294967291" }, engine->log);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Invalid input: Err, or speech speed is out of allowable range(0..4294967295)", lastBox());
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), ui.boxes[0].type & MB_ICONMASK);
    EXPECT_EQ(1, record.syncAudio);

    // An engine that does not tell its speed leaves the box empty.
    run(record, [](HWND dialog) {
        EXPECT_EQ("", itemText(dialog, IDC_SET_SPEED));
        click(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialog, WithoutSpeechTheSpeedIsNotHandedOn)
{
    Settings record = blank();
    run(record, [](HWND dialog) {
        EXPECT_EQ("", itemText(dialog, IDC_SET_SPEED));
        setItemText(dialog, IDC_SET_SPEED, "200");
        click(dialog, IDOK);
    });
    for (const std::string& line : engine->log)
        EXPECT_EQ(std::string::npos, line.find("SpeedSet"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SettingsDialog, VoiceListNumbersTheEnginesVoices)
{
    addVoices(3);
    Settings record = blank();
    record.voiceIndex = 1;
    run(record, [](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{ "Voice 0", "Voice 1", "Voice 2" }), comboItems(dialog, IDC_SET_VOICE));
        EXPECT_EQ("Voice 1", comboSelection(dialog, IDC_SET_VOICE));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(i, SendDlgItemMessageA(dialog, IDC_SET_VOICE, CB_GETITEMDATA, i, 0));
        SendDlgItemMessageA(dialog, IDC_SET_VOICE, CB_SETCURSEL, 2, 0);
        click(dialog, IDOK);
    });
    EXPECT_EQ(2, record.voiceIndex);
}

TEST_F(SettingsDialog, AVoiceIndexPastTheEndSelectsNothingAndStoresZero)
{
    addVoices(2);
    Settings record = blank();
    record.voiceIndex = 5;
    run(record, [](HWND dialog) {
        EXPECT_EQ("", comboSelection(dialog, IDC_SET_VOICE));
        click(dialog, IDOK);
    });
    EXPECT_EQ(0, record.voiceIndex);
}

TEST_F(SettingsDialog, NoEngineSaysSoInTheVoiceListAndOnItsButtons)
{
    engine->enumeratorInstalled = false;
    engine->voiceTextInstalled = false;
    Settings record = blank();
    record.voiceIndex = 0;
    run(record, [](HWND dialog) {
        EXPECT_EQ(std::vector<std::string>{ "ERROR. Speech not installed?" }, comboItems(dialog, IDC_SET_VOICE));
        EXPECT_EQ("", comboSelection(dialog, IDC_SET_VOICE));
        EXPECT_EQ("", itemText(dialog, IDC_SET_SPEED));
        click(dialog, IDC_SET_ENGINE_LEXICON);
        click(dialog, IDOK);
    });
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Speech engine is not initialized.. Is SAPI installed?", ui.boxes[0].text);
}

TEST_F(SettingsDialog, EngineButtonsOpenTheMatchingEngineDialog)
{
    ASSERT_EQ(1, InitSpeech());
    Settings record = blank();
    run(record, [&](HWND dialog) {
        engine->clearLog();
        click(dialog, IDC_SET_ENGINE_ABOUT);
        click(dialog, IDC_SET_ENGINE_GENERAL);
        click(dialog, IDC_SET_ENGINE_LEXICON);
        click(dialog, IDC_SET_ENGINE_TRANSLATE);
        std::vector<std::string> opened;
        for (const std::string& line : engine->log)
            if (line.find("Dlg owner=") != std::string::npos)
                opened.push_back(line.substr(0, line.find(" title")));
        const std::string owner = " owner=" + std::to_string(reinterpret_cast<ULONG_PTR>(dialog));
        EXPECT_EQ((std::vector<std::string>{ "AboutDlg" + owner, "GeneralDlg" + owner, "LexiconDlg" + owner,
                                             "TranslateDlg" + owner }),
                  opened);
        click(dialog, IDC_SET_HELP);
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ(std::vector<std::string>{ "Tessary.chm::/settings.htm" }, ui.helpTopics);
}

TEST_F(SettingsDialog, OnWindowsNtTheCpuOptionIsGreyedAndSwitchedOff)
{
    platform.platformId = VER_PLATFORM_WIN32_NT;
    Settings record = blank();
    record.skipWhenCpuBusy = 1;
    run(record, [&](HWND dialog) {
        EXPECT_FALSE(itemEnabled(dialog, IDC_SET_SKIP_WHEN_CPU_BUSY));
        EXPECT_TRUE(itemChecked(dialog, IDC_SET_SKIP_WHEN_CPU_BUSY)); // shows what the record held
        EXPECT_EQ(0, record.skipWhenCpuBusy);
        click(dialog, IDCANCEL);
    });
    platform.platformId = VER_PLATFORM_WIN32_WINDOWS;
    record.skipWhenCpuBusy = 1;
    run(record, [&](HWND dialog) {
        EXPECT_TRUE(itemEnabled(dialog, IDC_SET_SKIP_WHEN_CPU_BUSY));
        EXPECT_EQ(1, record.skipWhenCpuBusy);
        click(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialog, SpokenDetailsFollowTheResultsOptionButKeepTheirMarks)
{
    Settings record = blank();
    record.speakFromAddresses = 1;
    record.speakSubjects = 1;
    run(record, [](HWND dialog) {
        EXPECT_FALSE(itemEnabled(dialog, IDC_SET_SPEAK_FROM));
        EXPECT_FALSE(itemEnabled(dialog, IDC_SET_SPEAK_SUBJECTS));
        EXPECT_TRUE(itemChecked(dialog, IDC_SET_SPEAK_FROM));
        click(dialog, IDC_SET_SPEAK_RESULTS);
        EXPECT_TRUE(itemEnabled(dialog, IDC_SET_SPEAK_FROM));
        EXPECT_TRUE(itemEnabled(dialog, IDC_SET_SPEAK_SUBJECTS));
        click(dialog, IDC_SET_SPEAK_RESULTS);
        EXPECT_FALSE(itemEnabled(dialog, IDC_SET_SPEAK_FROM));
        click(dialog, IDOK);
    });
    EXPECT_EQ(0, record.speakCheckResults);
    EXPECT_EQ(1, record.speakFromAddresses);
    EXPECT_EQ(1, record.speakSubjects);
}

TEST_F(SettingsDialog, FailuresAtOpeningAreFatal)
{
    EXPECT_EQ(IDCANCEL, OpenSettingsDialog(nullptr, nullptr));
    EXPECT_EQ("Tessary Fatal Error: No ptr passed for SettingsDlg", lastBox());
    drainQuitMessage();

    platform.versionFails = true;
    Settings record = blank();
    EXPECT_EQ(IDCANCEL, OpenSettingsDialog(nullptr, &record));
    EXPECT_EQ("Tessary Fatal Error: GetVersionEx failed!", lastBox());
}

} // namespace
