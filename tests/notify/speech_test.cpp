// The speech wrapper against fake engine objects, and against this platform, which has no engine.
#include <gtest/gtest.h>
#include "notify/speech.h"
#include "support/fake_speech_engine.h"
#include "support/ui_recorder.h"
#include <cstring>

namespace {

typedef std::vector<std::string> Log;
const char* const registration = "Register site=null app=SPEAKLIB sink=null iid=IVTxtNotifySink flags=0 info=null";

class Speech : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.modes = { { L"Mary", fakeModeId(1) }, { L"Mike", fakeModeId(2) }, { L"Sam", fakeModeId(3) } };
    }
    void TearDown() override
    {
        CloseVoiceList();
        ShutdownSpeech();
        EXPECT_EQ(0, engine.liveObjects()); // every reference taken was released
    }
    void startSpeech()
    {
        ASSERT_EQ(1, InitSpeech());
        engine.clearLog();
    }
    std::vector<std::string> voiceNames()
    {
        std::vector<std::string> names;
        char buffer[voiceNameBufferSize];
        while (NextVoiceName(buffer) == 1)
            names.push_back(buffer);
        return names;
    }

    FakeSpeechEngine engine;
    UiRecorder ui;
    HWND owner = reinterpret_cast<HWND>(0x1234);
};

TEST_F(Speech, InitRegistersAsSpeaklib)
{
    EXPECT_FALSE(IsSpeechInitialized());
    EXPECT_EQ(1, InitSpeech());
    EXPECT_TRUE(IsSpeechInitialized());
    EXPECT_EQ((Log{ "create VTxt context=4 IVoiceText", "query IVTxtAttributes", "query IVTxtDialogs", registration }),
              engine.log);
}

TEST_F(Speech, RefusedOrMissingEngineStillLeavesSpeechOn)
{
    engine.registerResult = E_FAIL;
    EXPECT_EQ(-1, InitSpeech());
    EXPECT_TRUE(IsSpeechInitialized());

    engine.voiceTextInstalled = false;
    EXPECT_EQ(-1, InitSpeech());
    EXPECT_TRUE(IsSpeechInitialized());
    engine.clearLog();
    EXPECT_EQ(-1, SpeakString("hello", true));
    EXPECT_EQ(0u, GetSpeechSpeed());
    EXPECT_EQ(0, SetSpeechSpeed(200));
    EXPECT_EQ(-1, SelectVoice(0)); // no attributes to take the mode
    ShowEngineDialog(owner, EngineDialog::About);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Could not display speech engine dialog.", ui.boxes[0].text);
}

TEST_F(Speech, SecondInitReleasesTheFirstObjectBeforeCreating)
{
    ASSERT_EQ(1, InitSpeech());
    engine.clearLog();
    ASSERT_EQ(1, InitSpeech());
    ASSERT_GE(engine.log.size(), 2u);
    EXPECT_EQ("release VoiceText#1", engine.log[0]);
    EXPECT_EQ("create VTxt context=4 IVoiceText", engine.log[1]);
    EXPECT_EQ(1, engine.liveObjects());
    ShutdownSpeech();
    EXPECT_FALSE(IsSpeechInitialized());
    EXPECT_EQ(0, engine.liveObjects());
}

TEST_F(Speech, SpeakConvertsTheTextAndSpeaksEvenAnEmptyOne)
{
    startSpeech();
    EXPECT_EQ(1, SpeakString("", false));
    EXPECT_EQ(1, SpeakString("you have 3 new messages", false));
    EXPECT_EQ((Log{ "Speak '' flags=0 tags=null", "Speak 'you have 3 new messages' flags=0 tags=null" }), engine.log);

    std::string longText(5000, 'x');
    longText += "\xE9"; // e acute in the ANSI code page
    EXPECT_EQ(1, SpeakString(longText.c_str(), false));
    EXPECT_EQ(5001u, engine.lastSpoken.size());
    EXPECT_EQ(L'x', engine.lastSpoken[4999]);
}

TEST_F(Speech, WaitingStopsAfterFiveWaitsOrWhenSpeechEnds)
{
    startSpeech();
    engine.speakingPolls = -1;
    EXPECT_EQ(1, SpeakString("a long text", true));
    Log expected = { "Speak 'a long text' flags=0 tags=null", "IsSpeaking" };
    for (int i = 0; i < 5; ++i) {
        expected.push_back("sleep 1000");
        expected.push_back("IsSpeaking");
    }
    EXPECT_EQ(expected, engine.log);

    engine.clearLog();
    engine.speakingPolls = 2;
    EXPECT_EQ(1, SpeakString("short", true));
    EXPECT_EQ((Log{ "Speak 'short' flags=0 tags=null", "IsSpeaking", "sleep 1000", "IsSpeaking", "sleep 1000",
                    "IsSpeaking" }),
              engine.log);

    engine.clearLog();
    EXPECT_EQ(1, SpeakString("no wait", false));
    EXPECT_EQ(1u, engine.log.size());
}

TEST_F(Speech, WithoutAttributesNothingIsWaitedFor)
{
    engine.withAttributes = false;
    startSpeech();
    engine.speakingPolls = -1;
    EXPECT_EQ(1, SpeakString("hello", true));
    EXPECT_EQ((Log{ "Speak 'hello' flags=0 tags=null" }), engine.log);
}

TEST_F(Speech, BusyDeviceStopsSpeechAndCountsAsDone)
{
    startSpeech();
    engine.speakResults = { static_cast<HRESULT>(0x80040203), static_cast<HRESULT>(0x8004020A) };
    EXPECT_EQ(1, SpeakString("busy", true));
    EXPECT_EQ((Log{ "Speak 'busy' flags=0 tags=null", "StopSpeaking" }), engine.log);
    engine.clearLog();
    EXPECT_EQ(-1, SpeakString("queue full", true));
    EXPECT_EQ((Log{ "Speak 'queue full' flags=0 tags=null" }), engine.log);
}

TEST_F(Speech, EverythingFailsQuietlyWhileSpeechIsOff)
{
    EXPECT_EQ(-1, SpeakString("hello", false));
    EXPECT_EQ(0u, GetSpeechSpeed());
    EXPECT_EQ(0, SetSpeechSpeed(150));
    EXPECT_EQ(-1, SelectVoice(0));
    EXPECT_TRUE(engine.log.empty());
    ShowEngineDialog(owner, EngineDialog::General);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(owner, ui.boxes[0].owner);
    EXPECT_EQ("Speech engine is not initialized.. Is SAPI installed?", ui.boxes[0].text);
    EXPECT_EQ("Error", ui.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), ui.boxes[0].type);
}

TEST_F(Speech, SpeedIsTheEnginesOwn)
{
    startSpeech();
    EXPECT_EQ(170u, GetSpeechSpeed());
    EXPECT_EQ(1, SetSpeechSpeed(220));
    engine.speedResult = E_INVALIDARG;
    EXPECT_EQ(0u, GetSpeechSpeed());
    EXPECT_EQ(0, SetSpeechSpeed(9999));
    EXPECT_EQ((Log{ "SpeedGet", "SpeedSet 220", "SpeedGet", "SpeedSet 9999" }), engine.log);
}

TEST_F(Speech, VoiceListGivesTheEnumeratorsOrderThenEnds)
{
    ASSERT_EQ(1, OpenVoiceList());
    EXPECT_EQ((Log{ "create TTSEnumerator context=7 ITTSEnumW", "query ITTSFindW" }), engine.log);
    EXPECT_EQ((std::vector<std::string>{ "Mary", "Mike", "Sam" }), voiceNames());
    char buffer[voiceNameBufferSize] = "unchanged";
    EXPECT_EQ(-1, NextVoiceName(buffer));
    EXPECT_STREQ("unchanged", buffer);
    CloseVoiceList();
    EXPECT_EQ(0, engine.liveObjects());
    EXPECT_EQ(-1, NextVoiceName(buffer));

    engine.withFind = false;
    EXPECT_EQ(-1, OpenVoiceList());
    engine.enumeratorInstalled = false;
    EXPECT_EQ(-1, OpenVoiceList());
    EXPECT_EQ(-1, NextVoiceName(buffer));
}

TEST_F(Speech, LongVoiceNamesNeverOverrunTheBuffer)
{
    engine.modes = { { std::wstring(262, L'v'), fakeModeId(1) }, { L"Mary Ann", fakeModeId(2) } };
    ASSERT_EQ(1, OpenVoiceList());
    char buffer[voiceNameBufferSize + 8];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(1, NextVoiceName(buffer));
    EXPECT_EQ(std::string(262, 'v'), buffer); // no terminator in the record: cut at the field
    EXPECT_EQ('#', buffer[voiceNameBufferSize]);

    char small[8];
    std::memset(small, '#', sizeof small);
    ASSERT_EQ(1, NextVoiceName(small, 5));
    EXPECT_STREQ("Mary", small);
    EXPECT_EQ('#', small[5]);
}

TEST_F(Speech, SelectVoicePicksTheModeAtItsPosition)
{
    startSpeech();
    for (int index = 0; index < 3; ++index) {
        engine.clearLog();
        EXPECT_EQ(1, SelectVoice(index));
        Log expected = { "create TTSEnumerator context=7 ITTSEnumW", "query ITTSFindW" };
        expected.insert(expected.end(), index + 1, "Next");
        expected.push_back("release Enumerator#" + std::to_string(index + 1));
        expected.push_back(std::string("TTSModeSet ") + (index == 0 ? "Mary" : index == 1 ? "Mike" : "Sam"));
        EXPECT_EQ(expected, engine.log) << "index " << index;
    }
    EXPECT_EQ(1, engine.liveObjects());

    engine.clearLog();
    EXPECT_EQ(-1, SelectVoice(3)); // as many as there are modes: past the end
    EXPECT_EQ(4, std::count(engine.log.begin(), engine.log.end(), std::string("Next")));
    engine.clearLog();
    EXPECT_EQ(-1, SelectVoice(-1));
    EXPECT_TRUE(engine.log.empty()); // no enumerator, no mode handed over

    engine.modeSetResult = E_FAIL;
    EXPECT_EQ(-1, SelectVoice(1));
}

TEST_F(Speech, EngineDialogsOpenOnTheOwnerAndReportFailures)
{
    startSpeech();
    const std::pair<EngineDialog, const char*> dialogs[] = { { EngineDialog::About, "AboutDlg" },
                                                             { EngineDialog::General, "GeneralDlg" },
                                                             { EngineDialog::Lexicon, "LexiconDlg" },
                                                             { EngineDialog::Translate, "TranslateDlg" } };
    for (auto& d : dialogs) {
        engine.clearLog();
        ui.boxes.clear();
        engine.dialogResult = S_OK;
        ShowEngineDialog(owner, d.first);
        EXPECT_EQ((Log{ std::string(d.second) + " owner=4660 title=null" }), engine.log);
        EXPECT_TRUE(ui.boxes.empty());

        engine.dialogResult = E_NOTIMPL;
        ShowEngineDialog(owner, d.first);
        engine.dialogResult = E_FAIL;
        ShowEngineDialog(owner, d.first);
        ASSERT_EQ(2u, ui.boxes.size());
        EXPECT_EQ("This speech engine does not support this function", ui.boxes[0].text);
        EXPECT_EQ("Could not display speech engine dialog.", ui.boxes[1].text);
        EXPECT_EQ("Error", ui.boxes[1].caption);
        EXPECT_EQ(owner, ui.boxes[1].owner);
    }

    engine.withDialogs = false;
    startSpeech();
    ui.boxes.clear();
    ShowEngineDialog(owner, EngineDialog::Lexicon);
    EXPECT_TRUE(engine.log.empty());
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Could not display speech engine dialog.", ui.boxes[0].text);
}

// This platform has no voice-text service; what its SAPI 5 does is up to it. Whatever it does,
// the wrapper must answer consistently and never crash.
TEST(PlatformSpeech, WithoutTheOldServiceSapi5IsTriedAndEveryOperationAnswers)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    UiRecorder ui;
    int initialized = InitSpeech();
    EXPECT_TRUE(IsSpeechInitialized());
    EXPECT_EQ(initialized == 1 ? SpeechEngineKind::SpeechApi5 : SpeechEngineKind::None, SpeechEngineInUse());
    SpeakString("hello", false);
    SpeakString("hello", true);
    if (DWORD speed = GetSpeechSpeed()) {
        EXPECT_GE(speed, 57u);
        EXPECT_LE(speed, 510u);
        EXPECT_EQ(1, SetSpeechSpeed(speed));
    }

    int voices = 0;
    if (OpenVoiceList() == 1) {
        char buffer[voiceNameBufferSize];
        while (NextVoiceName(buffer) == 1) {
            EXPECT_NE('\0', buffer[0]) << "voice " << voices;
            ++voices;
        }
    }
    CloseVoiceList();
    EXPECT_EQ(-1, SelectVoice(voices));
    SelectVoice(0);

    ShowEngineDialog(nullptr, EngineDialog::About);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(initialized == 1 ? "This speech engine does not support this function"
                               : "Could not display speech engine dialog.",
              ui.boxes[0].text);
    ShutdownSpeech();
    EXPECT_FALSE(IsSpeechInitialized());
    CoUninitialize();
}

} // namespace
