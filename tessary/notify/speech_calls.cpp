// Binds the speech seam to COM and the kernel.
#include "notify/speech_calls.h"

SpeechCalls speechCalls = { ::CoCreateInstance, ::Sleep };
