// SPDX-License-Identifier: MIT
#include "wipe.h"

#include <cstring>

namespace tagwright::secrets {

void Wipe(void* data, std::size_t size) {
    if (data == nullptr || size == 0) return;
#if defined(__GLIBC__)
    ::explicit_bzero(data, size);
#else
    volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = 0;
#endif
}

void Wipe(std::string& text) {
    // Growing to the capacity never reallocates, and makes every byte of the buffer the text's.
    text.resize(text.capacity());
    Wipe(text.data(), text.size());
    text.clear();
}

void Wipe(std::optional<std::string>& text) {
    if (text) Wipe(*text);
    text.reset();
}

}  // namespace tagwright::secrets
