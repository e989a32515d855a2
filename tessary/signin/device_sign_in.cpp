// The device code flow: the device authorization request, its JSON answer read with the same care
// as token answers, and the polling loop with its bounded waits.
#include "signin/device_sign_in.h"
#include "signin/https_client.h"
#include "signin/signin_result.h"
#include "signin/web_encoding.h"
#include <nlohmann/json.hpp>
#include <cstdio>

volatile LONG deviceIntervalUnitMs = 1000;

namespace {

// Longest a code is polled for, whatever the service says.
const int64_t maxCodeLifetimeSeconds = 30 * 60;
const int64_t maxIntervalSeconds = 60;

int fail(int result, char* why, size_t whySize, const char* line = nullptr)
{
    snprintf(why, whySize, "%s", line ? line : signInResultLine(result));
    return result;
}

bool stringField(const nlohmann::json& object, const char* name, std::string& value)
{
    auto found = object.find(name);
    if (found == object.end() || !found->is_string())
        return false;
    value = found->get_ref<const std::string&>();
    return !value.empty() && value.size() <= 4096;
}

int64_t secondsField(const nlohmann::json& object, const char* name, int64_t fallback)
{
    auto found = object.find(name);
    if (found == object.end() || !found->is_number_integer())
        return fallback;
    return found->get<int64_t>();
}

bool printableText(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c >= 0x7F)
            return false;
    return true;
}

std::string formOf(const OAuthProvider& provider, std::initializer_list<std::pair<const char*, std::string>> fields)
{
    std::string body;
    for (const auto& field : fields)
        body += std::string(body.empty() ? "" : "&") + field.first + "=" + percentEncode(field.second);
    body += "&client_id=" + percentEncode(provider.clientId);
    if (!provider.clientSecret.empty())
        body += "&client_secret=" + percentEncode(provider.clientSecret);
    return body;
}

int exchangeFailed(HttpsOutcome outcome, const HttpsReply& reply, char* why, size_t whySize)
{
    switch (outcome) {
    case HttpsOutcome::unavailable:
        return fail(signInUnavailable, why, whySize);
    case HttpsOutcome::stopped:
        return fail(signInCancelled, why, whySize);
    case HttpsOutcome::tooLarge:
        return fail(signInServiceFailed, why, whySize, "error: the sign-in service's answer was larger than 65536 bytes");
    case HttpsOutcome::timedOut:
        return fail(signInServiceFailed, why, whySize, "error: the sign-in service did not answer in time");
    default:
        break;
    }
    char line[128];
    snprintf(line, sizeof line, "error: the sign-in service could not be reached (error %lu)",
             static_cast<unsigned long>(reply.error));
    return fail(signInServiceFailed, why, whySize, line);
}

} // namespace

DeviceCode::~DeviceCode()
{
    if (!deviceCode.empty())
        SecureZeroMemory(&deviceCode[0], deviceCode.size());
}

int requestDeviceCode(const OAuthProvider& provider, HANDLE stopEvent, DeviceCode& code, char* why, size_t whySize)
{
    if (!provider.hasDeviceFlow || provider.device.empty())
        return fail(signInServiceFailed, why, whySize, "error: this provider has no sign-in with a code");
    if (provider.clientId.empty())
        return fail(signInNoClientId, why, whySize);
    HttpsReply reply;
    HttpsOutcome outcome = httpsPostForm(provider.device, formOf(provider, { { "scope", provider.scope } }),
                                         stopEvent, reply);
    if (outcome != HttpsOutcome::answered)
        return exchangeFailed(outcome, reply, why, whySize);
    nlohmann::json parsed = nlohmann::json::parse(reply.body, nullptr, false);
    if (reply.status == 200 && !parsed.is_discarded() && parsed.is_object() &&
        stringField(parsed, "device_code", code.deviceCode) && stringField(parsed, "user_code", code.userCode) &&
        stringField(parsed, "verification_uri", code.verificationUri) && printableText(code.userCode) &&
        code.userCode.size() <= 64 && _strnicmp(code.verificationUri.c_str(), "https://", 8) == 0 &&
        printableText(code.verificationUri)) {
        code.expiresIn = secondsField(parsed, "expires_in", 900);
        code.interval = secondsField(parsed, "interval", 5);
        if (code.expiresIn < 1 || code.expiresIn > maxCodeLifetimeSeconds)
            code.expiresIn = maxCodeLifetimeSeconds;
        if (code.interval < 1 || code.interval > maxIntervalSeconds)
            code.interval = 5;
        return signInOk;
    }
    char line[128];
    snprintf(line, sizeof line, "error: the sign-in service gave an answer that makes no sense (HTTP status %lu)",
             static_cast<unsigned long>(reply.status));
    return fail(signInServiceFailed, why, whySize, line);
}

int pollDeviceCode(const OAuthProvider& provider, const DeviceCode& code, HANDLE stopEvent, TokenAnswer& answer,
                   char* why, size_t whySize)
{
    int64_t interval = code.interval;
    int64_t left = code.expiresIn;
    while (left > 0) {
        DWORD waitMs = DWORD(interval * deviceIntervalUnitMs);
        if (stopEvent && WaitForSingleObject(stopEvent, waitMs) == WAIT_OBJECT_0)
            return fail(signInCancelled, why, whySize);
        if (!stopEvent)
            Sleep(waitMs);
        left -= interval;
        HttpsReply reply;
        HttpsOutcome outcome = httpsPostForm(
            provider.token,
            formOf(provider, { { "grant_type", "urn:ietf:params:oauth:grant-type:device_code" },
                               { "device_code", code.deviceCode } }),
            stopEvent, reply);
        if (outcome != HttpsOutcome::answered)
            return exchangeFailed(outcome, reply, why, whySize);
        answer = readTokenAnswer(reply.body);
        if (answer.kind == TokenAnswer::granted && reply.status == 200) {
            if (answer.refreshToken.empty()) {
                answer.forget();
                return fail(signInServiceFailed, why, whySize, "error: the sign-in service gave no refresh token");
            }
            return signInOk;
        }
        if (answer.kind == TokenAnswer::refused && answer.error == "authorization_pending")
            continue;
        if (answer.kind == TokenAnswer::refused && answer.error == "slow_down") {
            interval = interval + 5 > maxIntervalSeconds ? maxIntervalSeconds : interval + 5;
            continue;
        }
        if (answer.kind == TokenAnswer::refused && answer.error == "expired_token")
            break;
        if (answer.kind == TokenAnswer::refused && (answer.error == "access_denied" ||
                                                     answer.error == "authorization_declined")) {
            char line[160];
            snprintf(line, sizeof line, "%s (%s)", signInResultLine(signInRefusedByUser), answer.error.c_str());
            return fail(signInRefusedByUser, why, whySize, line);
        }
        answer.forget();
        if (answer.kind == TokenAnswer::refused || answer.kind == TokenAnswer::invalidGrant) {
            char line[160];
            snprintf(line, sizeof line, "error: the sign-in service refused the request (%s)", answer.error.c_str());
            return fail(signInServiceFailed, why, whySize, line);
        }
        char line[128];
        snprintf(line, sizeof line, "error: the sign-in service gave an answer that makes no sense (HTTP status %lu)",
                 static_cast<unsigned long>(reply.status));
        return fail(signInServiceFailed, why, whySize, line);
    }
    return fail(signInCancelled, why, whySize, "error: the code expired before the sign-in was finished");
}
