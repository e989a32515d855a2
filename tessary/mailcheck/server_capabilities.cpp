// Asking a POP3 server for its capabilities and reading the list.
#include "mailcheck/server_capabilities.h"
#include "mailcheck/pop3_connection.h"
#include <cstring>

bool listsCapability(const char* reply, const char* name)
{
    size_t length = strlen(name);
    const char* line = strstr(reply, "\r\n");
    while (line) {
        line += 2;
        if (line[0] == '.' && line[1] == '\r')
            return false;
        if (strncasecmp(line, name, length) == 0 &&
            (line[length] == '\r' || line[length] == ' ' || line[length] == '\t'))
            return true;
        line = strstr(line, "\r\n");
    }
    return false;
}

ServerCapabilities askCapabilities(Pop3Connection& connection)
{
    ServerCapabilities found;
    char reply[pop3TopBufferSize];
    found.answered = connection.send("CAPA\r\n") && connection.status(reply, sizeof reply, true);
    if (found.answered) {
        found.stls = listsCapability(reply, "STLS");
        found.pipelining = listsCapability(reply, "PIPELINING");
    }
    return found;
}
