// The edit dialog's sign-in on its real template: the method's enabling rules and state line, the
// refusals on OK, and "Sign in..." running the browser sign-in against the local authorization
// server (the test browser follows the authorize address) or being cancelled.
#include "dialogs/dialog_test.h"
#include "dialogs/entry_dialog.h"
#include "resources/resource.h"
#include "signin/browser_sign_in.h"
#include "signin/oauth_providers.h"
#include "signin/test_browser.h"
#include "storage/mailbox_entry.h"
#include "support/seam_override.h"

namespace {

const char* const caption = "Edit email box watch";

void chooseMethod(HWND dialog, int method)
{
    SendDlgItemMessageA(dialog, IDC_EMB_SIGN_IN, CB_SETCURSEL, method, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_EMB_SIGN_IN, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_EMB_SIGN_IN)));
}

void fillSignedInEntry(HWND dialog)
{
    setItemText(dialog, IDC_EMB_NAME, "outlook");
    setItemText(dialog, IDC_EMB_SERVER, "outlook.office365.com");
    SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_SETCURSEL, SecuritySslTls, 0);
    chooseMethod(dialog, SignInMicrosoft);
    setItemText(dialog, IDC_EMB_ACCOUNT, "user@example.org");
}

// Runs the dialog's message loop from inside a step until the state line holds part.
bool waitForState(HWND dialog, const std::string& part)
{
    for (DWORD waited = 0; waited < 20000; waited += 20) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (itemText(dialog, IDC_EMB_SIGN_IN_STATE).find(part) != std::string::npos)
            return true;
        Sleep(20);
    }
    return false;
}

class SignInDialog : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        pointMicrosoftAtTestServer();
        entry.setPassword("kept-as-it-was");
    }
    void TearDown() override
    {
        resetOAuthProviders();
        DialogTest::TearDown();
    }

    INT_PTR run(std::vector<std::function<void(HWND)>> steps)
    {
        ModalScript script;
        for (auto& step : steps)
            script.on(caption, step);
        INT_PTR result = OpenEntryDialog(nullptr, &entry);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return result;
    }

    MailboxEntry entry;
};

} // namespace

TEST_F(SignInDialog, TheMethodDecidesWhichFieldsAreOpenAndWhatTheStateLineSays)
{
    run({ [](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{ "Password", "Microsoft account (OAuth 2.0)", "Google account (OAuth 2.0)" }),
                  comboItems(dialog, IDC_EMB_SIGN_IN));
        EXPECT_EQ("Password", comboSelection(dialog, IDC_EMB_SIGN_IN));
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_PASSWORD));
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_ACCOUNT));
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_SIGN_IN_NOW));
        EXPECT_EQ("", itemText(dialog, IDC_EMB_SIGN_IN_STATE));

        chooseMethod(dialog, SignInMicrosoft);
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_PASSWORD));
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_ACCOUNT));
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_SIGN_IN_NOW));
        EXPECT_EQ("Not signed in yet: choose Sign in...", itemText(dialog, IDC_EMB_SIGN_IN_STATE));

        chooseMethod(dialog, SignInGoogle); // built without a client id
        EXPECT_EQ("No client id is set for this provider, so it cannot sign in. The help says how to register one.",
                  itemText(dialog, IDC_EMB_SIGN_IN_STATE));
        click(dialog, IDCANCEL);
    } });
}

TEST_F(SignInDialog, OkRefusesASignInWithoutAccountOrWithoutTls)
{
    run({ [this](HWND dialog) {
        fillSignedInEntry(dialog);
        setItemText(dialog, IDC_EMB_ACCOUNT, "");
        click(dialog, IDOK);
        EXPECT_EQ("Tessary: Invalid input: You must supply the account (e-mail address) you sign in with.", lastBox());
        setItemText(dialog, IDC_EMB_ACCOUNT, "user@example.org");
        SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_SETCURSEL, SecurityNone, 0);
        click(dialog, IDOK);
        EXPECT_EQ("Tessary: Invalid input: A Microsoft or Google sign-in needs a secure connection: choose SSL/TLS "
                  "or STLS.",
                  lastBox());
        EXPECT_TRUE(IsWindow(dialog));
        click(dialog, IDCANCEL);
    } });
    EXPECT_EQ(SignInPassword, entry.signIn);
}

TEST_F(SignInDialog, SignInThenOkStoresTheRefreshTokenNeverThePassword)
{
    TestBrowser browser;
    INT_PTR result = run({ [](HWND dialog) {
                              fillSignedInEntry(dialog);
                              setItemText(dialog, IDC_EMB_PASSWORD, "typed but not used");
                              click(dialog, IDC_EMB_SIGN_IN_NOW);
                              EXPECT_EQ("Cancel sign-in", itemText(dialog, IDC_EMB_SIGN_IN_NOW));
                              EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_SIGN_IN));
                          },
                          [](HWND dialog) {
                              ASSERT_TRUE(waitForState(dialog, "Signed in"))
                                  << itemText(dialog, IDC_EMB_SIGN_IN_STATE);
                              EXPECT_EQ("Sign in...", itemText(dialog, IDC_EMB_SIGN_IN_NOW));
                              click(dialog, IDOK);
                          } });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(1, browser.launches());
    EXPECT_EQ(SignInMicrosoft, entry.signIn);
    EXPECT_STREQ("user@example.org", entry.account);
    ASSERT_NE(nullptr, entry.refreshToken);
    EXPECT_EQ("rt-", std::string(entry.refreshToken).substr(0, 3));
    EXPECT_STREQ("kept-as-it-was", entry.password);
    EXPECT_EQ(nullptr, entry.user); // the account is the login; no user name was given
}

TEST_F(SignInDialog, ASignInCanBeCancelledAndLeavesNoToken)
{
    TestBrowser idle(false);
    run({ [](HWND dialog) {
             fillSignedInEntry(dialog);
             click(dialog, IDC_EMB_SIGN_IN_NOW);
             click(dialog, IDC_EMB_SIGN_IN_NOW); // "Cancel sign-in"
         },
          [](HWND dialog) {
              ASSERT_TRUE(waitForState(dialog, "cancelled")) << itemText(dialog, IDC_EMB_SIGN_IN_STATE);
              EXPECT_EQ("Sign in...", itemText(dialog, IDC_EMB_SIGN_IN_NOW));
              click(dialog, IDOK);
          } });
    EXPECT_EQ(SignInMicrosoft, entry.signIn);
    EXPECT_EQ(nullptr, entry.refreshToken);
}

TEST_F(SignInDialog, ClosingTheDialogDuringASignInEndsIt)
{
    TestBrowser idle(false);
    DWORD started = GetTickCount();
    INT_PTR result = run({ [](HWND dialog) {
        fillSignedInEntry(dialog);
        click(dialog, IDC_EMB_SIGN_IN_NOW);
        click(dialog, IDCANCEL);
    } });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_LT(GetTickCount() - started, 10000u);
}

TEST_F(SignInDialog, ChoosingThePasswordAgainDropsTheSignIn)
{
    entry.signIn = SignInMicrosoft;
    entry.setAccount("user@example.org");
    entry.setRefreshToken("rt-stored");
    entry.setUser("user");
    entry.security = SecuritySslTls;
    entry.setName("outlook");
    entry.setServer("pop.example.org");
    run({ [](HWND dialog) {
        EXPECT_EQ("Microsoft account (OAuth 2.0)", comboSelection(dialog, IDC_EMB_SIGN_IN));
        EXPECT_EQ("user@example.org", itemText(dialog, IDC_EMB_ACCOUNT));
        EXPECT_EQ("Signed in.", itemText(dialog, IDC_EMB_SIGN_IN_STATE));
        chooseMethod(dialog, SignInPassword);
        click(dialog, IDOK);
    } });
    EXPECT_EQ(SignInPassword, entry.signIn);
    EXPECT_EQ(nullptr, entry.refreshToken);
    EXPECT_STREQ("kept-as-it-was", entry.password);
}
