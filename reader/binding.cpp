// SPDX-License-Identifier: MIT
#include "binding.h"

#include <array>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tagwright::reader {
namespace {

ReaderApi g_table;
ReaderExtras g_extras;
void* g_module = nullptr;

void* OpenModule(const std::filesystem::path& path) {
#if defined(_WIN32)
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
#else
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void CloseModule(void* module) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(module));
#else
    dlclose(module);
#endif
}

void* Symbol(void* module, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
    return dlsym(module, name);
#endif
}

template <typename Pointer>
void Look(void* module, const char* name, Pointer& slot) {
    slot = reinterpret_cast<Pointer>(Symbol(module, name));
}

}  // namespace

bool ReaderApi::Complete() const {
#define TW_READER_ENTRY(name) \
    if (name == nullptr) return false;
#include "reader_entries.inc"
#undef TW_READER_ENTRY
    return true;
}

const ReaderApi& Reader() {
    return g_table;
}

const ReaderExtras& ReaderExtra() {
    return g_extras;
}

const char* ReaderLibraryFileName() {
#if defined(_WIN32)
    return "cardhost.dll";
#elif defined(__APPLE__)
    return "libcardhost.dylib";
#else
    return "libcardhost.so";
#endif
}

std::filesystem::path ExecutableDirectory() {
#if defined(_WIN32)
    std::array<wchar_t, 32768> buffer{};
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
#else
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
#endif
}

bool BindReaderLibrary() {
    UnbindReaderLibrary();
    const std::filesystem::path directory = ExecutableDirectory();
    if (directory.empty()) return false;
    // An absolute path: no search of the working directory or the library path takes place.
    void* module = OpenModule(directory / ReaderLibraryFileName());
    if (module == nullptr) return false;
    ReaderApi table;
#define TW_READER_ENTRY(name) Look(module, #name, table.name);
#include "reader_entries.inc"
#undef TW_READER_ENTRY
    if (!table.Complete()) {
        CloseModule(module);
        return false;
    }
    ReaderExtras extras;
#define TW_READER_EXTRA(name) Look(module, #name, extras.name);
#include "reader_extras.inc"
#undef TW_READER_EXTRA
    g_table = table;
    g_extras = extras;
    g_module = module;
    return true;
}

void UnbindReaderLibrary() {
    g_table = ReaderApi{};
    g_extras = ReaderExtras{};
    if (g_module != nullptr) {
        CloseModule(g_module);
        g_module = nullptr;
    }
}

bool ReaderLibraryBound() {
    return g_module != nullptr;
}

}  // namespace tagwright::reader
