// The header array a POP3 session hands back: one slot a message, each a new[] string or null.
// Test fixtures that run sessions hold it, read its slots, and free it between sessions.
#pragma once
#include <cstdint>
#include <string>

class SessionHeaders {
protected:
    ~SessionHeaders() { freeHeaders(); }

    std::string slot(uint32_t index) const
    {
        return headers && index < count && headers[index] ? headers[index] : "(null)";
    }

    void freeHeaders()
    {
        if (headers) {
            for (uint32_t i = 0; i < count; ++i)
                delete[] headers[i];
            delete[] headers;
        }
        headers = nullptr;
    }

    uint32_t count = 12345; // a value no session leaves by chance
    char** headers = nullptr;
};
