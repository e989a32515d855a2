// What each page of the add account wizard does, and the message handling all pages share.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

struct WizardPage {
    int templateId;
    DWORD buttons;                                     // PSWIZB_* posted on each activation
    void (*create)(HWND page);                         // once per run; may be null
    void (*activate)(HWND page, MailboxEntry& entry);  // fills the controls from the entry
    bool (*next)(HWND page, MailboxEntry& entry);      // stores the controls; false keeps the page
    void (*enable)(HWND page);                         // the enabling rule; may be null
    void (*command)(HWND page, WORD id, WORD code);    // the page's own commands; may be null
    void (*destroy)(HWND page);                        // may be null
};

const int wizardPageCount = 8;
// The pages in the order the wizard shows them.
extern const WizardPage wizardPages[wizardPageCount];

// The handling of one page's messages, for its dialog procedure.
INT_PTR handleWizardPageMessage(const WizardPage& page, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Ends the run as a Cancel would, after a fatal error on a page.
void abandonWizard(HWND page);

// The handlers of the first three pages: the address and name, the server, the sign-in (they
// share the provider filled in from the address).
void createNamePage(HWND page);
void activateNamePage(HWND page, MailboxEntry& entry);
bool nextNamePage(HWND page, MailboxEntry& entry);
void createServerPage(HWND page);
void activateServerPage(HWND page, MailboxEntry& entry);
bool nextServerPage(HWND page, MailboxEntry& entry);
void enableServerPage(HWND page);
void commandServerPage(HWND page, WORD id, WORD code);
void createCredentialsPage(HWND page);
void activateCredentialsPage(HWND page, MailboxEntry& entry);
bool nextCredentialsPage(HWND page, MailboxEntry& entry);
void enableCredentialsPage(HWND page);
void commandCredentialsPage(HWND page, WORD id, WORD code);

// The e-mail program page's handlers (they live with its detection list).
void createClientPage(HWND page);
void activateClientPage(HWND page, MailboxEntry& entry);
bool nextClientPage(HWND page, MailboxEntry& entry);
void enableClientPage(HWND page);
void commandClientPage(HWND page, WORD id, WORD code);
void destroyClientPage(HWND page);
