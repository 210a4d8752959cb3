// MapiDoubleSettings: what the tests' MAPI double (tests/doubles/
// addressbook) is told through the registry, and its trace of calls.
//
// Contract: the settings key is removed when the object is constructed and
// again when it is destroyed; each setter writes one value the double reads
// when it loads; Calls() is the double's trace of this process's calls, up
// to the first NUL.
#ifndef CORVANE_TESTS_WIN_MAPI_MAPIDOUBLESETTINGS_H
#define CORVANE_TESTS_WIN_MAPI_MAPIDOUBLESETTINGS_H

#include <windows.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"

namespace wintest {

class MapiDoubleSettings {
 public:
  static constexpr const char* kKey = "Software\\Corvane Tests\\MapiDouble";

  MapiDoubleSettings() { DeleteTree(HKEY_CURRENT_USER, kKey); }
  ~MapiDoubleSettings() { DeleteTree(HKEY_CURRENT_USER, kKey); }
  MapiDoubleSettings(const MapiDoubleSettings&) = delete;
  MapiDoubleSettings& operator=(const MapiDoubleSettings&) = delete;

  void Entries(const std::vector<std::string>& entries) {
    std::string multi;
    for (const std::string& entry : entries) multi += entry + '\0';
    multi += '\0';
    SetRaw(HKEY_CURRENT_USER, kKey, "Entries", REG_MULTI_SZ, multi.data(),
           static_cast<DWORD>(multi.size()));
  }
  void Fail(const std::string& step) { SetText(HKEY_CURRENT_USER, kKey, "Fail", step); }
  void Hide(const std::string& name) { SetText(HKEY_CURRENT_USER, kKey, "Hide", name); }
  void PabType(DWORD type) { SetDword(HKEY_CURRENT_USER, kKey, "PabType", type); }
  void RowLimit(DWORD rows) { SetDword(HKEY_CURRENT_USER, kKey, "RowLimit", rows); }
  std::string Calls() const {
    std::string bytes = GetRaw(HKEY_CURRENT_USER, kKey, "Calls").bytes;
    return bytes.substr(0, bytes.find('\0'));
  }
};

}  // namespace wintest

#endif  // CORVANE_TESTS_WIN_MAPI_MAPIDOUBLESETTINGS_H
