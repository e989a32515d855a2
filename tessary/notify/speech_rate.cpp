// The one table between words per minute and SAPI 5 rates. Each step of the rate multiplies the
// pace by the tenth root of 3 (so -10 is a third of the normal pace and 10 three times it), and
// the normal pace is taken as 170 words per minute: entry r is 170 * 3^(r/10), rounded.
//
//   rate  -10 -9 -8 -7 -6 -5  -4  -3  -2  -1   0   1   2   3   4   5   6   7   8   9  10
//   wpm    57 63 71 79 88 98 110 122 136 152 170 190 212 236 264 294 329 367 409 457 510
//
// A speed between two entries goes to the nearer one (to the slower on a tie), so the speed
// read from the engine and set again gives the same rate back.
#include "notify/speech_rate.h"

namespace {

const DWORD wordsPerMinuteByRate[fastestSpeechRate - slowestSpeechRate + 1] = {
    57, 63, 71, 79, 88, 98, 110, 122, 136, 152, 170, 190, 212, 236, 264, 294, 329, 367, 409, 457, 510
};

} // namespace

DWORD wordsPerMinuteForRate(LONG rate)
{
    if (rate < slowestSpeechRate)
        rate = slowestSpeechRate;
    if (rate > fastestSpeechRate)
        rate = fastestSpeechRate;
    return wordsPerMinuteByRate[rate - slowestSpeechRate];
}

bool rateForWordsPerMinute(DWORD wordsPerMinute, LONG* rate)
{
    if (wordsPerMinute < wordsPerMinuteForRate(slowestSpeechRate) ||
        wordsPerMinute > wordsPerMinuteForRate(fastestSpeechRate))
        return false;
    LONG nearest = slowestSpeechRate;
    for (LONG candidate = slowestSpeechRate + 1; candidate <= fastestSpeechRate; ++candidate) {
        DWORD below = wordsPerMinuteForRate(candidate - 1);
        DWORD entry = wordsPerMinuteForRate(candidate);
        // Past the midpoint between the slower entry and this one (twice the distance compared,
        // to stay in whole numbers).
        if (2 * wordsPerMinute > below + entry)
            nearest = candidate;
    }
    *rate = nearest;
    return true;
}
