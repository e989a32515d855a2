// The sign-in part of the edit dialog. The browser sign-in waits for the user for minutes, so it
// runs on its own thread; the dialog stays usable and can cancel it. The refresh token it brings
// is kept here until OK stores it in the entry, and never shown.
#include "dialogs/entry_sign_in.h"
#include "dialogs/device_sign_in_dialog.h"
#include "dialogs/entry_protocol.h"
#include "dialogs/dialog_controls.h"
#include "platform/messages.h"
#include "resources/resource.h"
#include "signin/browser_sign_in.h"
#include "signin/oauth_providers.h"
#include "signin/signin_result.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// List positions are the SignInMethod values.
const char* const methodNames[] = { "Password", "Microsoft account (OAuth 2.0)", "Google account (OAuth 2.0)" };

const char noClientIdText[] =
    "No client id is set for this provider, so it cannot sign in. The help says how to register one.";

// The one running or finished sign-in of the open dialog (it is modal: only one).
struct SignInRun {
    HANDLE thread = nullptr;
    HANDLE stopEvent = nullptr;
    HWND dialog = nullptr;
    OAuthProvider provider;        // a copy: the thread never reads the shared table
    std::string account;
    int32_t method = SignInPassword;
    int result = signInOk;
    TokenAnswer answer;
    char why[256] = "";
};

SignInRun* running = nullptr;
// What a finished sign-in of this dialog brought, until OK stores it.
std::string newRefreshToken;
int32_t newTokenMethod = SignInPassword;
std::string newTokenAccount;
bool entrySignedIn = false;       // the entry shown has a refresh token

void scrub(std::string& text)
{
    if (!text.empty())
        SecureZeroMemory(&text[0], text.size());
    text.clear();
}

int32_t chosenMethod(HWND dialog)
{
    LRESULT value = SendDlgItemMessageA(dialog, IDC_EMB_SIGN_IN, CB_GETCURSEL, 0, 0);
    return value == SignInMicrosoft || value == SignInGoogle ? int32_t(value) : SignInPassword;
}

std::string accountText(HWND dialog)
{
    char text[fieldTextSize];
    readFieldText(dialog, IDC_EMB_ACCOUNT, text);
    return text;
}

void showState(HWND dialog)
{
    int32_t method = chosenMethod(dialog);
    const char* text = "";
    if (running) {
        text = "Waiting for the sign-in in your browser...";
    } else if (method != SignInPassword) {
        const OAuthProvider* provider = oauthProviderFor(method);
        if (!newRefreshToken.empty() && newTokenMethod == method)
            text = "Signed in. Choose OK to keep the sign-in.";
        else if (provider && provider->clientId.empty())
            text = noClientIdText;
        else if (entrySignedIn)
            text = "Signed in.";
        else
            text = "Not signed in yet: choose Sign in...";
    }
    SetDlgItemTextA(dialog, IDC_EMB_SIGN_IN_STATE, text);
}

DWORD WINAPI signInThread(LPVOID parameter)
{
    SignInRun* run = static_cast<SignInRun*>(parameter);
    run->result = signInWithBrowser(run->provider, run->account.c_str(), run->dialog, run->stopEvent, run->answer,
                                    run->why, sizeof run->why);
    PostMessageA(run->dialog, WM_SIGN_IN_DONE, 0, 0);
    return 0;
}

// A sign-in needs the provider's client id and the account; the user is told which is missing.
bool readyToSignIn(HWND dialog, const OAuthProvider& provider, const std::string& account)
{
    if (provider.clientId.empty()) {
        showInvalidInput(dialog, noClientIdText);
        return false;
    }
    if (account.empty()) {
        showInvalidInput(dialog, "You must supply the account (e-mail address) you sign in with.");
        return false;
    }
    return true;
}

void startSignIn(HWND dialog)
{
    int32_t method = chosenMethod(dialog);
    const OAuthProvider* provider = oauthProviderFor(method);
    std::string account = accountText(dialog);
    if (!provider)
        return;
    if (!readyToSignIn(dialog, *provider, account))
        return;
    SignInRun* run = new SignInRun;
    run->dialog = dialog;
    // The token is asked for the scope of the protocol the entry uses now.
    run->provider = providerForProtocol(*provider, ChosenProtocol(dialog));
    run->account = account;
    run->method = method;
    run->stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    run->thread = run->stopEvent ? CreateThread(nullptr, 0, signInThread, run, 0, nullptr) : nullptr;
    if (!run->thread) {
        if (run->stopEvent)
            CloseHandle(run->stopEvent);
        delete run;
        showInvalidInput(dialog, "The sign-in could not be started.");
        return;
    }
    running = run;
    SetDlgItemTextA(dialog, IDC_EMB_SIGN_IN_NOW, "Cancel sign-in");
    showState(dialog);
}

// Joins the thread; its waits end at the stop event, so this is quick once it is set.
SignInRun* finishRun()
{
    SignInRun* run = running;
    running = nullptr;
    if (!run)
        return nullptr;
    WaitForSingleObject(run->thread, INFINITE);
    CloseHandle(run->thread);
    CloseHandle(run->stopEvent);
    return run;
}

} // namespace

const char* SignInMethodName(int32_t method)
{
    bool listed = method >= 0 && size_t(method) < sizeof methodNames / sizeof methodNames[0];
    return methodNames[listed ? method : SignInPassword];
}

void FillSignInList(HWND dialog)
{
    for (const char* name : methodNames)
        SendDlgItemMessageA(dialog, IDC_EMB_SIGN_IN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void ShowSignInFields(HWND dialog, const MailboxEntry& entry)
{
    scrub(newRefreshToken);
    newTokenMethod = SignInPassword;
    newTokenAccount.clear();
    entrySignedIn = entry.signIn != SignInPassword && entry.refreshToken && !entry.secretsUnreadable();
    int32_t method = entry.signIn == SignInMicrosoft || entry.signIn == SignInGoogle ? entry.signIn : SignInPassword;
    SendDlgItemMessageA(dialog, IDC_EMB_SIGN_IN, CB_SETCURSEL, method, 0);
    setTextOrEmpty(dialog, IDC_EMB_ACCOUNT, entry.account);
    SetDlgItemTextA(dialog, IDC_EMB_SIGN_IN_NOW, "Sign in...");
}

bool SignInMethodChosen(HWND dialog)
{
    return chosenMethod(dialog) != SignInPassword;
}

void UpdateSignInControls(HWND dialog)
{
    bool withAccount = SignInMethodChosen(dialog);
    enableControls(dialog, { IDC_EMB_PASSWORD }, !withAccount);
    enableControls(dialog, { IDC_EMB_ACCOUNT }, withAccount && !running);
    enableControls(dialog, { IDC_EMB_SIGN_IN }, !running);
    enableControls(dialog, { IDC_EMB_SIGN_IN_NOW }, withAccount || running);
    const OAuthProvider* provider = oauthProviderFor(chosenMethod(dialog));
    enableControls(dialog, { IDC_EMB_SIGN_IN_CODE }, provider && provider->hasDeviceFlow && !running);
    showState(dialog);
}

bool StoreSignInFields(HWND dialog, MailboxEntry& entry)
{
    int32_t method = chosenMethod(dialog);
    std::string account = accountText(dialog);
    if (method != SignInPassword) {
        if (account.empty()) {
            showInvalidInput(dialog, "You must supply the account (e-mail address) you sign in with.");
            return false;
        }
        if (SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_GETCURSEL, 0, 0) == SecurityNone) {
            showInvalidInput(dialog, "A Microsoft or Google sign-in needs a secure connection: choose SSL/TLS or STLS.");
            return false;
        }
    }
    entry.signIn = method;
    entry.setAccount(account.c_str());
    // A sign-in made for another method or account than the one stored is not kept.
    if (!newRefreshToken.empty() && newTokenMethod == method && newTokenAccount == account)
        entry.setRefreshToken(newRefreshToken.c_str());
    else if (method == SignInPassword)
        entry.setRefreshToken(nullptr);
    return true;
}

void OnSignInButton(HWND dialog)
{
    if (running) {
        SetEvent(running->stopEvent);
        return; // WM_SIGN_IN_DONE follows
    }
    startSignIn(dialog);
    UpdateSignInControls(dialog);
}

void OnSignInWithCodeButton(HWND dialog)
{
    int32_t method = chosenMethod(dialog);
    const OAuthProvider* provider = oauthProviderFor(method);
    std::string account = accountText(dialog);
    if (running || !provider || !provider->hasDeviceFlow)
        return;
    if (!readyToSignIn(dialog, *provider, account))
        return;
    std::string token;
    int result = RunDeviceSignIn(dialog, providerForProtocol(*provider, ChosenProtocol(dialog)), token);
    if (result == signInOk) {
        scrub(newRefreshToken);
        newRefreshToken = token;
        newTokenMethod = method;
        newTokenAccount = account;
        scrub(token);
    }
    UpdateSignInControls(dialog);
    const char* line = signInResultLine(result);
    if (result != signInOk && result != signInCancelled && line)
        SetDlgItemTextA(dialog, IDC_EMB_SIGN_IN_STATE, line + 7);
}

void OnSignInDone(HWND dialog)
{
    SignInRun* run = finishRun();
    if (!run)
        return;
    SetDlgItemTextA(dialog, IDC_EMB_SIGN_IN_NOW, "Sign in...");
    if (run->result == signInOk) {
        scrub(newRefreshToken);
        newRefreshToken = run->answer.refreshToken;
        newTokenMethod = run->method;
        newTokenAccount = run->account;
    }
    UpdateSignInControls(dialog);
    if (run->result != signInOk) {
        const char* line = run->why;
        if (strncmp(line, "error: ", 7) == 0)
            line += 7;
        SetDlgItemTextA(dialog, IDC_EMB_SIGN_IN_STATE, line);
    }
    delete run;
}

void EndSignIn()
{
    if (running)
        SetEvent(running->stopEvent);
    delete finishRun();
    scrub(newRefreshToken);
}
