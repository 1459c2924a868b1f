#include <dlfcn.h>

#include "platform/dynamic_library.h"

namespace platform {
namespace {

class PosixLibrary final : public DynamicLibrary {
 public:
  explicit PosixLibrary(void* handle) : handle_(handle) {}
  ~PosixLibrary() override { ::dlclose(handle_); }
  void* Symbol(const char* name) override { return ::dlsym(handle_, name); }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::string& path, Status* status) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    *status = Status::Error(kPathFileAccessError,
                            "dlopen(" + path + "): " + (reason ? reason : "cannot be loaded"));
    return nullptr;
  }
  *status = Status::Ok();
  return std::make_unique<PosixLibrary>(handle);
}

}  // namespace platform
