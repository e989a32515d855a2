// Builds "inst.dat" files for tests: a readable description of a release, encoded in the file's
// byte layout, plus the little pieces of that layout for hand-made damaged files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

std::string le32(int32_t value);
std::string lengthPrefixed(const std::string& text); // "" encodes as length 0 (null)

struct ReleaseDescription {
    std::string welcomeText = "Welcome to the test release.";
    std::string uninstallNote = "Removes the test release.";
    std::string defaultDestination = "C:\\Program Files\\Test";
    std::string defaultSubfolder = "Tessary";
    std::string uninstallKeyName = "QInstaller Test";
    std::string displayName = "QInstaller Test Release";
    uint8_t createStartMenuIcons = 1;
    uint8_t createDesktopIcon = 1;
    std::vector<std::string> files = {"tessary.exe"};
    std::vector<std::string> extraFiles = {"default.tsl", "Tessary.dat"};
    std::string programGroup = "QInstaller Test";
    std::vector<std::string> shortcutTargets = {"tessary.exe"};
    std::vector<std::string> shortcutNames = {"Tessary"};
    std::string desktopTarget = "tessary.exe";
    std::string desktopName = "Tessary";

    std::string encode() const;
};
