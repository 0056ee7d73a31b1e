// SPDX-License-Identifier: MIT
// Zeroing the memory that held a key once its use is over, so that no later read of the heap or
// the stack (a core dump, a swapped page, a use after free) finds the key there.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>

namespace tagwright::secrets {

// Zeroes `size` bytes in a way the compiler may not drop as a store nobody reads.
void Wipe(void* data, std::size_t size);

// A key array or any other plain object.
template <typename T>
requires std::is_trivially_copyable_v<T>
void Wipe(T& object) {
    Wipe(&object, sizeof object);
}

// The whole buffer, not only the text: a shorter text may have left a key's digits behind it.
void Wipe(std::string& text);
void Wipe(std::optional<std::string>& text);

// Wipes the object when the scope ends, however it ends.
template <typename T>
class WipeOnExit {
  public:
    explicit WipeOnExit(T& object) : object_(object) {}
    ~WipeOnExit() { Wipe(object_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

  private:
    T& object_;
};

}  // namespace tagwright::secrets
