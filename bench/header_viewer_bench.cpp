// Benchmark program: how long the header viewer takes to open on one 256 KB header block (created
// from its real template, shown and painted) and to switch to another message of that size.
#include "dialogs/header_dialog.h"
#include "resources/resource.h"
#include "storage/owned_string.h"
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A header block of realistic shape: a chain of Received lines and long signature values.
std::string largeBlock(size_t size, int number)
{
    std::string block = "+OK\r\nFrom: =?utf-8?B?0JjQstCw0L0=?= <ivan@example.ru>\r\nSubject: block " +
                        std::to_string(number) + "\r\nDate: Tue, 8 Dec 2026 12:00:00 +0000\r\n";
    for (int line = 0; block.size() + 200 < size; ++line) {
        if (line % 3 == 0)
            block += "Received: from relay" + std::to_string(line) + ".example.net (relay.example.net "
                     "[192.0.2.1]) by mx.example.org with ESMTPS id " + std::string(40, 'a' + line % 26) + "\r\n";
        else
            block += "X-MS-Exchange-Antispam-MessageData: " + std::string(900, 'A' + line % 26) + "\r\n";
    }
    block += "\r\n.\r\n";
    return block;
}

void pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

double milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    size_t size = argc > 1 ? static_cast<size_t>(atoi(argv[1])) * 1024 : 256 * 1024;
    int rounds = argc > 2 ? atoi(argv[2]) : 5;
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_WIN95_CLASSES };
    InitCommonControlsEx(&controls);
    MailboxEntry entry;
    entry.setName("bench");
    char** blocks = new char*[2];
    for (int i = 0; i < 2; ++i) {
        std::string block = largeBlock(size, i + 1);
        blocks[i] = ownedCopyOf(block.c_str(), block.size());
    }
    entry.setHeaders(blocks, 2);
    entry.lastResult = 2;

    LARGE_INTEGER frequency, start, opened, switched;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> opens, switches;
    for (int round = 0; round < rounds; ++round) {
        QueryPerformanceCounter(&start);
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HEADERS), nullptr,
                                         HeaderDlg, reinterpret_cast<LPARAM>(&entry));
        if (!dialog) {
            printf("the viewer could not be created\n");
            return 1;
        }
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
        pump();
        QueryPerformanceCounter(&opened);
        SetDlgItemInt(dialog, IDC_HDR_MESSAGE, 2, FALSE);
        UpdateWindow(dialog);
        pump();
        QueryPerformanceCounter(&switched);
        DestroyWindow(dialog);
        pump();
        opens.push_back(milliseconds(start, opened, frequency));
        switches.push_back(milliseconds(opened, switched, frequency));
    }
    printf("header viewer, %lu KB block: opens in %.1f ms, switches message in %.1f ms (median of %d; target: "
           "open under 500 ms)\n",
           static_cast<unsigned long>(size / 1024), median(opens), median(switches), rounds);
    return 0;
}
