// Reading token answers: what is granted, the errors services name, and answers no parser may
// crash or abort on (exceptions are off: a throw would end the program).
#include <gtest/gtest.h>
#include "signin/token_answer.h"

TEST(TokenAnswer, TakesAGrantWithItsRefreshTokenAndLifetime)
{
    TokenAnswer answer = readTokenAnswer(
        R"({"token_type":"Bearer","scope":"x","expires_in":3599,"access_token":"at-1","refresh_token":"rt-1"})");
    ASSERT_EQ(TokenAnswer::granted, answer.kind);
    EXPECT_EQ("at-1", answer.accessToken);
    EXPECT_EQ("rt-1", answer.refreshToken);
    EXPECT_EQ(3599, answer.expiresIn);
}

TEST(TokenAnswer, AGrantWithoutRefreshTokenKeepsTheOldOne)
{
    TokenAnswer answer = readTokenAnswer(R"({"access_token":"at-1","token_type":"bearer","expires_in":"120"})");
    ASSERT_EQ(TokenAnswer::granted, answer.kind);
    EXPECT_EQ("", answer.refreshToken);
    EXPECT_EQ(120, answer.expiresIn); // some services send the number as a string
}

TEST(TokenAnswer, NamesInvalidGrantApartFromOtherErrors)
{
    EXPECT_EQ(TokenAnswer::invalidGrant, readTokenAnswer(R"({"error":"invalid_grant","error_description":"AADSTS70008"})").kind);
    TokenAnswer other = readTokenAnswer(R"({"error":"invalid_client"})");
    EXPECT_EQ(TokenAnswer::refused, other.kind);
    EXPECT_EQ("invalid_client", other.error);
    // The error goes into the log: control characters and length are kept out.
    TokenAnswer hostile = readTokenAnswer("{\"error\":\"bad\\r\\nline" + std::string(200, 'x') + "\"}");
    EXPECT_EQ("bad??line", hostile.error.substr(0, 9));
    EXPECT_EQ(64u, hostile.error.size());
}

TEST(TokenAnswer, MalformedOrUnexpectedAnswersAreMalformed)
{
    const char* answers[] = {
        "",
        "not json",
        R"({"access_token":"at-1","token_type":)",
        R"(["access_token","at-1"])",
        R"("at-1")",
        R"({"access_token":42,"token_type":"Bearer"})",
        R"({"access_token":"at-1"})",                                    // no token type
        R"({"access_token":"at-1","token_type":"mac"})",
        R"({"access_token":"","token_type":"Bearer"})",
        R"({"access_token":"at-1","token_type":"Bearer","refresh_token":["x"]})",
        R"({"error":17})",
        R"({"access_token":"at-1","token_type":"Bearer"} trailing)",
        "{\"access_token\":\"at-\xff\xfe\",\"token_type\":\"Bearer\"}", // not UTF-8
    };
    for (const char* text : answers)
        EXPECT_EQ(TokenAnswer::malformed, readTokenAnswer(text).kind) << text;
}

TEST(TokenAnswer, DeepNestingAndHugeNumbersEndWithoutCrashing)
{
    std::string deep(100000, '[');
    EXPECT_EQ(TokenAnswer::malformed, readTokenAnswer(deep).kind);
    // A number beyond a double is a parse error, not an abort.
    EXPECT_EQ(TokenAnswer::malformed,
              readTokenAnswer(R"({"access_token":"at-1","token_type":"Bearer","expires_in":1e400})").kind);
    TokenAnswer odd = readTokenAnswer(
        R"({"access_token":"at-1","token_type":"Bearer","expires_in":1e12,"x":-99999999999999999999999})");
    EXPECT_EQ(TokenAnswer::granted, odd.kind);
    EXPECT_EQ(0, odd.expiresIn);
    TokenAnswer negative = readTokenAnswer(R"({"access_token":"at-1","token_type":"Bearer","expires_in":-5})");
    EXPECT_EQ(0, negative.expiresIn);
}
