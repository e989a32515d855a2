// The edit dialog's sign-in: the method (password, Microsoft or Google account), the account, the
// "Sign in..." button that runs the browser sign-in on a thread of its own, and the line that says
// whether the entry is signed in.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// The method's name in the sign-in lists ("Password" for a value it does not know).
const char* SignInMethodName(int32_t method);
void FillSignInList(HWND dialog);
// The entry's method, account and sign-in state; forgets a sign-in of an earlier dialog.
void ShowSignInFields(HWND dialog, const MailboxEntry& entry);
// The password field only for the password method, the account and the button only for the others.
void UpdateSignInControls(HWND dialog);
// Whether the dialog's method signs in with an account rather than the password.
bool SignInMethodChosen(HWND dialog);
// Checks and stores the method and account, and the refresh token of a sign-in made in this
// dialog. A signed-in method needs an account and a secure connection (refused with a message).
bool StoreSignInFields(HWND dialog, MailboxEntry& entry);

// "Sign in...": starts the browser sign-in, or cancels the one running.
void OnSignInButton(HWND dialog);
// "Sign in with a code...": runs the device sign-in dialog (Microsoft only).
void OnSignInWithCodeButton(HWND dialog);
// WM_SIGN_IN_DONE from the sign-in thread.
void OnSignInDone(HWND dialog);
// The dialog is closing: a running sign-in is cancelled and its thread joined.
void EndSignIn();
