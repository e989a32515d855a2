// Binds the installer's seam to the platform.
#include "installer_calls.h"

InstallerCalls installerCalls = {
    ::MessageBoxA,
    ::SHBrowseForFolderA,
    ::SHGetSpecialFolderLocation,
};
