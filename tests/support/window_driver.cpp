// Reading another process's list view goes through memory allocated in that process, since the
// list view's messages carry pointers that are only valid there.
#include "support/window_driver.h"
#include <cstdint>
#include <commctrl.h>

namespace {

const int listControlId = 1006;
const int logControlId = 1053;
const size_t textRoom = 512;

struct Search {
    DWORD processId;
    HWND found;
};

bool isDialogOf(HWND window, DWORD processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    return owner == processId && lstrcmpA(className, "#32770") == 0;
}

BOOL CALLBACK findMainWindow(HWND window, LPARAM parameter)
{
    Search* search = reinterpret_cast<Search*>(parameter);
    if (isDialogOf(window, search->processId) && GetDlgItem(window, listControlId) &&
        GetDlgItem(window, logControlId)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct BoxSearch {
    DWORD processId;
    HWND mainWindow;
    std::vector<HWND> boxes;
};

BOOL CALLBACK collectBox(HWND window, LPARAM parameter)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(parameter);
    if (window != search->mainWindow && isDialogOf(window, search->processId) && IsWindowVisible(window))
        search->boxes.push_back(window);
    return TRUE;
}

BOOL CALLBACK longestStatic(HWND child, LPARAM parameter)
{
    std::string* text = reinterpret_cast<std::string*>(parameter);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    std::string here = textOf(child);
    if (lstrcmpiA(className, "Static") == 0 && here.size() > text->size())
        *text = here;
    return TRUE;
}

// LVITEMA as the list view of a 32-bit program reads it (the i686 release driven from this 64-bit
// test): the fields the messages here use, pointers as 32-bit values.
struct LvItem32 {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    uint32_t pszText;
    int cchTextMax;
    int iImage;
    uint32_t lParam;
    int iIndent;
};

// Memory in the other process holding an LVITEMA, in that process's own layout, followed by its
// text buffer.
class RemoteItem {
public:
    RemoteItem(DWORD processId)
    {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                               FALSE, processId);
        BOOL wow64 = FALSE;
        if (process_ && IsWow64Process(process_, &wow64))
            thirtyTwoBit_ = wow64 != FALSE && sizeof(void*) == 8;
        if (process_)
            memory_ = VirtualAllocEx(process_, nullptr, sizeof(LVITEMA) + textRoom, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteItem()
    {
        if (memory_)
            VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    bool ok() const { return memory_ != nullptr; }
    char* text() const { return static_cast<char*>(memory_) + sizeof(LVITEMA); }
    bool put(const LVITEMA& item) const
    {
        if (!thirtyTwoBit_)
            return WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr) != FALSE;
        LvItem32 narrow = { item.mask, item.iItem, item.iSubItem, item.state, item.stateMask,
                            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(item.pszText)), item.cchTextMax,
                            item.iImage, static_cast<uint32_t>(item.lParam), item.iIndent };
        return WriteProcessMemory(process_, memory_, &narrow, sizeof narrow, nullptr) != FALSE;
    }
    bool get(LVITEMA& item) const
    {
        if (!thirtyTwoBit_)
            return ReadProcessMemory(process_, memory_, &item, sizeof item, nullptr) != FALSE;
        LvItem32 narrow = {};
        if (!ReadProcessMemory(process_, memory_, &narrow, sizeof narrow, nullptr))
            return false;
        item.state = narrow.state;
        item.iImage = narrow.iImage;
        return true;
    }
    std::string readText() const
    {
        char buffer[textRoom] = {};
        ReadProcessMemory(process_, text(), buffer, textRoom - 1, nullptr);
        return buffer;
    }
    LVITEMA* address() const { return static_cast<LVITEMA*>(memory_); }

private:
    HANDLE process_ = nullptr;
    void* memory_ = nullptr;
    bool thirtyTwoBit_ = false;
};

} // namespace

bool WindowDriver::attach(DWORD processId, DWORD timeoutMs)
{
    processId_ = processId;
    return waitUntil(
        [&] {
            Search search = { processId, nullptr };
            EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
            window_ = search.found;
            list_ = window_ ? GetDlgItem(window_, listControlId) : nullptr;
            log_ = window_ ? GetDlgItem(window_, logControlId) : nullptr;
            return window_ != nullptr;
        },
        timeoutMs);
}

std::vector<ListRow> WindowDriver::rows() const
{
    std::vector<ListRow> rows;
    RemoteItem remote(processId_);
    if (!remote.ok())
        return rows;
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        ListRow r;
        std::string* columns[] = { &r.name, &r.server, &r.lastCheck, &r.result };
        for (int column = 0; column < 4; ++column) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = remote.text();
            item.cchTextMax = static_cast<int>(textRoom);
            remote.put(item);
            SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.address()));
            *columns[column] = remote.readText();
        }
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        remote.put(item);
        if (SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.address())) && remote.get(item))
            r.image = item.iImage;
        rows.push_back(r);
    }
    return rows;
}

std::string WindowDriver::log() const
{
    int length = static_cast<int>(SendMessageA(log_, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = static_cast<int>(SendMessageA(log_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

bool WindowDriver::selectRow(int row) const
{
    RemoteItem remote(processId_);
    if (!remote.ok())
        return false;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return remote.put(item) &&
           SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote.address())) != FALSE;
}

void WindowDriver::command(WORD id) const
{
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool WindowDriver::answers(DWORD timeoutMs) const
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

bool WindowDriver::logShows(const std::string& part, DWORD timeoutMs) const
{
    return waitUntil([&] { return log().find(part) != std::string::npos; }, timeoutMs);
}

std::vector<HWND> WindowDriver::openBoxes() const
{
    BoxSearch search = { processId_, window_, {} };
    EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

std::string textOf(HWND window)
{
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                        nullptr);
    text[sizeof text - 1] = '\0';
    return text;
}

std::string boxMessage(HWND box)
{
    std::string text;
    EnumChildWindows(box, longestStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(100);
    }
}
