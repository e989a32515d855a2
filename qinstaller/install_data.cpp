// Reading "inst.dat" field by field, refusing anything that does not fit its record.
#include "install_data.h"
#include "data_file.h"
#include <cstring>

const char installDataMagic[] = "QIDAT_v0105";

namespace {

void releaseList(char**& list, int32_t& count)
{
    if (list) {
        for (int32_t i = 0; i < count; ++i)
            delete[] list[i];
        delete[] list;
    }
    list = nullptr;
    count = 0;
}

// The count must lie in 1..2000; the list's slots start out null so that a half-read list can be
// released.
bool readList(DataReader& in, int32_t& count, char**& list)
{
    int32_t read = 0;
    if (!in.readInt32(read) || read < smallestListCount || read > largestListCount)
        return false;
    count = read;
    list = new char*[read]();
    for (int32_t i = 0; i < read; ++i)
        if (!in.readString(list[i]))
            return false;
    return true;
}

bool readParallelLists(DataReader& in, int32_t& count, char**& first, char**& second)
{
    int32_t read = 0;
    if (!in.readInt32(read) || read < smallestListCount || read > largestListCount)
        return false;
    count = read;
    first = new char*[read]();
    second = new char*[read]();
    for (int32_t i = 0; i < read; ++i)
        if (!in.readString(first[i]))
            return false;
    for (int32_t i = 0; i < read; ++i)
        if (!in.readString(second[i]))
            return false;
    return true;
}

// The destination lives in a 260-character buffer; a longer one is refused, never cut.
bool readDestination(DataReader& in, char (&destination)[MAX_PATH])
{
    char* text = nullptr;
    if (!in.readString(text))
        return false;
    bool fits = !text || strlen(text) < MAX_PATH;
    if (fits)
        strcpy(destination, text ? text : "");
    delete[] text;
    return fits;
}

} // namespace

void InstallData::release()
{
    char** strings[] = {&welcomeText, &uninstallNote, &defaultSubfolder, &uninstallKeyName,
                        &displayName, &programGroup, &desktopTarget, &desktopName};
    for (char** s : strings) {
        delete[] *s;
        *s = nullptr;
    }
    memset(defaultDestination, 0, sizeof defaultDestination);
    createStartMenuIcons = 0;
    createDesktopIcon = 0;
    releaseList(files, fileCount);
    releaseList(extraFiles, extraFileCount);
    int32_t targets = shortcutCount;
    releaseList(shortcutTargets, targets);
    releaseList(shortcutNames, shortcutCount);
}

bool LoadInstallData(const char* fileName, InstallData& data)
{
    data.release();
    DataReader in;
    if (!in.open(fileName) || !in.matchMagic(installDataMagic))
        return false;
    return in.readString(data.welcomeText) && in.readString(data.uninstallNote) &&
           readDestination(in, data.defaultDestination) && in.readString(data.defaultSubfolder) &&
           in.readString(data.uninstallKeyName) && in.readString(data.displayName) &&
           in.readByte(data.createStartMenuIcons) && in.readByte(data.createDesktopIcon) &&
           readList(in, data.fileCount, data.files) &&
           readList(in, data.extraFileCount, data.extraFiles) && in.readString(data.programGroup) &&
           readParallelLists(in, data.shortcutCount, data.shortcutTargets, data.shortcutNames) &&
           in.readString(data.desktopTarget) && in.readString(data.desktopName);
}
