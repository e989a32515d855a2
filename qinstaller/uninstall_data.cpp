// The uninstall record in memory and its file, the reader an exact mirror of the writer.
#include "uninstall_data.h"
#include "data_file.h"

const char uninstallDataMagic[] = "QUDAT_v0103";

void PathList::append(const char* text)
{
    Node* node = new Node{copyString(text), nullptr};
    if (tail)
        tail->next = node;
    else
        head = node;
    tail = node;
    ++count;
}

void PathList::clear()
{
    while (head) {
        Node* next = head->next;
        delete[] head->text;
        delete head;
        head = next;
    }
    tail = nullptr;
    count = 0;
}

void UninstallData::setNote(const char* text)
{
    delete[] note;
    note = copyString(text);
}

void UninstallData::setKeyPath(const char* path)
{
    delete[] uninstallKeyPath;
    uninstallKeyPath = copyString(path);
}

void UninstallData::clear()
{
    files.clear();
    directories.clear();
    setNote(nullptr);
    setKeyPath(nullptr);
}

namespace {

bool readList(DataReader& in, PathList& list)
{
    int32_t count = 0;
    if (!in.readStringCount(count))
        return false;
    for (int32_t i = 0; i < count; ++i) {
        char* text = nullptr;
        if (!in.readString(text))
            return false;
        list.append(text);
        delete[] text;
    }
    return true;
}

// Writes count strings from the head, or fewer if the list ends first.
void writeList(DataWriter& out, const PathList& list)
{
    out.writeInt32(list.count);
    int32_t written = 0;
    for (const PathList::Node* node = list.head; node && written < list.count; node = node->next) {
        out.writeString(node->text);
        ++written;
    }
}

} // namespace

int LoadUninstallData(UninstallData& data, const char* path)
{
    data.clear();
    DataReader in;
    if (!in.open(path) || !in.matchMagic(uninstallDataMagic))
        return 0;
    char* note = nullptr;
    char* keyPath = nullptr;
    bool whole = readList(in, data.files) && readList(in, data.directories) &&
                 in.readString(note) && in.readString(keyPath);
    if (whole) {
        data.setNote(note);
        data.setKeyPath(keyPath);
    } else {
        data.clear();
    }
    delete[] note;
    delete[] keyPath;
    return whole ? 1 : 0;
}

int SaveUninstallData(const UninstallData& data, const char* path)
{
    DataWriter out;
    out.writeMagic(uninstallDataMagic);
    writeList(out, data.files);
    writeList(out, data.directories);
    out.writeString(data.note);
    out.writeString(data.uninstallKeyPath);
    return out.save(path) ? 1 : 0;
}
