// Reading a folder's messages over IMAP: the header blocks wanted by UID (UID FETCH <set>
// (BODY.PEEK[HEADER]), which never sets \Seen), every set asked for at once.
#pragma once
#include "mailcheck/imap_conversation.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Messages asked for in one UID FETCH, so that a large mailbox goes in several commands.
const size_t imapMessagesPerFetch = 500;
// UID FETCH commands sent ahead of their answers, at most.
const size_t imapFetchesInFlight = 4;
// Header blocks kept by one session, at most; the messages beyond get no block.
const uint64_t imapMaxKeptHeaderBytes = 32ull * 1024 * 1024;

// From "* <n> FETCH (...)": the message's sequence number, and its UID (0 when not given). False
// when the response is not a FETCH.
bool parseFetchResponse(const ImapResponse& response, uint32_t& sequence, uint32_t& uid);

// The header block a FETCH response carries (as a literal, a quoted string or NIL); cut tells that
// only the first part of a longer literal was kept. False when it carries none.
bool fetchedHeaderBlock(const ImapResponse& response, std::string& block, bool& cut);

// A header block in the form the header list keeps it, that of a POP3 TOP reply: "+OK\r\n", the
// lines (a cut block ends at its last whole line; a line that starts with a dot gets another),
// ".\r\n"; an owned string (null when memory ran out), length its bytes without the NUL.
char* keptHeaderBlock(const std::string& block, bool cut, size_t& length);

// The UIDs as sets ("3:7,9,12") of at most imapMessagesPerFetch messages each, ascending.
std::vector<std::string> uidSets(std::vector<uint32_t> uids);

// UID FETCH of the header blocks of the messages at the wanted indexes (0-based) into their slots.
int fetchHeaderBlocksByUid(ImapConversation& conversation, char** slots, const std::vector<uint32_t>& uids,
                           const std::vector<uint32_t>& wanted, char* why, size_t whySize);

// The log line and code of a FETCH step that did not end with OK.
int fetchFailure(ImapConversation& conversation, ImapReply reply, char* why, size_t whySize);
