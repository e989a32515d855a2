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
