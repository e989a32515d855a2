// A program folder that refuses new files, as Program Files does for a standard user. The test
// machine runs as root, whose writes no file system refuses, so the refusal goes through the
// data folder's write test; and the prefix's own "Tessary" application data folder, emptied
// before and after a test that may fill it.
#pragma once
#include <string>

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& folder); // with its trailing backslash
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
};

class UserDataFolder {
public:
    UserDataFolder();
    ~UserDataFolder();
    UserDataFolder(const UserDataFolder&) = delete;
    UserDataFolder& operator=(const UserDataFolder&) = delete;
    const std::string& path() const { return path_; } // "<application data>\Tessary\"

private:
    void empty() const;
    std::string path_;
};
