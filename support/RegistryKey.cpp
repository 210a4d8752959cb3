#include "support/RegistryKey.h"

#include <vector>

#include "support/text/Utf16.h"

namespace {

// Closes a registry key when it goes out of scope.
class ScopedKey {
 public:
  ScopedKey() : key_(nullptr) {}
  explicit ScopedKey(HKEY key) : key_(key) {}
  ~ScopedKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  HKEY get() const { return key_; }
  PHKEY receive() { return &key_; }

 private:
  HKEY key_;
};

// Reads a value's raw bytes (size + 1 zero-filled bytes; the extra byte is
// not counted in the returned size).
bool ReadRaw(HKEY key, const std::string& name, std::vector<unsigned char>& data, DWORD& size) {
  size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return false;
  data.assign(static_cast<std::size_t>(size) + 1, 0);
  DWORD read = size;
  if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, data.data(), &read) != ERROR_SUCCESS)
    return false;
  size = read;
  return true;
}

}  // namespace

bool RegistryKey::EnumerateSubKeys(const std::string& key, std::vector<std::string>& names) const {
  ScopedKey opened;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, opened.receive()) != ERROR_SUCCESS)
    return false;
  names.clear();
  for (DWORD index = 0;; ++index) {
    char name[261] = {0};
    LONG status = RegEnumKeyA(opened.get(), index, name, sizeof(name));
    if (status == ERROR_NO_MORE_ITEMS) return true;
    if (status != ERROR_SUCCESS) return false;
    names.push_back(name);
  }
}

bool RegistryKey::ReadString(const std::string& key, const std::string& name,
                             std::string& value) const {
  ScopedKey opened;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, opened.receive()) != ERROR_SUCCESS)
    return false;
  std::vector<unsigned char> data;
  DWORD size = 0;
  if (!ReadRaw(opened.get(), name, data, size)) return false;
  value.assign(reinterpret_cast<const char*>(data.data()));
  return true;
}

bool RegistryKey::ReadBinaryString(const std::string& key, const std::string& name,
                                   std::string& value) const {
  ScopedKey opened;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, opened.receive()) != ERROR_SUCCESS)
    return false;
  std::vector<unsigned char> data;
  DWORD size = 0;
  if (!ReadRaw(opened.get(), name, data, size)) return false;
  return corvane::NarrowUtf16Le(data.data(), size, value);
}

HKEY RegistryKey::OpenForWriting(const std::string& key, bool create) const {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_WRITE, &opened) == ERROR_SUCCESS) return opened;
  if (!create) return nullptr;
  opened = nullptr;
  if (RegCreateKeyExA(root_, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &opened, nullptr) == ERROR_SUCCESS)
    return opened;
  return nullptr;
}

bool RegistryKey::WriteString(const std::string& key, const std::string& name,
                              const std::string& text, bool create) const {
  ScopedKey opened(OpenForWriting(key, create));
  if (opened.get() == nullptr) return false;
  return RegSetValueExA(opened.get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.data()),
                        static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}

bool RegistryKey::WriteBinaryString(const std::string& key, const std::string& name,
                                    const std::string& text, bool create) const {
  ScopedKey opened(OpenForWriting(key, create));
  if (opened.get() == nullptr) return false;
  if (text.empty()) return false;
  const int length = static_cast<int>(text.size());
  int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return false;
  std::vector<wchar_t> wide(static_cast<std::size_t>(units));
  units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), units);
  if (units <= 0) return false;
  wide.resize(static_cast<std::size_t>(units));
  std::vector<unsigned char> bytes = corvane::PackUtf16LeWithTerminator(wide);
  return RegSetValueExA(opened.get(), name.c_str(), 0, REG_BINARY, bytes.data(),
                        static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}
