// The token answer through nlohmann::json with exceptions off: a parse that fails gives a
// discarded value, and every field is looked up with find() and its type checked before use.
#include "signin/token_answer.h"
#include <windows.h>
#include <nlohmann/json.hpp>
#include <cstdlib>

namespace {

// Longest token taken; real ones are a few kilobytes.
const size_t maxTokenLength = 16384;

// An error code as the log may show it: printable ASCII, cut short.
std::string printable(const std::string& text)
{
    std::string result;
    for (char c : text) {
        if (result.size() >= 64)
            break;
        result += (c >= 0x21 && c <= 0x7E) ? c : '?';
    }
    return result;
}

bool stringField(const nlohmann::json& object, const char* name, std::string& value)
{
    auto found = object.find(name);
    if (found == object.end() || !found->is_string())
        return false;
    value = found->get_ref<const std::string&>();
    return true;
}

// expires_in as a number, or as a string of digits as some services send it.
int64_t expiresInField(const nlohmann::json& object)
{
    auto found = object.find("expires_in");
    if (found == object.end())
        return 0;
    if (found->is_number_integer())
        return found->get<int64_t>();
    if (found->is_number_float()) {
        double seconds = found->get<double>();
        return seconds > 0 && seconds < 1e9 ? int64_t(seconds) : 0;
    }
    std::string text;
    if (found->is_string() && !(text = found->get_ref<const std::string&>()).empty() && text.size() < 10 &&
        text.find_first_not_of("0123456789") == std::string::npos)
        return int64_t(strtoll(text.c_str(), nullptr, 10));
    return 0;
}

void scrub(std::string& text)
{
    if (!text.empty())
        SecureZeroMemory(&text[0], text.size());
    text.clear();
}

} // namespace

TokenAnswer::~TokenAnswer()
{
    forget();
}

void TokenAnswer::forget()
{
    scrub(accessToken);
    scrub(refreshToken);
}

TokenAnswer readTokenAnswer(const std::string& body)
{
    TokenAnswer answer;
    nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
        return answer;

    std::string error;
    if (parsed.contains("error")) {
        if (!stringField(parsed, "error", error))
            return answer;
        answer.error = printable(error);
        answer.kind = error == "invalid_grant" ? TokenAnswer::invalidGrant : TokenAnswer::refused;
        return answer;
    }

    std::string type;
    if (!stringField(parsed, "access_token", answer.accessToken) || answer.accessToken.empty() ||
        answer.accessToken.size() > maxTokenLength || !stringField(parsed, "token_type", type) ||
        _stricmp(type.c_str(), "Bearer") != 0) {
        answer.forget();
        return answer;
    }
    if (parsed.contains("refresh_token") &&
        (!stringField(parsed, "refresh_token", answer.refreshToken) || answer.refreshToken.size() > maxTokenLength)) {
        answer.forget();
        return answer;
    }
    answer.expiresIn = expiresInField(parsed);
    if (answer.expiresIn < 0)
        answer.expiresIn = 0;
    answer.kind = TokenAnswer::granted;
    // The parsed copy of the tokens goes with the value; overwrite what the strings held.
    for (const char* name : { "access_token", "refresh_token" }) {
        auto found = parsed.find(name);
        if (found != parsed.end() && found->is_string())
            scrub(found->get_ref<std::string&>());
    }
    return answer;
}
