#include "platform/win32/win32_library.h"

#include <dlfcn.h>

namespace win32 {

hmodule load_library(const char* file) noexcept {
  return file == nullptr ? nullptr : ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
}

void* get_proc_address(hmodule module, const char* name) noexcept {
  return module == nullptr || name == nullptr ? nullptr : ::dlsym(module, name);
}

void free_library(hmodule module) noexcept {
  if (module != nullptr) ::dlclose(module);
}

}  // namespace win32
