#pragma once

#include <string>

namespace winfs {

// Moves the file at a Win32 path to the Recycle Bin through the shell. Where the shell would
// delete it for good instead (a drive that is not a fixed disk, a network share, a bin switched
// off or too small for it), nothing happens and the answer is kNoRecycleBin. Returns 0, that, or
// an error code.
unsigned long moveToRecycleBin(const std::wstring &path);

} // namespace winfs
