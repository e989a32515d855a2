// Creating every missing level of a folder path.
#pragma once

// Creates each level of path in turn (the drive part, and the server and share of a network
// path, are not created). A level that is already a folder is fine; a file in its place is not.
// False on the first level that cannot be made; its failure code is left for GetLastError.
bool CreateNestedDirectories(const char* path);
