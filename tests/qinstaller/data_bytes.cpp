// Encoding test releases into "inst.dat" bytes.
#include "data_bytes.h"

std::string le32(int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return bytes;
}

std::string lengthPrefixed(const std::string& text)
{
    return le32(static_cast<int32_t>(text.size())) + text;
}

namespace {
std::string list(const std::vector<std::string>& items)
{
    std::string bytes;
    for (const std::string& item : items)
        bytes += lengthPrefixed(item);
    return bytes;
}
} // namespace

std::string ReleaseDescription::encode() const
{
    std::string bytes = "QIDAT_v0105";
    for (const std::string* s : {&welcomeText, &uninstallNote, &defaultDestination,
                                 &defaultSubfolder, &uninstallKeyName, &displayName})
        bytes += lengthPrefixed(*s);
    bytes.push_back(static_cast<char>(createStartMenuIcons));
    bytes.push_back(static_cast<char>(createDesktopIcon));
    bytes += le32(static_cast<int32_t>(files.size())) + list(files);
    bytes += le32(static_cast<int32_t>(extraFiles.size())) + list(extraFiles);
    bytes += lengthPrefixed(programGroup);
    bytes += le32(static_cast<int32_t>(shortcutTargets.size())) + list(shortcutTargets) +
             list(shortcutNames);
    bytes += lengthPrefixed(desktopTarget) + lengthPrefixed(desktopName);
    return bytes;
}
