// oauth.ini: keys that replace the built-in values, and files that hold more, less or garbage.
#include <gtest/gtest.h>
#include "signin/oauth_providers.h"
#include "storage/mailbox_entry.h"
#include "support/temp_folder.h"

namespace {

class OAuthIniTest : public ::testing::Test {
protected:
    void SetUp() override { resetOAuthProviders(); }
    void TearDown() override { resetOAuthProviders(); }

    OAuthIniReport read(const std::string& text)
    {
        writeWholeFile(folder.file("oauth.ini"), text);
        return readOAuthIni(folder.file("oauth.ini").c_str());
    }

    const OAuthProvider& microsoft() { return *oauthProviderFor(SignInMicrosoft); }
    const OAuthProvider& google() { return *oauthProviderFor(SignInGoogle); }

    TempFolder folder;
};

} // namespace

TEST_F(OAuthIniTest, BuiltInsNameTheProvidersCommonEndpointsAndMailScopes)
{
    EXPECT_EQ(nullptr, oauthProviderFor(SignInPassword));
    EXPECT_EQ("https://login.microsoftonline.com/common/oauth2/v2.0/authorize", microsoft().authorize);
    EXPECT_EQ("https://login.microsoftonline.com/common/oauth2/v2.0/token", microsoft().token);
    EXPECT_EQ("https://login.microsoftonline.com/common/oauth2/v2.0/devicecode", microsoft().device);
    EXPECT_EQ("https://outlook.office.com/POP.AccessAsUser.All offline_access", microsoft().scope);
    EXPECT_EQ("https://oauth2.googleapis.com/token", google().token);
    EXPECT_EQ("https://mail.google.com/", google().scope);
    EXPECT_EQ("", google().device);
}

TEST_F(OAuthIniTest, AnImapEntryAsksForTheImapScope)
{
    EXPECT_EQ("https://outlook.office.com/IMAP.AccessAsUser.All offline_access",
              providerForProtocol(microsoft(), ProtocolImap).scope);
    EXPECT_EQ("https://outlook.office.com/POP.AccessAsUser.All offline_access",
              providerForProtocol(microsoft(), ProtocolPop3).scope);
    EXPECT_EQ("https://mail.google.com/", providerForProtocol(google(), ProtocolImap).scope);
    // Only the scope differs: the rest of the registration is the provider's.
    OAuthProvider imap = providerForProtocol(microsoft(), ProtocolImap);
    EXPECT_EQ(microsoft().token, imap.token);
    EXPECT_EQ(microsoft().device, imap.device);

    OAuthIniReport report = read("[microsoft]\r\nimap_scope=https://localhost/imap offline_access\r\n");
    EXPECT_FALSE(report.ignored);
    EXPECT_EQ("https://localhost/imap offline_access", providerForProtocol(microsoft(), ProtocolImap).scope);
    EXPECT_EQ("https://outlook.office.com/POP.AccessAsUser.All offline_access", microsoft().scope);
}

TEST_F(OAuthIniTest, AMissingFileChangesNothingAndSaysNothing)
{
    OAuthIniReport report = readOAuthIni(folder.file("oauth.ini").c_str());
    EXPECT_FALSE(report.present);
    EXPECT_FALSE(report.ignored);
    EXPECT_EQ("https://login.microsoftonline.com/common/oauth2/v2.0/token", microsoft().token);
}

TEST_F(OAuthIniTest, PresentKeysReplaceTheirValuesOnlyInTheirSection)
{
    OAuthIniReport report = read("; an organisation's own registration\r\n"
                                 "[Microsoft]\r\n"
                                 "token = https://localhost:8443/token\r\n"
                                 "client_id=ms-client\r\n"
                                 "device=https://localhost:8443/device\r\n"
                                 "[google]\r\n"
                                 "client_id=google-client\r\n"
                                 "client_secret=google-secret\r\n"
                                 "scope=https://mail.google.com/ extra\r\n");
    EXPECT_TRUE(report.present);
    EXPECT_FALSE(report.ignored);
    EXPECT_EQ("https://localhost:8443/token", microsoft().token);
    EXPECT_EQ("https://localhost:8443/device", microsoft().device);
    EXPECT_EQ("ms-client", microsoft().clientId);
    EXPECT_EQ("https://login.microsoftonline.com/common/oauth2/v2.0/authorize", microsoft().authorize);
    EXPECT_EQ("google-client", google().clientId);
    EXPECT_EQ("google-secret", google().clientSecret);
    EXPECT_EQ("https://mail.google.com/ extra", google().scope);
    EXPECT_EQ("https://oauth2.googleapis.com/token", google().token);
}

TEST_F(OAuthIniTest, UnknownSectionsKeysAndLinesAreIgnoredAndReported)
{
    const char* files[] = {
        "[yahoo]\r\nclient_id=x\r\n",
        "[microsoft]\r\nclientid=x\r\n",
        "[microsoft]\r\njust a line\r\n",
        "stray line before any section\r\n[microsoft]\r\nclient_id=ms\r\n",
        "[google]\r\ndevice=https://localhost/device\r\n", // Google has no device flow
        "[google]\r\ntoken=http://localhost/token\r\n",    // tokens never go in plain text
    };
    for (const char* text : files) {
        resetOAuthProviders();
        OAuthIniReport report = read(text);
        EXPECT_TRUE(report.ignored) << text;
        EXPECT_EQ("https://oauth2.googleapis.com/token", google().token) << text;
        EXPECT_EQ("", google().device) << text;
        if (strstr(text, "stray")) {
            EXPECT_EQ("ms", microsoft().clientId); // what could be taken was taken
        }
    }
}

TEST_F(OAuthIniTest, BinaryGarbageAndHugeValuesNeverStopTheProgram)
{
    std::string garbage;
    for (int i = 0; i < 70000; ++i)
        garbage += char((i * 7919) & 0xFF);
    OAuthIniReport report = read(garbage);
    EXPECT_TRUE(report.ignored);
    EXPECT_EQ("https://login.microsoftonline.com/common/oauth2/v2.0/token", microsoft().token);

    resetOAuthProviders();
    report = read("[microsoft]\r\nclient_id=" + std::string(5000, 'x') + "\r\nscope=short\r\n");
    EXPECT_TRUE(report.ignored);
    EXPECT_EQ("", microsoft().clientId); // too long to be anyone's client id: not cut, ignored
    EXPECT_EQ("short", microsoft().scope);
}
