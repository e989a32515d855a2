// The current Speech API (SAPI 5) as the platform's sapi.h declares it, and the class ids the
// program creates, which MinGW's uuid library does not carry. Interface ids come from
// __uuidof on the declared interfaces.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <sapi.h>

extern const GUID spVoiceClassId;          // SpVoice: speaks, in process, from sapi.dll
extern const GUID spTokenCategoryClassId;  // SpObjectTokenCategory: the registry's voice tokens
