// SPDX-License-Identifier: MIT
// Binds the reader library as the program does and says whether that worked.
#include <cstdio>

#include "reader/binding.h"

int main() {
    const bool bound = tagwright::reader::BindReaderLibrary();
    std::puts(bound ? "bound" : "refused");
    tagwright::reader::UnbindReaderLibrary();
    return bound ? 0 : 1;
}
