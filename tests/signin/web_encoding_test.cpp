// The sign-in's encodings: base64 both ways, percent-encoding, the redirect's query, and PKCE.
#include <gtest/gtest.h>
#include "signin/pkce.h"
#include "signin/web_encoding.h"

TEST(Base64, EncodesEveryRemainderLengthAndDecodesItBack)
{
    EXPECT_EQ("", base64Encode("", 0));
    EXPECT_EQ("Zg==", base64Encode("f", 1));
    EXPECT_EQ("Zm8=", base64Encode("fo", 2));
    EXPECT_EQ("Zm9vYmFy", base64Encode("foobar", 6));
    const unsigned char high[] = { 0xFB, 0xFF, 0xBF };
    EXPECT_EQ("+/+/", base64Encode(high, 3));
    EXPECT_EQ("-_-_", base64UrlEncode(high, 3));
    EXPECT_EQ("Zg", base64UrlEncode("f", 1)); // no padding for PKCE
    std::string bytes;
    for (const char* text : { "Zg==", "Zg", "Zm9vYmFy", "Zm8=" }) {
        ASSERT_TRUE(base64Decode(text, bytes)) << text;
        EXPECT_EQ(base64Encode(bytes.data(), bytes.size()).substr(0, strlen(text)), text);
    }
}

TEST(Base64, RefusesTextOutsideTheAlphabetAndImpossibleLengths)
{
    std::string bytes;
    EXPECT_FALSE(base64Decode("Zm9v!mFy", bytes));
    EXPECT_FALSE(base64Decode("Zm9vY", bytes)); // one digit left over carries no whole byte
    EXPECT_FALSE(base64Decode(std::string("Zm\0v", 4), bytes));
    EXPECT_FALSE(base64Decode("Z===", bytes));
}

TEST(PercentEncoding, KeepsOnlyUnreservedCharacters)
{
    EXPECT_EQ("https%3A%2F%2Fmail.google.com%2F", percentEncode("https://mail.google.com/"));
    EXPECT_EQ("a%20b%2Bc%26d%3De-f_g.h~", percentEncode("a b+c&d=e-f_g.h~"));
    EXPECT_EQ("%C3%A9%00", percentEncode(std::string("\xC3\xA9\0", 3)));
}

TEST(QueryValue, FindsTheNamedValueDecoded)
{
    std::string value;
    ASSERT_TRUE(queryValue("code=a%2Fb+c&state=xyz", "code", value));
    EXPECT_EQ("a/b c", value);
    ASSERT_TRUE(queryValue("code=a&state=xyz", "state", value));
    EXPECT_EQ("xyz", value);
    ASSERT_TRUE(queryValue("error&state=1", "error", value));
    EXPECT_EQ("", value);
    // A name that only starts like the one asked for is another name.
    EXPECT_FALSE(queryValue("codes=1&xcode=2", "code", value));
    EXPECT_FALSE(queryValue("", "code", value));
}

TEST(QueryValue, RefusesBrokenEscapesAndNuls)
{
    std::string value;
    EXPECT_FALSE(queryValue("code=ab%2", "code", value));
    EXPECT_FALSE(queryValue("code=ab%zz", "code", value));
    EXPECT_FALSE(queryValue("code=ab%00cd", "code", value));
}

// The challenge as Python's hashlib and base64 make it for the same verifier.
TEST(Pkce, ChallengeIsTheUnpaddedUrlSafeSha256OfTheVerifier)
{
    std::string challenge;
    ASSERT_TRUE(pkceChallengeFor("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFkWXjk", challenge));
    EXPECT_EQ("BQRuKEhBclG19uCbdjY_VgVm33GGFffDU6oJiXdSjI8", challenge);
}

TEST(Pkce, EachSignInGetsNewSecretsOfTheRightForm)
{
    PkcePair first;
    PkcePair second;
    ASSERT_TRUE(makePkcePair(first));
    ASSERT_TRUE(makePkcePair(second));
    EXPECT_EQ(43u, first.verifier.size());
    EXPECT_EQ(22u, first.state.size());
    EXPECT_EQ(std::string::npos, first.verifier.find_first_not_of(
                                     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"));
    EXPECT_NE(first.verifier, second.verifier);
    EXPECT_NE(first.state, second.state);
    std::string challenge;
    ASSERT_TRUE(pkceChallengeFor(first.verifier, challenge));
    EXPECT_EQ(challenge, first.challenge);
}
