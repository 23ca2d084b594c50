// Loading a shared library and finding its exports (LoadLibrary,
// GetProcAddress, FreeLibrary) over dlopen.
// Thread-safety: safe from any thread.
#pragma once

namespace win32 {

using hmodule = void*;

// Loads the library `file` (a name the dynamic loader searches for, or a
// path); null on failure.
hmodule load_library(const char* file) noexcept;

// The address of the export `name`, or null.
void* get_proc_address(hmodule module, const char* name) noexcept;

// Releases a library from load_library; null is ignored.
void free_library(hmodule module) noexcept;

}  // namespace win32
