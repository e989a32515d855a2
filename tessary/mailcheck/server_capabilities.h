// What a POP3 server says it can do (CAPA, RFC 2449): whether it offers STLS, and whether it takes
// commands pipelined.
#pragma once

class Pop3Connection;

struct ServerCapabilities {
    bool answered = false;   // "+OK": the lines below are the server's; else it named nothing
    bool stls = false;
    bool pipelining = false;
};

// Sends CAPA and reads the list. "-ERR", no answer within the time-out, or a reply that does not
// fit the reply buffer: the server names no capabilities (a long reply is read to its end all the
// same).
ServerCapabilities askCapabilities(Pop3Connection& connection);

// True when the reply to CAPA lists the capability name (any case) on one of its lines, alone or
// followed by its arguments.
bool listsCapability(const char* reply, const char* name);
