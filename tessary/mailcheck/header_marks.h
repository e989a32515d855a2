// What happened to a header block on its way into the entry's header list: kept whole, cut at the
// block size limit, or reduced to the fields people and the program use. One byte per slot.
#pragma once
#include <cstdint>

enum HeaderMark : uint8_t {
    headerKeptWhole = 0,
    headerCut = 1,     // longer than headerBlockLimit: the lines past it were read and dropped
    headerReduced = 2, // the entry's header budget was spent: only the fields of reducedFields kept
};
