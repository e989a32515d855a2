// The speech wrapper where the old voice-text service is missing and SAPI 5 speaks, against
// fake SAPI 5 objects; and the table between words per minute and SAPI 5 rates.
#include <gtest/gtest.h>
#include "notify/speech.h"
#include "notify/speech_rate.h"
#include "support/fake_sapi5_engine.h"
#include "support/fake_speech_engine.h"
#include "support/ui_recorder.h"
#include <algorithm>
#include <cstring>

namespace {

typedef std::vector<std::string> Log;
const std::string createVoice = "create SpVoice context=23 ISpVoice";
const Log openCategory = { "create SpObjectTokenCategory context=23 ISpObjectTokenCategory",
                           "SetId HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices create=0",
                           "EnumTokens required=null optional=null" };
const char* const notSupported = "This speech engine does not support this function";
const char* const notShown = "Could not display speech engine dialog.";

FakeVoiceToken voice(const wchar_t* name)
{
    FakeVoiceToken token;
    token.description = name;
    token.id = std::wstring(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\TTS_") + name;
    return token;
}

Log concat(Log first, const Log& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class Sapi5Speech : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A system of today: no voice-text service, no mode enumerator.
        old.voiceTextInstalled = false;
        old.enumeratorInstalled = false;
        sapi5.voices = { voice(L"Anna"), voice(L"David"), voice(L"Zira") };
    }
    void TearDown() override
    {
        CloseVoiceList();
        ShutdownSpeech();
        EXPECT_EQ(0, sapi5.liveObjects()); // every reference taken was released
        EXPECT_EQ(0, old.liveObjects());
    }
    void startSpeech()
    {
        ASSERT_EQ(1, InitSpeech());
        ASSERT_EQ(SpeechEngineKind::SpeechApi5, SpeechEngineInUse());
        sapi5.clearLog();
        old.clearLog();
    }
    std::vector<std::string> voiceNames()
    {
        std::vector<std::string> names;
        char buffer[voiceNameBufferSize];
        while (NextVoiceName(buffer) == 1)
            names.push_back(buffer);
        return names;
    }

    FakeSpeechEngine old;
    FakeSapi5Engine sapi5; // after old: it hands the old engine's classes on to it
    UiRecorder ui;
    HWND owner = reinterpret_cast<HWND>(0x1234);
};

TEST_F(Sapi5Speech, TheOldServiceComesFirstAndSapi5OnlyReplacesAMissingOne)
{
    old.voiceTextInstalled = true;
    EXPECT_EQ(1, InitSpeech());
    EXPECT_EQ(SpeechEngineKind::SpeechApi4, SpeechEngineInUse());
    // An installed service that refuses to register is still the engine: no fallback.
    old.registerResult = E_FAIL;
    EXPECT_EQ(-1, InitSpeech());
    EXPECT_EQ(SpeechEngineKind::SpeechApi4, SpeechEngineInUse());
    EXPECT_TRUE(sapi5.log.empty());

    old.voiceTextInstalled = false;
    old.clearLog();
    EXPECT_EQ(1, InitSpeech());
    EXPECT_EQ(SpeechEngineKind::SpeechApi5, SpeechEngineInUse());
    EXPECT_TRUE(IsSpeechInitialized());
    EXPECT_EQ((Log{ "release VoiceText#2", "create VTxt context=4 IVoiceText" }), old.log);
    EXPECT_EQ((Log{ createVoice }), sapi5.log);
    EXPECT_EQ(1, sapi5.liveObjects());
}

TEST_F(Sapi5Speech, WithNeitherEngineSpeechIsOnButEverythingFailsAsBefore)
{
    sapi5.voiceInstalled = false;
    EXPECT_EQ(-1, InitSpeech());
    EXPECT_TRUE(IsSpeechInitialized());
    EXPECT_EQ(SpeechEngineKind::None, SpeechEngineInUse());
    EXPECT_EQ(-1, SpeakString("hello", true));
    EXPECT_EQ(0u, GetSpeechSpeed());
    EXPECT_EQ(0, SetSpeechSpeed(170));
    EXPECT_EQ(-1, SelectVoice(0));
    ShowEngineDialog(owner, EngineDialog::General);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(notShown, ui.boxes[0].text);
    EXPECT_EQ((Log{ createVoice }), sapi5.log); // nothing reached SAPI 5 after its voice was missing
}

TEST_F(Sapi5Speech, SecondInitAndShutdownReleaseTheVoiceAndTheTokenItHolds)
{
    startSpeech();
    ASSERT_EQ(1, SelectVoice(1));
    sapi5.clearLog();
    ASSERT_EQ(1, InitSpeech());
    EXPECT_EQ((Log{ "release Voice#1", "release token David", createVoice }), sapi5.log);
    sapi5.clearLog();
    ShutdownSpeech();
    EXPECT_EQ((Log{ "release Voice#2" }), sapi5.log);
    EXPECT_FALSE(IsSpeechInitialized());
    EXPECT_EQ(SpeechEngineKind::None, SpeechEngineInUse());
}

TEST_F(Sapi5Speech, SpeechIsQueuedAsPlainTextAndASyncWaitIsBoundedByFiveSeconds)
{
    startSpeech();
    EXPECT_EQ(1, SpeakString("you have 3 new messages", false));
    EXPECT_EQ(1, SpeakString("", false));
    // Mail is not speech markup: a subject cannot silence what follows it.
    EXPECT_EQ(1, SpeakString("<silence msec=\"99999\"/>Re: lunch", false));
    EXPECT_EQ((Log{ "Speak 'you have 3 new messages' flags=async+not-xml stream=null",
                    "Speak '' flags=async+not-xml stream=null",
                    "Speak '<silence msec=\"99999\"/>Re: lunch' flags=async+not-xml stream=null" }),
              sapi5.log);

    sapi5.clearLog();
    EXPECT_EQ(1, SpeakString("short", true));
    sapi5.waitResult = S_FALSE; // still speaking when the wait ran out
    EXPECT_EQ(1, SpeakString("a long text", true));
    EXPECT_EQ((Log{ "Speak 'short' flags=async+not-xml stream=null", "WaitUntilDone 5000",
                    "Speak 'a long text' flags=async+not-xml stream=null", "WaitUntilDone 5000" }),
              sapi5.log);
    EXPECT_TRUE(old.log.empty()); // no waits of the old engine's kind

    sapi5.clearLog();
    sapi5.speakResults = { E_NOTIMPL, static_cast<HRESULT>(0x80040203) };
    EXPECT_EQ(-1, SpeakString("refused", true));
    EXPECT_EQ(-1, SpeakString("no busy-device rule here", false));
    EXPECT_EQ((Log{ "Speak 'refused' flags=async+not-xml stream=null",
                    "Speak 'no busy-device rule here' flags=async+not-xml stream=null" }),
              sapi5.log);

    std::string longText(5000, 'x');
    longText += "\xE9";
    EXPECT_EQ(1, SpeakString(longText.c_str(), false));
    EXPECT_EQ(5001u, sapi5.lastSpoken.size());
}

TEST_F(Sapi5Speech, TheRateIsShownAndSetInWordsPerMinuteAndRoundTrips)
{
    startSpeech();
    for (LONG rate = -10; rate <= 10; ++rate) {
        sapi5.rate = rate;
        DWORD speed = GetSpeechSpeed();
        sapi5.voiceRate = 99;
        EXPECT_EQ(1, SetSpeechSpeed(speed)) << "rate " << rate;
        EXPECT_EQ(rate, sapi5.voiceRate) << "rate " << rate << " shown as " << speed;
    }
    sapi5.rate = 0;
    EXPECT_EQ(170u, GetSpeechSpeed());
    sapi5.rate = -10;
    EXPECT_EQ(57u, GetSpeechSpeed());
    sapi5.rate = 10;
    EXPECT_EQ(510u, GetSpeechSpeed());
    sapi5.rate = 25; // beyond what SAPI 5 documents: the nearest end
    EXPECT_EQ(510u, GetSpeechSpeed());

    sapi5.clearLog();
    EXPECT_EQ(1, SetSpeechSpeed(200)); // between 190 (1) and 212 (2), nearer 190
    EXPECT_EQ(1, sapi5.voiceRate);
    EXPECT_EQ(1, SetSpeechSpeed(202)); // 201 is the middle: 202 goes up
    EXPECT_EQ(2, sapi5.voiceRate);
    EXPECT_EQ((Log{ "SetRate 1", "SetRate 2" }), sapi5.log);

    // Speeds no rate stands for are refused without reaching the voice, as an engine refuses
    // one out of its range; so is the empty speed box's 0 and a typed -5.
    sapi5.clearLog();
    for (DWORD refused : { 0u, 56u, 511u, 4294967291u })
        EXPECT_EQ(0, SetSpeechSpeed(refused)) << refused;
    EXPECT_TRUE(sapi5.log.empty());

    sapi5.rateResult = E_NOTIMPL;
    EXPECT_EQ(0u, GetSpeechSpeed());
    EXPECT_EQ(0, SetSpeechSpeed(170));
}

TEST(SpeechRateTable, EverySpeedGoesToTheNearestRateAndStaysThere)
{
    for (LONG rate = slowestSpeechRate + 1; rate <= fastestSpeechRate; ++rate)
        EXPECT_LT(wordsPerMinuteForRate(rate - 1), wordsPerMinuteForRate(rate));
    for (DWORD speed = wordsPerMinuteForRate(slowestSpeechRate); speed <= wordsPerMinuteForRate(fastestSpeechRate);
         ++speed) {
        LONG rate = 99;
        ASSERT_TRUE(rateForWordsPerMinute(speed, &rate)) << speed;
        DWORD shown = wordsPerMinuteForRate(rate);
        for (LONG other = slowestSpeechRate; other <= fastestSpeechRate; ++other) {
            DWORD candidate = wordsPerMinuteForRate(other);
            DWORD distance = candidate > speed ? candidate - speed : speed - candidate;
            DWORD chosenDistance = shown > speed ? shown - speed : speed - shown;
            EXPECT_LE(chosenDistance, distance) << speed << " went to " << rate << ", nearer " << other;
        }
        LONG again = 99;
        ASSERT_TRUE(rateForWordsPerMinute(shown, &again));
        EXPECT_EQ(rate, again) << speed;
    }
}

TEST_F(Sapi5Speech, VoicesAreTheVoicesCategorysTokensInItsOrder)
{
    startSpeech();
    ASSERT_EQ(1, OpenVoiceList());
    EXPECT_EQ(openCategory, sapi5.log);
    sapi5.clearLog();
    EXPECT_EQ((std::vector<std::string>{ "Anna", "David", "Zira" }), voiceNames());
    // Each token is let go when the next one is taken.
    EXPECT_EQ((Log{ "Next", "GetStringValue default", "release token Anna", "Next", "GetStringValue default",
                    "release token David", "Next", "GetStringValue default", "release token Zira", "Next" }),
              sapi5.log);
    char buffer[voiceNameBufferSize] = "unchanged";
    EXPECT_EQ(-1, NextVoiceName(buffer));
    EXPECT_STREQ("unchanged", buffer);
    sapi5.clearLog();
    CloseVoiceList();
    EXPECT_EQ((Log{ "release Tokens#1", "release Category#1" }), sapi5.log);
    EXPECT_EQ(-1, NextVoiceName(buffer));
}

TEST_F(Sapi5Speech, AVoiceWithoutADescriptionIsNamedByItsIdAndLongNamesAreCut)
{
    sapi5.voices[1].descriptionResult = E_NOTIMPL;
    sapi5.voices[2].description = std::wstring(400, L'v');
    startSpeech();
    ASSERT_EQ(1, OpenVoiceList());
    char buffer[voiceNameBufferSize + 8];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(1, NextVoiceName(buffer));
    EXPECT_STREQ("Anna", buffer);
    ASSERT_EQ(1, NextVoiceName(buffer));
    EXPECT_STREQ("TTS_David", buffer); // the last part of the token's registry path
    ASSERT_EQ(1, NextVoiceName(buffer));
    EXPECT_EQ(std::string(voiceNameBufferSize - 1, 'v'), buffer);
    EXPECT_EQ('#', buffer[voiceNameBufferSize]);
}

TEST_F(Sapi5Speech, WhileSpeechIsOffTheListShowsTheVoicesInitSpeechWouldUse)
{
    ASSERT_EQ(1, OpenVoiceList()); // no mode enumerator here: SAPI 5's voices
    EXPECT_EQ((std::vector<std::string>{ "Anna", "David", "Zira" }), voiceNames());
    CloseVoiceList();

    old.enumeratorInstalled = true;
    old.modes = { { L"Mary", fakeModeId(1) } };
    sapi5.clearLog();
    ASSERT_EQ(1, OpenVoiceList());
    EXPECT_EQ((std::vector<std::string>{ "Mary" }), voiceNames());
    EXPECT_TRUE(sapi5.log.empty());
    // A mode enumerator that is there but broken is not a reason to list other voices.
    old.withFind = false;
    EXPECT_EQ(-1, OpenVoiceList());
    EXPECT_TRUE(sapi5.log.empty());
}

TEST_F(Sapi5Speech, WhileSapi5SpeaksItsVoicesAreListedEvenBesideAModeEnumerator)
{
    old.enumeratorInstalled = true;
    old.modes = { { L"Mary", fakeModeId(1) } };
    startSpeech();
    ASSERT_EQ(1, OpenVoiceList());
    EXPECT_EQ((std::vector<std::string>{ "Anna", "David", "Zira" }), voiceNames());
    EXPECT_TRUE(old.log.empty());
}

TEST_F(Sapi5Speech, SelectVoiceHandsTheVoiceTheTokenAtItsPosition)
{
    startSpeech();
    const char* names[] = { "Anna", "David", "Zira" };
    for (int index = 0; index < 3; ++index) {
        sapi5.clearLog();
        EXPECT_EQ(1, SelectVoice(index));
        Log expected = openCategory;
        for (int i = 0; i < index; ++i)
            expected = concat(expected, { "Next", std::string("release token ") + names[i] });
        std::string n = std::to_string(index + 1);
        // The enumeration goes before the voice is set; the voice keeps the token it took.
        expected = concat(expected, { "Next", "release Tokens#" + n, "release Category#" + n,
                                      std::string("SetVoice ") + names[index] });
        if (index > 0)
            expected.push_back(std::string("release token ") + names[index - 1]);
        EXPECT_EQ(expected, sapi5.log) << "index " << index;
    }
    EXPECT_EQ(2, sapi5.liveObjects()); // the voice and the token it speaks with

    sapi5.clearLog();
    EXPECT_EQ(-1, SelectVoice(3)); // as many as there are voices: past the end
    EXPECT_EQ(4, std::count(sapi5.log.begin(), sapi5.log.end(), std::string("Next")));
    EXPECT_EQ(0, std::count(sapi5.log.begin(), sapi5.log.end(), std::string("SetVoice Zira")));
    sapi5.clearLog();
    EXPECT_EQ(-1, SelectVoice(-1));
    EXPECT_TRUE(sapi5.log.empty());

    sapi5.setVoiceResult = E_NOTIMPL;
    EXPECT_EQ(-1, SelectVoice(0));
    sapi5.setVoiceResult = S_OK;
    sapi5.enumTokensResult = E_FAIL;
    EXPECT_EQ(-1, SelectVoice(0));
    sapi5.enumTokensResult = S_OK;
    sapi5.setIdResult = E_FAIL;
    EXPECT_EQ(-1, SelectVoice(0));
    sapi5.categoryInstalled = false;
    EXPECT_EQ(-1, SelectVoice(0));
}

TEST_F(Sapi5Speech, EngineDialogsWithoutASapi5CounterpartSayTheyAreNotSupported)
{
    startSpeech();
    ShowEngineDialog(owner, EngineDialog::About);
    ShowEngineDialog(owner, EngineDialog::Translate);
    EXPECT_TRUE(sapi5.log.empty());
    ASSERT_EQ(2u, ui.boxes.size());
    EXPECT_EQ(notSupported, ui.boxes[1].text);
    EXPECT_EQ("Error", ui.boxes[1].caption);
    EXPECT_EQ(owner, ui.boxes[1].owner);

    const std::pair<EngineDialog, std::string> dialogs[] = { { EngineDialog::General, "EngineProperties" },
                                                             { EngineDialog::Lexicon, "AddRemoveWord" } };
    for (auto& d : dialogs) {
        ui.boxes.clear();
        sapi5.clearLog();
        sapi5.uiSupported = FALSE;
        ShowEngineDialog(owner, d.first);
        sapi5.uiSupported = TRUE;
        ShowEngineDialog(owner, d.first);
        EXPECT_EQ((Log{ "IsUISupported " + d.second, "IsUISupported " + d.second,
                        "DisplayUI owner=4660 title=null " + d.second }),
                  sapi5.log);
        ASSERT_EQ(1u, ui.boxes.size());
        EXPECT_EQ(notSupported, ui.boxes[0].text);

        sapi5.displayUiResult = E_FAIL;
        ShowEngineDialog(owner, d.first);
        sapi5.displayUiResult = S_OK;
        sapi5.uiSupportedResult = E_NOTIMPL;
        ShowEngineDialog(owner, d.first);
        sapi5.uiSupportedResult = E_ACCESSDENIED;
        ShowEngineDialog(owner, d.first);
        sapi5.uiSupportedResult = S_OK;
        ASSERT_EQ(4u, ui.boxes.size());
        EXPECT_EQ(notShown, ui.boxes[1].text);
        EXPECT_EQ(notSupported, ui.boxes[2].text);
        EXPECT_EQ(notShown, ui.boxes[3].text);
    }
}

} // namespace
