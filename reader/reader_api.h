// SPDX-License-Identifier: MIT
// The reader library's entry-point table: the only way the program reaches a reader.
#pragma once

#include <cardhost/cardhost.h>
#include <cardhost/diagnostics.h>

namespace tagwright::reader {

// One pointer per entry point, typed after the library's own declarations.
struct ReaderApi {
#define TW_READER_ENTRY(name) decltype(&::name) name = nullptr;
#include "reader_entries.inc"
#undef TW_READER_ENTRY

    bool Complete() const;
};

// Entry points beyond the 26 that a reader library may lack: null where it does.
struct ReaderExtras {
#define TW_READER_EXTRA(name) decltype(&::name) name = nullptr;
#include "reader_extras.inc"
#undef TW_READER_EXTRA
};

// The process-wide tables, filled once by the binding; all zero while unbound.
const ReaderApi& Reader();
const ReaderExtras& ReaderExtra();

}  // namespace tagwright::reader
