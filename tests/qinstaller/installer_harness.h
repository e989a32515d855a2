// Drives the installer in-process: recorded message boxes, the modal dialog from the real
// template run with the test's steps inside its own modal loop, and readers for what an
// installation leaves in the file system, the shell's folders and the registry.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "installer_calls.h"
#include "uninstall_data.h"
#include "support/seam_override.h"

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Records every box the installer shows, answering OK, for as long as it lives.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    const std::vector<RecordedBox>& boxes() const;
    std::vector<std::string> texts() const;

private:
    SeamOverride<int (WINAPI*)(HWND, LPCSTR, LPCSTR, UINT)> seam_;
};

struct DialogRun {
    INT_PTR result = 0;
    int quitCode = -1; // the exit code of a posted quit message, -1 when none was posted
};

// Runs dialog 101 modally. steps runs once inside the dialog's modal loop and must end the
// dialog (a dialog still showing afterwards is ended with 99).
DialogRun runInstallerDialog(const std::function<void(HWND)>& steps);

void click(HWND dialog, int id);
std::string controlText(HWND dialog, int id);
void setControlText(HWND dialog, int id, const std::string& text);

// Loads a shell link and gives out its target and description.
bool readShellLink(const std::string& link, std::string& target, std::string& description);

// Reads a REG_SZ value into a fixed buffer; the text is terminated even when the value was
// stored without its zero.
bool readRegistryString(HKEY root, const std::string& keyPath, const char* name,
                        std::string& value);
bool registryKeyExists(HKEY root, const std::string& keyPath);

std::string specialFolder(int csidl);
std::vector<std::string> pathTexts(const PathList& list);
std::string processTag(); // distinguishes this test process's names from any other
