#include "Config/MapiLibrary.h"

namespace {
const char* const kFunctionNames[] = {"MAPIInitialize", "MAPILogonEx", "FreeProws",
                                      "MAPIFreeBuffer", "MAPIUninitialize"};
const DWORD kUnknownLoadError = 0x20000000;
}  // namespace

MapiLibrary::MapiLibrary(const std::string& name) : name_(name) {}

MapiLibrary::~MapiLibrary() {
  if (module_ != nullptr && owns_module_) FreeLibrary(module_);
}

bool MapiLibrary::Find(Function function) {
  Entry& entry = functions_[function];
  if (entry.state != kNotLookedUp) return entry.state == kFound;
  if (module_ == nullptr && !name_.empty() && load_error_ == 0) {
    module_ = LoadLibraryA(name_.c_str());
    if (module_ == nullptr) {
      load_error_ = GetLastError();
      if (load_error_ == 0) load_error_ = kUnknownLoadError;
    }
  }
  if (module_ == nullptr) return false;
  entry.address = GetProcAddress(module_, kFunctionNames[function]);
  entry.state = entry.address != nullptr ? kFound : kMissing;
  return entry.state == kFound;
}
