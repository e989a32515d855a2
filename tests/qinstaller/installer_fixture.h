// A release in a temporary installer folder, a destination beside it, recorded boxes, and the
// clean-up of whatever an installation put into the shell's folders and the registry.
#pragma once
#include <gtest/gtest.h>
#include "data_bytes.h"
#include "installer_harness.h"
#include "support/temp_folder.h"
#include <functional>
#include <string>

extern const char uninstallKeyBase[];

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void writeSource(const std::string& name, const std::string& bytes);
    void writeRelease();
    // Writes the release, runs the dialog, types the destination and presses Install; then runs
    // afterInstall (if any) and presses Cancel or Exit when the dialog is still up.
    DialogRun install(const std::function<void(HWND)>& afterInstall = {});

    std::string destinationFile(const std::string& name) const { return destination + "\\" + name; }
    std::string commonGroup() const;
    std::string userGroup() const;
    std::string desktopLink() const;
    std::string keyPath() const { return uninstallKeyBase + release.uninstallKeyName; }
    void createFixedKey(); // the key of an earlier version, with a value to show it is there

    TempFolder root;
    std::string source;      // the installer's folder, with its backslash
    std::string destination; // without a trailing backslash
    ReleaseDescription release;
    BoxRecorder boxes;
    bool fixedKeyCreated = false;
};
