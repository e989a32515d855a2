// Header blocks like those of real mail today, for tests and benchmarks of header fetching: hop
// after hop of Received fields, DKIM and ARC signatures, authentication results, the long base64
// fields large mail services add, mailing list fields, folded and unfolded long lines, raw UTF-8
// and Latin-1 bytes, encoded words, and from 130 KB on one single field of 120 KB.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Header lines of exactly bytes bytes (at least 1,500), each ending in "\r\n", without the empty
// line that ends a header. The same seed gives the same block. From and Subject are the first two
// lines; the subject is "Message <seed>" in an encoded word's clothing.
std::string realisticHeaderBlock(size_t bytes, uint32_t seed);

// A whole message as a Maildir file holds it: the block, the empty line, a short body.
std::string realisticMessage(size_t headerBytes, uint32_t seed);

// The From and Subject lines realisticHeaderBlock puts first (with their line ends).
std::string realisticFromLine(uint32_t seed);
std::string realisticSubjectLine(uint32_t seed);

// The header block sizes of a mailbox as real mail has them today, from the small to past the
// limit a block is kept up to.
const size_t realisticBlockSizes[] = { 3 * 1024, 5 * 1024, 10 * 1024, 20 * 1024, 60 * 1024, 135 * 1024,
                                       255 * 1024, 300 * 1024 };

// What a session keeps of the header block of realisticMessage(headerBytes, seed) as a server
// sends it ("+OK", the block with its empty line, "."): all of it within limit bytes, else the
// lines that end within limit bytes.
std::string keptRealisticText(size_t headerBytes, uint32_t seed, size_t limit);
