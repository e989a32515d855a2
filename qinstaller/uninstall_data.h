// "quninst.dat": what an installation put on the system, written by the installer for the
// uninstaller and read back by the next installation into the same folder.
#pragma once
#include <cstdint>

extern const char uninstallDataMagic[]; // "QUDAT_v0103"

// A singly linked list of owned strings, appended at its tail, that keeps its count.
struct PathList {
    struct Node {
        char* text;
        Node* next;
    };
    Node* head = nullptr;
    Node* tail = nullptr;
    int32_t count = 0;

    void append(const char* text); // stores a copy (a null stays null)
    void clear();
};

class UninstallData {
public:
    UninstallData() = default;
    ~UninstallData() { clear(); }
    UninstallData(const UninstallData&) = delete;
    UninstallData& operator=(const UninstallData&) = delete;

    void addFile(const char* path) { files.append(path); }
    void addDirectory(const char* path) { directories.append(path); }
    void setNote(const char* text);
    void setKeyPath(const char* path);
    // Frees everything and resets the counts to 0.
    void clear();

    PathList files;
    PathList directories;
    char* note = nullptr;
    char* uninstallKeyPath = nullptr; // below HKEY_LOCAL_MACHINE
};

// 1 when the file opened, its magic matched and the whole record could be read; the record is
// filled then. 0 otherwise, and the record is left empty: a file that ends early or holds a
// negative count or length is refused rather than half-read.
int LoadUninstallData(UninstallData& data, const char* path);

// 1 when the file was created and every byte written; 0 otherwise.
int SaveUninstallData(const UninstallData& data, const char* path);
