// In-process drivers and readers for the installer's tests.
#include "installer_harness.h"
#include "installer_dialog.h"
#include "installer_state.h"
#include "resource.h"
#include <shlobj.h>
#include <cstdio>

namespace {

std::vector<RecordedBox> recorded;

int WINAPI recordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    recorded.push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

const std::function<void(HWND)>* pendingSteps = nullptr;

// The dialog shows itself once its modal loop first goes idle; the steps wait for that, as a
// user would.
void CALLBACK runPendingSteps(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (installerDialog && !IsWindowVisible(installerDialog))
        return;
    KillTimer(nullptr, timer);
    if (installerDialog && pendingSteps)
        (*pendingSteps)(installerDialog);
    if (installerDialog && IsWindowVisible(installerDialog))
        EndDialog(installerDialog, 99);
}

int takeQuitMessage()
{
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return static_cast<int>(message.wParam);
    return -1;
}

} // namespace

BoxRecorder::BoxRecorder() : seam_(installerCalls.MessageBoxA, recordBox)
{
    recorded.clear();
}

BoxRecorder::~BoxRecorder()
{
    recorded.clear();
}

const std::vector<RecordedBox>& BoxRecorder::boxes() const
{
    return recorded;
}

std::vector<std::string> BoxRecorder::texts() const
{
    std::vector<std::string> out;
    for (const RecordedBox& box : recorded)
        out.push_back(box.text);
    return out;
}

DialogRun runInstallerDialog(const std::function<void(HWND)>& steps)
{
    takeQuitMessage();
    pendingSteps = &steps;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, runPendingSteps);
    DialogRun run;
    run.result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INSTALLER),
                                 nullptr, InstallerDialogProc, 0);
    KillTimer(nullptr, timer);
    pendingSteps = nullptr;
    run.quitCode = takeQuitMessage();
    return run;
}

void click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::string controlText(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void setControlText(HWND dialog, int id, const std::string& text)
{
    SetDlgItemTextA(dialog, id, text.c_str());
}

bool readShellLink(const std::string& link, std::string& target, std::string& description)
{
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return false;
    IPersistFile* file = nullptr;
    bool ok = false;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        char path[MAX_PATH] = "";
        char text[MAX_PATH] = "";
        ok = SUCCEEDED(file->Load(wide, STGM_READ)) &&
             SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)) &&
             SUCCEEDED(shellLink->GetDescription(text, MAX_PATH));
        target = path;
        description = text;
        file->Release();
    }
    shellLink->Release();
    return ok;
}

bool readRegistryString(HKEY root, const std::string& keyPath, const char* name,
                        std::string& value)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char text[MAX_PATH + 1];
    DWORD type = 0;
    DWORD size = sizeof text - 1; // room for a terminator of our own
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return false;
    text[size] = '\0';
    value = text;
    return true;
}

bool registryKeyExists(HKEY root, const std::string& keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string specialFolder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::vector<std::string> pathTexts(const PathList& list)
{
    std::vector<std::string> out;
    for (const PathList::Node* node = list.head; node; node = node->next)
        out.push_back(node->text ? node->text : "<null>");
    return out;
}

std::string processTag()
{
    char tag[32];
    snprintf(tag, sizeof tag, "%lu", GetCurrentProcessId());
    return tag;
}
