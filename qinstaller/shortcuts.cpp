// Program group folder, Start menu and desktop links, written through the shell's link object.
#include "shortcuts.h"
#include "installer_calls.h"
#include "path_text.h"
#include <shlobj.h>
#include <cstring>

namespace {

bool locate(int folder, LPITEMIDLIST& list)
{
    list = nullptr;
    return SUCCEEDED(installerCalls.SHGetSpecialFolderLocation(nullptr, folder, &list)) && list;
}

bool pathOf(LPITEMIDLIST list, char (&path)[MAX_PATH])
{
    path[0] = '\0';
    bool ok = SHGetPathFromIDListA(list, path) && path[0];
    FreeItemList(list);
    return ok;
}

bool specialFolderPath(int folder, char (&path)[MAX_PATH])
{
    LPITEMIDLIST list;
    return locate(folder, list) && pathOf(list, path);
}

bool saveLink(const char* link, const char* target, const char* description,
              char (&linkPath)[MAX_PATH])
{
    if (CreateShellLink(target, link, description) != 0)
        return false;
    strcpy(linkPath, link);
    return true;
}

} // namespace

bool FreeItemList(LPITEMIDLIST list)
{
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator)
        return false;
    allocator->Free(list);
    allocator->Release();
    return true;
}

bool CreateProgramGroup(const char* name, char (&folder)[MAX_PATH])
{
    folder[0] = '\0';
    LPITEMIDLIST list;
    if (!locate(CSIDL_COMMON_PROGRAMS, list) && !locate(CSIDL_PROGRAMS, list))
        return false;
    char programs[MAX_PATH];
    if (!pathOf(list, programs) || !formatPath(folder, "%s\\%s", programs, name))
        return false;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATH, folder, nullptr);
    return true;
}

bool CreateStartMenuShortcut(const char* groupFolder, const char* linkFileName, const char* target,
                             const char* description, char (&linkPath)[MAX_PATH])
{
    char link[MAX_PATH];
    return groupFolder[0] && formatPath(link, "%s\\%s", groupFolder, linkFileName) &&
           saveLink(link, target, description, linkPath);
}

bool CreateDesktopShortcut(const char* linkFileName, const char* target, const char* description,
                           char (&linkPath)[MAX_PATH])
{
    char desktop[MAX_PATH];
    char link[MAX_PATH];
    return specialFolderPath(CSIDL_DESKTOP, desktop) &&
           formatPath(link, "%s\\%s", desktop, linkFileName) &&
           saveLink(link, target, description, linkPath);
}

HRESULT CreateShellLink(const char* target, const char* link, const char* description)
{
    IShellLinkA* shellLink = nullptr;
    HRESULT status = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, reinterpret_cast<void**>(&shellLink));
    if (FAILED(status))
        return status;
    shellLink->SetPath(target);
    shellLink->SetDescription(description);
    IPersistFile* file = nullptr;
    status = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(status)) {
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, link, -1, wide, MAX_PATH) == 0)
            status = HRESULT_FROM_WIN32(GetLastError());
        else
            status = file->Save(wide, TRUE);
        file->Release();
    }
    shellLink->Release();
    return status;
}
