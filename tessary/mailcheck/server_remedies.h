// Mail servers' refusals that name their own remedy (an app password, a sign-in on the web page,
// POP switched off), and the line that tells the user what to do about each.
#pragma once

// The remedy line for a failure line that holds a server's refusal, or null when the text names
// no remedy this table knows. Texts are matched without regard to case, anywhere in the line.
const char* ServerReplyRemedy(const char* failureLine);
