// The two token requests, and what their answers mean for the entry.
#include "signin/token_service.h"
#include "signin/https_client.h"
#include "signin/signin_result.h"
#include "signin/web_encoding.h"
#include <cstdio>

namespace {

void addField(std::string& body, const char* name, const std::string& value)
{
    if (!body.empty())
        body += '&';
    body += name;
    body += '=';
    body += percentEncode(value);
}

void addClient(std::string& body, const OAuthProvider& provider)
{
    addField(body, "client_id", provider.clientId);
    if (!provider.clientSecret.empty())
        addField(body, "client_secret", provider.clientSecret);
}

int failedExchange(HttpsOutcome outcome, const HttpsReply& reply, char* why, size_t whySize)
{
    switch (outcome) {
    case HttpsOutcome::unavailable:
        snprintf(why, whySize, "%s", signInResultLine(signInUnavailable));
        return signInUnavailable;
    case HttpsOutcome::stopped:
        snprintf(why, whySize, "%s", signInResultLine(signInCancelled));
        return signInCancelled;
    case HttpsOutcome::badAddress:
        snprintf(why, whySize, "error: the sign-in service's address is not an https:// address");
        break;
    case HttpsOutcome::tooLarge:
        snprintf(why, whySize, "error: the sign-in service's answer was larger than %u bytes",
                 unsigned(httpsMaxReplySize));
        break;
    case HttpsOutcome::timedOut:
        snprintf(why, whySize, "error: the sign-in service did not answer in time");
        break;
    default:
        snprintf(why, whySize, "error: the sign-in service could not be reached (error %lu)",
                 static_cast<unsigned long>(reply.error));
        break;
    }
    return signInServiceFailed;
}

int post(const OAuthProvider& provider, std::string& body, HANDLE stopEvent, TokenAnswer& answer, char* why,
         size_t whySize)
{
    if (provider.clientId.empty()) {
        snprintf(why, whySize, "%s", signInResultLine(signInNoClientId));
        return signInNoClientId;
    }
    HttpsReply reply;
    HttpsOutcome outcome = httpsPostForm(provider.token, body, stopEvent, reply);
    SecureZeroMemory(&body[0], body.size());
    if (outcome != HttpsOutcome::answered)
        return failedExchange(outcome, reply, why, whySize);
    answer = readTokenAnswer(reply.body);
    if (!reply.body.empty())
        SecureZeroMemory(&reply.body[0], reply.body.size());
    switch (answer.kind) {
    case TokenAnswer::granted:
        if (reply.status == 200)
            return signInOk;
        answer.forget();
        break;
    case TokenAnswer::invalidGrant:
        snprintf(why, whySize, "%s", signInResultLine(signInExpired));
        return signInExpired;
    case TokenAnswer::refused:
        snprintf(why, whySize, "error: the sign-in service refused the request (%s)", answer.error.c_str());
        return signInServiceFailed;
    case TokenAnswer::malformed:
        break;
    }
    snprintf(why, whySize, "error: the sign-in service gave an answer that makes no sense (HTTP status %lu)",
             static_cast<unsigned long>(reply.status));
    return signInServiceFailed;
}

} // namespace

int redeemAuthorizationCode(const OAuthProvider& provider, const std::string& code, const std::string& verifier,
                            const std::string& redirectUri, HANDLE stopEvent, TokenAnswer& answer, char* why,
                            size_t whySize)
{
    std::string body;
    addField(body, "grant_type", "authorization_code");
    addField(body, "code", code);
    addField(body, "redirect_uri", redirectUri);
    addField(body, "code_verifier", verifier);
    addClient(body, provider);
    return post(provider, body, stopEvent, answer, why, whySize);
}

int refreshAccessToken(const OAuthProvider& provider, const std::string& refreshToken, HANDLE stopEvent,
                       TokenAnswer& answer, char* why, size_t whySize)
{
    std::string body;
    addField(body, "grant_type", "refresh_token");
    addField(body, "refresh_token", refreshToken);
    addClient(body, provider);
    return post(provider, body, stopEvent, answer, why, whySize);
}
