// The edit dialog's sign-in on its real template: the method's enabling rules and state line, the
// refusals on OK, and "Sign in..." running the browser sign-in against the local authorization
// server (the test browser follows the authorize address) or being cancelled.
#include "dialogs/dialog_test.h"
#include "dialogs/entry_dialog.h"
#include "resources/resource.h"
#include "signin/browser_sign_in.h"
#include "signin/device_sign_in.h"
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

TEST_F(SignInDialog, TheSignInAsksForTheScopeOfTheEntrysProtocol)
{
    for (int32_t protocol : { ProtocolPop3, ProtocolImap }) {
        SCOPED_TRACE(protocol);
        entry.protocol = protocol;
        TestBrowser browser;
        run({ [](HWND dialog) {
                 fillSignedInEntry(dialog);
                 click(dialog, IDC_EMB_SIGN_IN_NOW);
             },
              [](HWND dialog) {
                  ASSERT_TRUE(waitForState(dialog, "Signed in")) << itemText(dialog, IDC_EMB_SIGN_IN_STATE);
                  click(dialog, IDOK);
              } });
        bool imap = protocol == ProtocolImap;
        EXPECT_NE(std::string::npos, browser.address().find(imap ? "IMAP.AccessAsUser.All" : "POP.AccessAsUser.All"))
            << browser.address();
        EXPECT_EQ(std::string::npos, browser.address().find(imap ? "POP.AccessAsUser.All" : "IMAP.AccessAsUser.All"))
            << browser.address();
    }
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

namespace {

// Runs the message loop from inside a step until the control holds part.
bool waitForText(HWND dialog, int id, const std::string& part)
{
    for (DWORD waited = 0; waited < 20000; waited += 20) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (itemText(dialog, id).find(part) != std::string::npos)
            return true;
        Sleep(20);
    }
    return false;
}

bool waitUntilHidden(HWND dialog)
{
    for (DWORD waited = 0; waited < 20000; waited += 20) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!IsWindow(dialog) || !IsWindowVisible(dialog))
            return true;
        Sleep(20);
    }
    return false;
}

const UINT_PTR okWhenSignedInTimer = 77;

void CALLBACK pressOkWhenSignedIn(HWND dialog, UINT, UINT_PTR, DWORD)
{
    static int ticks = 0;
    bool signedIn = itemText(dialog, IDC_EMB_SIGN_IN_STATE) == "Signed in. Choose OK to keep the sign-in.";
    if (!signedIn && ++ticks < 400)
        return;
    KillTimer(dialog, okWhenSignedInTimer);
    ticks = 0;
    click(dialog, signedIn ? IDOK : IDCANCEL);
}

std::string clipboardText()
{
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

} // namespace

TEST_F(SignInDialog, SignInWithACodeShowsCopiesAndOpensItThenStoresTheToken)
{
    SeamOverride<volatile LONG> quickSeconds(deviceIntervalUnitMs, 100);
    oauthProviderFor(SignInMicrosoft)->device = oauthServer("/devicecode");
    TestBrowser browser(false);
    ModalScript script;
    script.on(caption, [](HWND dialog) {
        fillSignedInEntry(dialog);
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_SIGN_IN_CODE));
        click(dialog, IDC_EMB_SIGN_IN_CODE);
    });
    script.on("Sign in with a code", [&browser](HWND dialog) {
        ASSERT_TRUE(waitForText(dialog, IDC_DSI_CODE, "ABCD-EFGH"));
        EXPECT_EQ("https://localhost/devicelogin", itemText(dialog, IDC_DSI_ADDRESS));
        click(dialog, IDC_DSI_COPY);
        EXPECT_EQ("ABCD-EFGH", clipboardText());
        click(dialog, IDC_DSI_OPEN);
        EXPECT_EQ("https://localhost/devicelogin", browser.address());
        // The service grants at its third poll; the dialog then ends by itself (hidden at once,
        // destroyed when this step has returned to its modal loop).
        EXPECT_TRUE(waitUntilHidden(dialog));
    });
    // The edit dialog is enabled again as soon as the code dialog ends, before that dialog's loop
    // has returned to the button's handler: a timer presses OK once the handler has shown the
    // sign-in (or Cancel, should it never come).
    script.on(caption, [](HWND dialog) { SetTimer(dialog, okWhenSignedInTimer, 50, pressOkWhenSignedIn); });
    EXPECT_EQ(IDOK, OpenEntryDialog(nullptr, &entry));
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_STREQ("user@example.org", entry.account);
    ASSERT_NE(nullptr, entry.refreshToken);
    EXPECT_EQ("rt-", std::string(entry.refreshToken).substr(0, 3));
}

TEST_F(SignInDialog, CancellingTheCodeDialogLeavesNoTokenAndGoogleHasNoCodeSignIn)
{
    SeamOverride<volatile LONG> quickSeconds(deviceIntervalUnitMs, 100);
    oauthProviderFor(SignInMicrosoft)->device = oauthServer("/devicecode");
    ModalScript script;
    script.on(caption, [](HWND dialog) {
        fillSignedInEntry(dialog);
        click(dialog, IDC_EMB_SIGN_IN_CODE);
    });
    script.on("Sign in with a code", [](HWND dialog) {
        ASSERT_TRUE(waitForText(dialog, IDC_DSI_CODE, "ABCD-EFGH"));
        click(dialog, IDCANCEL);
    });
    script.on(caption, [](HWND) {}); // the code dialog's loop may still be returning
    script.on(caption, [](HWND dialog) {
        EXPECT_EQ("Not signed in yet: choose Sign in...", itemText(dialog, IDC_EMB_SIGN_IN_STATE));
        chooseMethod(dialog, SignInGoogle);
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_SIGN_IN_CODE));
        chooseMethod(dialog, SignInMicrosoft);
        click(dialog, IDOK);
    });
    EXPECT_EQ(IDOK, OpenEntryDialog(nullptr, &entry));
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_EQ(SignInMicrosoft, entry.signIn);
    EXPECT_EQ(nullptr, entry.refreshToken);
}
