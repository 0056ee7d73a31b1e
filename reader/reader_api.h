// SPDX-License-Identifier: MIT
// The reader library's entry-point table: the only way the program reaches a reader.
#pragma once

#include <cardhost/cardhost.h>

namespace tagwright::reader {

// One pointer per entry point, typed after the library's own declarations.
struct ReaderApi {
#define TW_READER_ENTRY(name) decltype(&::name) name = nullptr;
#include "reader_entries.inc"
#undef TW_READER_ENTRY

    bool Complete() const;
};

// The process-wide table, filled once by the binding; all zero while unbound.
const ReaderApi& Reader();

}  // namespace tagwright::reader
