// The dialog of a sign-in with a code (Microsoft's device code flow): it asks the service for the
// code, shows it with the address to enter it at, copies it or opens the address on request, and
// polls on a thread of its own until the user has agreed, refused, or cancels.
#pragma once
#include <windows.h>
#include <string>
#include "signin/oauth_providers.h"

// Runs the dialog. signInOk with the new refresh token; signInCancelled when the user closed it;
// another SignInResult when the sign-in failed (its line was shown in the dialog).
int RunDeviceSignIn(HWND owner, const OAuthProvider& provider, std::string& refreshToken);
