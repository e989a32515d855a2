// The main window's process-wide state. The entry list is destroyed at process end, and each
// entry then stops its own check.
#include "shell/main_window_state.h"

MainWindowState app;
