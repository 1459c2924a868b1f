#include <windows.h>

#include <mutex>

#include "platform/dynamic_library.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

class Win32Library final : public DynamicLibrary {
 public:
  explicit Win32Library(HMODULE module) : module_(module) {}
  ~Win32Library() override { ::FreeLibrary(module_); }
  void* Symbol(const char* name) override {
    return reinterpret_cast<void*>(::GetProcAddress(module_, name));
  }

 private:
  HMODULE module_;
};

// From here on no library this process loads by name comes from the current folder (or
// from PATH): only from the program's folder and the system folders.
void RestrictLibrarySearch() {
  static std::once_flag once;
  std::call_once(once, [] {
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                               LOAD_LIBRARY_SEARCH_USER_DIRS);
  });
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::string& path, Status* status) {
  RestrictLibrarySearch();
  // The library's own imports are looked for beside it and in the system folder, never in
  // the current folder.
  HMODULE module =
      ::LoadLibraryExW(win32::WidePath(path).c_str(), nullptr,
                       LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    *status = win32::LastErrorStatus("LoadLibrary", path);
    return nullptr;
  }
  *status = Status::Ok();
  return std::make_unique<Win32Library>(module);
}

}  // namespace platform
