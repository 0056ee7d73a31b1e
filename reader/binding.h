// SPDX-License-Identifier: MIT
// Binding the reader library: loaded from the running program's own folder only, and accepted
// only when all 26 entry points are there.
#pragma once

#include <filesystem>

#include "reader_api.h"

namespace tagwright::reader {

// The library's file name on this platform: cardhost.dll, libcardhost.so, libcardhost.dylib.
const char* ReaderLibraryFileName();
// The folder of the running executable.
std::filesystem::path ExecutableDirectory();

// Loads the library beside the executable and fills the process-wide table. Returns false, with
// the table left empty and nothing loaded, when the file is missing or lacks any entry point.
// The caller shows the refusal ("Load cardhost.dll failed !").
bool BindReaderLibrary();
// Unloads the library if it is loaded and empties the table.
void UnbindReaderLibrary();
bool ReaderLibraryBound();

}  // namespace tagwright::reader
