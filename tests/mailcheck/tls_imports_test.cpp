// tessary.exe must start on a system without a TLS layer: it may not import the security or
// certificate libraries, which are loaded only when a check asks for TLS.
#include <gtest/gtest.h>
#include <windows.h>
#include "support/temp_folder.h"
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

std::string windowsPath(std::string linuxPath)
{
    std::replace(linuxPath.begin(), linuxPath.end(), '/', '\\');
    return "Z:" + linuxPath;
}

// The file offset of a relative virtual address, through the section table; 0 when outside.
size_t offsetOf(const std::string& image, const IMAGE_NT_HEADERS* headers, DWORD rva)
{
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
    for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
        DWORD size = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
        if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size) {
            size_t offset = rva - section->VirtualAddress + section->PointerToRawData;
            return offset < image.size() ? offset : 0;
        }
    }
    return 0;
}

// The names of the libraries the program's import table names, lower-cased.
std::vector<std::string> importedLibraries(const std::string& image)
{
    std::vector<std::string> names;
    if (image.size() < sizeof(IMAGE_DOS_HEADER))
        return names;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || size_t(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > image.size())
        return names;
    auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
    DWORD table = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    size_t at = offsetOf(image, headers, table);
    for (; at && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= image.size(); at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + at);
        if (descriptor->Name == 0)
            break;
        size_t name = offsetOf(image, headers, descriptor->Name);
        std::string text = name ? std::string(image.c_str() + name) : "(unreadable)";
        std::transform(text.begin(), text.end(), text.begin(), [](char c) { return char(tolower(c)); });
        names.push_back(text);
    }
    return names;
}

} // namespace

TEST(TlsImports, TheProgramLoadsTheTlsLibrariesOnlyWhenAsked)
{
    std::vector<std::string> names = importedLibraries(readWholeFile(windowsPath(TESSARY_EXE_LINUX_PATH)));
    ASSERT_NE(names.end(), std::find(names.begin(), names.end(), "ws2_32.dll")) << "the table was not read";
    for (const char* library : { "secur32.dll", "security.dll", "crypt32.dll", "sspicli.dll" })
        EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), library)) << library;
}
