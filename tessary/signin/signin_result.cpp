// The log lines of the sign-in's codes.
#include "signin/signin_result.h"

const char* signInResultLine(int result)
{
    switch (result) {
    case signInNotSignedIn:
        return "error: this entry is not signed in yet; open it and choose Sign in";
    case signInExpired:
        return "error: the sign-in has expired or was withdrawn; open the entry and sign in again";
    case signInServiceFailed:
        return "error: the sign-in service could not be reached or gave an answer that makes no sense";
    case signInTokenRefused:
        return "error: the mail server refused the sign-in token";
    case signInNoClientId:
        return "error: no client id is set for this sign-in; the help says how to register one";
    case signInUnavailable:
        return "error: sign-in not available on this system";
    case signInNeedsTls:
        return "error: a signed-in entry needs a secure connection; choose STLS or SSL/TLS";
    case signInCancelled:
        return "error: the sign-in was cancelled";
    case signInRefusedByUser:
        return "error: the sign-in was refused in the browser";
    default:
        return nullptr;
    }
}
