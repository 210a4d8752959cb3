// RegistryKey: the library's only way into the Windows registry.
//
// Contract: bound to one predefined root (never closed here).  Every
// operation opens its key path below the root, works, and closes the key
// before it returns, on every path; no handle outlives a call.  Every
// failure answers false, raises nothing and logs nothing.  An out argument
// changes only when the answer is true, except that EnumerateSubKeys empties
// its list as soon as the key is open.  Value types are never examined on
// reading.
#ifndef CORVANE_SUPPORT_REGISTRYKEY_H
#define CORVANE_SUPPORT_REGISTRYKEY_H

#include <windows.h>

#include <string>
#include <vector>

class RegistryKey {
 public:
  explicit RegistryKey(HKEY root) : root_(root) {}
  virtual ~RegistryKey() {}

  // Sub key names in the registry's index order (names up to 260 chars).
  bool EnumerateSubKeys(const std::string& key, std::vector<std::string>& names) const;
  // The value's bytes up to the first NUL, whatever its type.
  bool ReadString(const std::string& key, const std::string& name, std::string& value) const;
  // A UTF-16 text held in the value, narrowed to single bytes (units above
  // 255 end it); false when the value holds no text.
  bool ReadBinaryString(const std::string& key, const std::string& name, std::string& value) const;
  // REG_SZ whose size is the text's length (no NUL counted).
  bool WriteString(const std::string& key, const std::string& name, const std::string& text,
                   bool create) const;
  // REG_BINARY: the text in UTF-16 (ANSI code page) and one zero unit.
  bool WriteBinaryString(const std::string& key, const std::string& name, const std::string& text,
                         bool create) const;

 private:
  HKEY OpenForWriting(const std::string& key, bool create) const;

  HKEY root_;
};

#endif  // CORVANE_SUPPORT_REGISTRYKEY_H
