// Small helpers over dialog controls that every configuration dialog uses: check boxes, texts,
// enabling, the invalid-input warning and the number parsing rule.
#pragma once
#include <windows.h>
#include <initializer_list>

// Texts of the entry and actions dialogs are read into this much room, terminator included:
// longer texts are cut to 1022 characters.
const int fieldTextSize = 1023;

// Reads a control's text, cut to fieldTextSize - 1 characters. True when it is not empty.
bool readFieldText(HWND dialog, int id, char (&text)[fieldTextSize]);

bool isChecked(HWND dialog, int id);
void setChecked(HWND dialog, int id, bool checked);
// Sets the control's text only when text is not null (a null field leaves what the control holds).
void setTextIfPresent(HWND dialog, int id, const char* text);
// Sets the control's text, empty for null.
void setTextOrEmpty(HWND dialog, int id, const char* text);
// Moves the caret to the end of a single-line field, so that a long path shows its file name.
void showTextEnd(HWND dialog, int id);
void enableControls(HWND dialog, std::initializer_list<int> ids, bool enabled);

// The warning box of a refused field, owned by the dialog: "Tessary: Invalid input", OK.
void showInvalidInput(HWND dialog, const char* text);

// Skips leading white space, takes an optional sign, then decimal digits up to the first other
// character; no digits gives 0 ("7x" is 7, " 9" is 9, "abc" and "" are 0). A number too large for
// an int gives the largest (or smallest) int, so that no long digit string can wrap around into
// an accepted range.
int ParseCount(const char* text);

// Opens the help viewer on a topic of "Tessary.chm", from the program folder.
void showHelpTopic(const char* topic);
