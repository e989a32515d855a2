// The speaking speed in words per minute, as the program shows and sets it, against SAPI 5's
// rate adjustment of -10 (slowest) to 10 (fastest), 0 being the voice's normal pace.
#pragma once
#include <windows.h>

const LONG slowestSpeechRate = -10;
const LONG fastestSpeechRate = 10;

// The words per minute a rate stands for; a rate beyond the range counts as its nearest end.
DWORD wordsPerMinuteForRate(LONG rate);
// The rate nearest to wordsPerMinute. False when it lies outside the speeds the rates stand for
// (slower than the slowest or faster than the fastest), as an engine refuses such a speed.
bool rateForWordsPerMinute(DWORD wordsPerMinute, LONG* rate);
