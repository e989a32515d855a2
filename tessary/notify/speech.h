// The program's text-to-speech: one voice-text object of the Speech API 4 for the whole process,
// registered as "SPEAKLIB", and the list of installed voices. Every call is made on the
// user-interface thread, after COM has been initialised there.
#pragma once
#include <windows.h>
#include <cstddef>

// Creates and registers the voice-text object, after releasing any previous one. Speech counts as
// on afterwards whatever the outcome. 1: registered; -1: no engine, or it refused.
int InitSpeech();
// Releases the voice-text object; speech is off.
void ShutdownSpeech();
// True while speech is on (InitSpeech ran, whether or not the engine answered).
bool IsSpeechInitialized();

// Speaks 8-bit text. With wait, returns when the speech has ended, or after 5 s at most.
// 1: spoken or queued (a busy sound device stops the current speech and counts as done);
// -1: speech is off, or the engine refused the text.
int SpeakString(const char* text, bool wait);

// The engine's speed in words per minute; 0 when speech is off or the engine did not answer.
DWORD GetSpeechSpeed();
// 1: the engine took the speed; 0: speech is off, or the engine refused it.
int SetSpeechSpeed(DWORD speed);

// The room NextVoiceName needs: a mode name of up to 261 characters and its terminator.
const size_t voiceNameBufferSize = 264;

// Opens the list of installed voices at its first one. 1: open; -1: no engine.
int OpenVoiceList();
// Writes the next voice's name into buffer (cut to bufferSize). 1: written; -1: the end of the
// list, or failure, with buffer untouched.
int NextVoiceName(char* buffer, size_t bufferSize = voiceNameBufferSize);
void CloseVoiceList();

// Makes the engine speak with the voice at position index of the list (0 is the first).
// 1: done; -1: speech is off, index is negative or past the end, or the engine refused.
int SelectVoice(int index);

enum class EngineDialog { About, General, Lexicon, Translate };
// Opens one of the engine's own dialogs on owner; when that fails, tells the user in a warning box.
void ShowEngineDialog(HWND owner, EngineDialog which);
