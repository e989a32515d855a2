// Binds the open-file seam to the common dialog library.
#include "dialogs/open_file_calls.h"

OpenFileCalls openFileCalls = {
    ::GetOpenFileNameA,
};
