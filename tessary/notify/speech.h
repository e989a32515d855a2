// The program's text-to-speech: one engine for the whole process and the list of its installed
// voices. The Speech API 4 voice-text object, registered as "SPEAKLIB", comes first; where that
// service is missing (as on every Windows of today), SAPI 5 speaks instead. Every call
// is made on the user-interface thread, after COM has been initialised there.
#pragma once
#include <windows.h>
#include <cstddef>
#include "notify/speech_engine.h"

// Creates the engine, after releasing any previous one: the voice-text object, registered; or,
// when its service cannot be created, a SAPI 5 voice. Speech counts as on afterwards whatever the
// outcome. 1: an engine answered; -1: no engine, or the voice-text object refused to register.
int InitSpeech();
// Releases the engine; speech is off.
void ShutdownSpeech();
// True while speech is on (InitSpeech ran, whether or not the engine answered).
bool IsSpeechInitialized();

// Which engine InitSpeech chose; none while speech is off or when no engine could be created.
enum class SpeechEngineKind { None, SpeechApi4, SpeechApi5 };
SpeechEngineKind SpeechEngineInUse();

// Speaks 8-bit text. With wait, returns when the speech has ended, or after 5 s at most.
// 1: spoken or queued (a busy sound device stops the current speech and counts as done);
// -1: speech is off, or the engine refused the text.
int SpeakString(const char* text, bool wait);

// Speaks text from mail, in any script. On the NT family the engine receives it as it is (both
// engines take UTF-16: SAPI 5, and the old engine through the wide voice-text interface that the
// program uses); on Windows 95/98/ME it is first converted to the ANSI code page, '?' for what that
// lacks. Results as SpeakString.
int SpeakWideString(const WCHAR* text, bool wait);

// The engine's speed in words per minute (a SAPI 5 rate counts as the speed it stands for, see
// speech_rate.h); 0 when speech is off or the engine did not answer.
DWORD GetSpeechSpeed();
// 1: the engine took the speed; 0: speech is off, or the engine refused it.
int SetSpeechSpeed(DWORD speed);

// The room NextVoiceName needs: a mode name of up to 261 characters and its terminator.
const size_t voiceNameBufferSize = 264;

// Opens the list of installed voices at its first one: those of the engine in use, or while none
// is, those of the engine InitSpeech would choose. 1: open; -1: no engine.
int OpenVoiceList();
// Writes the next voice's name into buffer (cut to bufferSize). 1: written; -1: the end of the
// list, or failure, with buffer untouched.
int NextVoiceName(char* buffer, size_t bufferSize = voiceNameBufferSize);
void CloseVoiceList();

// Makes the engine speak with the voice at position index of the list (0 is the first).
// 1: done; -1: speech is off, index is negative or past the end, or the engine refused.
int SelectVoice(int index);

// Opens one of the engine's own dialogs on owner; when that fails, or the engine has no such
// dialog, tells the user in a warning box.
void ShowEngineDialog(HWND owner, EngineDialog which);
