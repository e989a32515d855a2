// Signed-in checks against Dovecot as the real peer, for POP3 (AUTH XOAUTH2) and IMAP (AUTHENTICATE
// XOAUTH2) over TLS: Dovecot's oauth2 passdb asks the local authorization server whether each token
// is active, so a token the service issued gets in and a revoked one is refused.
#include "mailcheck/tls_dovecot_support.h"
#include "mailcheck/session_limits.h"
#include "platform/messages.h"
#include "signin/entry_access.h"
#include "signin/https_client.h"
#include "signin/oauth_providers.h"
#include "signin/signin_result.h"
#include "signin/test_browser.h"
#include "signin/token_service.h"
#include "signin/web_encoding.h"
#include "storage/mailbox_entry.h"
#include "support/dovecot_maildir.h"
#include "support/file_bytes.h"
#include "support/recording_window.h"
#include "support/seam_override.h"
#include <cstdlib>
#include <string>

namespace {

// Dovecot's CA joins the authorization server's before the first chain is built: Wine's chain
// engine reads the root store once per process.
tlsdovecot::TrustedTestCa* dovecotCa = nullptr;
class TrustDovecotsCa : public ::testing::Environment {
public:
    void SetUp() override { dovecotCa = new tlsdovecot::TrustedTestCa; }
    void TearDown() override { delete dovecotCa; }
};
::testing::Environment* const dovecotEnvironment = ::testing::AddGlobalTestEnvironment(new TrustDovecotsCa);

const unsigned long long farAway = ~0ull >> 1;

unsigned long long inMinutes(int minutes)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long at = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return at + static_cast<unsigned long long>(minutes) * 60 * 10000000;
}

class DovecotSignInTest : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_IMAPS_PORT").empty())
            << "run through tests/support/with-oauth-server tests/support/with-dovecot --tls --oauth";
        ASSERT_TRUE(getenv("TESSARY_OAUTH_OAUTH_PORT")) << "run through tests/support/with-oauth-server";
        ASSERT_TRUE(dovecotCa && dovecotCa->trusted());
        ASSERT_TRUE(testCaTrusted());
        pointMicrosoftAtTestServer();
        logBefore = dovecotLog().size();
        std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");
        emptyMaildir(maildir);
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(1700000100 + n) + ".M" + std::to_string(n) +
                                           "P1.signin",
                                       numberedMessage(n)));
        bool imap = GetParam() == ProtocolImap;
        entry.setName("signed in");
        entry.setServer("localhost");
        entry.protocol = GetParam();
        entry.port = atoi(environment(imap ? "TESSARY_DOVECOT_IMAPS_PORT" : "TESSARY_DOVECOT_TLS_PORT").c_str());
        entry.security = SecuritySslTls;
        entry.signIn = SignInMicrosoft;
        entry.setAccount("user@example.org");
        // Dovecot would take these: a check that sent them would get in without a token.
        entry.setUser("tester");
        entry.setPassword("secret");
    }
    void TearDown() override
    {
        entry.stopCheck(false);
        resetOAuthProviders();
    }

    std::string seed(const char* name) const
    {
        return std::string("seed-") + name + (GetParam() == ProtocolImap ? "-imap" : "-pop3");
    }

    // An access token straight from the token endpoint, as a sign-in leaves one behind.
    std::string issuedAccessToken(const char* name)
    {
        TokenAnswer answer;
        char why[200] = "";
        EXPECT_EQ(signInOk, refreshAccessToken(*oauthProviderFor(SignInMicrosoft), seed(name), nullptr, answer, why,
                                               sizeof why))
            << why;
        return answer.accessToken;
    }

    void revoke(const std::string& token)
    {
        HttpsReply reply;
        ASSERT_EQ(HttpsOutcome::answered,
                  httpsPostForm(oauthServer("/revoke"), "token=" + percentEncode(token), nullptr, reply));
        ASSERT_EQ(200u, reply.status);
    }

    void check()
    {
        size_t before = window.countOf(WM_CHECK_DONE);
        ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
        for (DWORD waited = 0; window.countOf(WM_CHECK_DONE) == before && waited < 60000; waited += 100)
            window.pumpFor(100);
        ASSERT_GT(window.countOf(WM_CHECK_DONE), before);
        entry.stopCheck(false);
    }

    std::string detail() const { return entry.lastResultDetail ? entry.lastResultDetail : "(none)"; }

    std::string dovecotLog() const { return readWholeFile(environment("TESSARY_DOVECOT_LOG")); }
    // How often Dovecot's log says this since the test began.
    size_t count(const std::string& text) const
    {
        std::string log = dovecotLog().substr(logBefore);
        size_t n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }
    const char* tokenLogin() const
    {
        return GetParam() == ProtocolImap ? "imap-login: Info: Login: user=<user@example.org>, method=XOAUTH2"
                                          : "pop3-login: Info: Login: user=<user@example.org>, method=XOAUTH2";
    }

    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 20000 };
    RecordingWindow window;
    MailboxEntry entry;
    size_t logBefore = 0;
};

std::string protocolName(const ::testing::TestParamInfo<int32_t>& info)
{
    return info.param == ProtocolImap ? "Imap" : "Pop3";
}

} // namespace

TEST_P(DovecotSignInTest, AFreshTokenGetsInWithoutAskingTheService)
{
    entry.signInSession.accessToken = issuedAccessToken("fresh");
    entry.signInSession.expiresAt = farAway;
    entry.setRefreshToken("rt-the-service-would-refuse");
    check();
    EXPECT_EQ(3, entry.getLastResult()) << detail();
    ASSERT_EQ(3, entry.headerCount);
    EXPECT_NE(nullptr, strstr(entry.getHeader(2), "Subject: number 3"));
    EXPECT_EQ(1u, count(tokenLogin())) << dovecotLog().substr(logBefore);
    EXPECT_EQ(0u, count("user=<tester>")) << "the password was sent";
    EXPECT_FALSE(signInWithdrawn(entry));
}

TEST_P(DovecotSignInTest, ATokenNearItsEndIsRefreshedFirstAndTheRotationKept)
{
    // Less than five minutes left: Dovecot would refuse this one, as the service never issued it.
    entry.signInSession.accessToken = "at-about-to-end";
    entry.signInSession.expiresAt = inMinutes(2);
    std::string first = seed("refresh");
    entry.setRefreshToken(first.c_str());
    check();
    EXPECT_EQ(3, entry.getLastResult()) << detail();
    EXPECT_EQ(1u, count(tokenLogin())) << dovecotLog().substr(logBefore);
    ASSERT_TRUE(adoptRotatedRefreshToken(entry));
    EXPECT_EQ("rt-", std::string(entry.refreshToken).substr(0, 3));
}

TEST_P(DovecotSignInTest, ARevokedAccessTokenIsRefusedThenANewOneIsFetched)
{
    std::string token = issuedAccessToken("revoked-access");
    revoke(token);
    entry.signInSession.accessToken = token;
    entry.signInSession.expiresAt = farAway;
    std::string refresh = seed("after-revoke");
    entry.setRefreshToken(refresh.c_str());
    check();
    EXPECT_EQ(signInTokenRefused, entry.getLastResult());
    EXPECT_EQ("error: the mail server refused the sign-in token (status 401)", detail());
    EXPECT_EQ(0u, count(tokenLogin()));
    EXPECT_FALSE(signInWithdrawn(entry));
    // The refused token is forgotten: the next check refreshes and gets in.
    check();
    EXPECT_EQ(3, entry.getLastResult()) << detail();
    EXPECT_EQ(1u, count(tokenLogin()));
}

TEST_P(DovecotSignInTest, ARevokedRefreshTokenWithdrawsTheSignInWithoutTryingTheServer)
{
    std::string refresh = seed("revoked-refresh");
    revoke(refresh);
    entry.setRefreshToken(refresh.c_str());
    check();
    EXPECT_EQ(signInExpired, entry.getLastResult());
    EXPECT_EQ("error: the sign-in has expired or was withdrawn; open the entry and sign in again", detail());
    EXPECT_TRUE(signInWithdrawn(entry));
    EXPECT_EQ(0u, count("method=XOAUTH2"));
}

INSTANTIATE_TEST_SUITE_P(Pop3AndImap, DovecotSignInTest, ::testing::Values(ProtocolPop3, ProtocolImap), protocolName);
