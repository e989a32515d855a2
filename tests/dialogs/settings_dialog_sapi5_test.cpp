// The settings dialog where SAPI 5 speaks in place of the old engine: its voices, its speed in
// words per minute, and the engine buttons it has no dialog for.
#include "dialog_test.h"
#include "dialogs/settings_dialog.h"
#include "notify/speech.h"
#include "resources/resource.h"
#include "support/fake_dyn_data.h"
#include "support/fake_sapi5_engine.h"
#include "support/fake_speech_engine.h"

namespace {

class Sapi5SettingsDialog : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        old.voiceTextInstalled = false;
        old.enumeratorInstalled = false;
        for (const wchar_t* name : { L"Anna", L"David", L"Zira" })
            sapi5.voices.push_back({ name, std::wstring(L"Tokens\\") + name });
        record.serverTimeoutSeconds = 90;
    }
    void TearDown() override
    {
        ShutdownSpeech();
        CloseVoiceList();
        EXPECT_EQ(0, sapi5.liveObjects());
        DialogTest::TearDown();
    }
    void run(std::function<void(HWND)> step)
    {
        ModalScript script;
        script.on("Tessary Settings", step);
        EXPECT_NE(-1, OpenSettingsDialog(nullptr, &record));
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
    }

    FakeDynData platform;
    FakeSpeechEngine old;
    FakeSapi5Engine sapi5; // after old: it hands the old engine's classes on to it
    Settings record = {};
};

TEST_F(Sapi5SettingsDialog, ListsTheSapi5VoicesAndSetsTheSpeedAsARate)
{
    ASSERT_EQ(1, InitSpeech());
    sapi5.rate = 2;
    record.voiceIndex = 1;
    run([&](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{ "Anna", "David", "Zira" }), comboItems(dialog, IDC_SET_VOICE));
        EXPECT_EQ("David", comboSelection(dialog, IDC_SET_VOICE));
        EXPECT_EQ("212", itemText(dialog, IDC_SET_SPEED));
        SendDlgItemMessageA(dialog, IDC_SET_VOICE, CB_SETCURSEL, 2, 0);
        setItemText(dialog, IDC_SET_SPEED, "150");
        click(dialog, IDOK);
    });
    EXPECT_EQ(2, record.voiceIndex);
    EXPECT_EQ(-1, sapi5.voiceRate);
    EXPECT_TRUE(ui.boxes.empty());

    // A speed no rate stands for is refused like any engine's refusal.
    run([&](HWND dialog) {
        setItemText(dialog, IDC_SET_SPEED, "900");
        click(dialog, IDOK);
    });
    EXPECT_EQ(-1, sapi5.voiceRate);
    EXPECT_EQ("Invalid input: Err, or speech speed is out of allowable range(0..4294967295)", lastBox());
}

TEST_F(Sapi5SettingsDialog, WhileSpeechIsOffTheVoicesToChooseFromAreStillSapi5s)
{
    run([&](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{ "Anna", "David", "Zira" }), comboItems(dialog, IDC_SET_VOICE));
        EXPECT_EQ("", itemText(dialog, IDC_SET_SPEED));
        click(dialog, IDCANCEL);
    });
}

TEST_F(Sapi5SettingsDialog, EngineButtonsWithoutASapi5DialogSaySo)
{
    ASSERT_EQ(1, InitSpeech());
    run([&](HWND dialog) {
        click(dialog, IDC_SET_ENGINE_ABOUT);
        click(dialog, IDC_SET_ENGINE_TRANSLATE);
        click(dialog, IDC_SET_ENGINE_GENERAL); // the fake voice has no properties dialog
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ((std::vector<std::string>{ "Error: This speech engine does not support this function",
                                         "Error: This speech engine does not support this function",
                                         "Error: This speech engine does not support this function" }),
              boxTexts());
}

} // namespace
