// SPDX-License-Identifier: MIT
// What `readers --verbose` adds to a reader's serial text: the backend that reaches it, the
// card's ATR and how tag commands reach the tag, as the reader library reports them.
#pragma once

#include <string>

#include "console_output.h"
#include "reader/reader_report.h"

namespace tagwright::cli {

std::string DetailsText(const reader::ReaderDescription& details);
// The same as fields of a reader's JSON object.
void AddDetails(Json& reader, const reader::ReaderDescription& details);

}  // namespace tagwright::cli
