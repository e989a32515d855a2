// A fresh folder under the temporary directory, removed with everything in it at the end of a test.
#pragma once
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; } // with a trailing backslash
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Whole-file helpers for checking what the program wrote, byte for byte.
std::string readWholeFile(const std::string& fileName);
bool writeWholeFile(const std::string& fileName, const std::string& bytes);
bool fileExists(const std::string& fileName);
