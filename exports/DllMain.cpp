// The load hook: switches the configuration log on for the life of the
// process when the product's "Logging" value exists (any type, any data), and
// fills the pattern facility's table cache, which is not locked (see
// cmake/Windows.cmake), while only the loading thread runs in the library.
// Nothing else happens at load, thread start or end, or unload.
#include <windows.h>

#include <string>

#include "Config/parsers/PatternTraits.h"
#include "support/ConfigLog.h"
#include "support/RegistryKey.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  try {
    RegistryKey user(HKEY_CURRENT_USER);
    std::string ignored;
    if (user.ReadString("Software\\Vantrel\\Corvane", "Logging", ignored))
      ConfigLog::EnableLogging(module);
  } catch (...) {
  }
  try {
    corvane::PreparePatternTraits();
  } catch (...) {
  }
  return TRUE;
}
