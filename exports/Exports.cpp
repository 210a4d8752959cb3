// The sixteen exported functions.  Each copies its argument, builds the
// client's registrar on the stack, runs one operation and returns its
// result; no exception leaves an export.
#define CORVANE_CONFIG_API
#include "corvane_config.h"

#include <string>

#include "Config/RegisterEudora.h"
#include "Config/RegisterNetscape.h"
#include "Config/RegisterOpera.h"
#include "Config/RegisterOutlook.h"
#include "Config/RegisterOutlookExpress.h"

namespace {

// A null pointer is taken as the empty text.
std::string Argument(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

template <class Registrar>
int Set(const char* proxy) {
  try {
    const std::string address = Argument(proxy);
    Registrar registrar;
    return SetClient(address, registrar);
  } catch (...) {  // copying the argument ran out of memory
    return 1;
  }
}

template <class Registrar>
int Reset(const char* proxy) {
  try {
    const std::string address = Argument(proxy);
    Registrar registrar;
    return ResetClient(address, registrar);
  } catch (...) {
    return 1;
  }
}

// The imports catch their own failures; the guard here only covers what
// happens before they run, with the same codes the imports use.
template <class Registrar>
int ImportWhite(const char* path) {
  try {
    const std::string file = Argument(path);
    Registrar registrar;
    return registrar.ImportWhiteList(file);
  } catch (...) {
    ConfigLog::WriteLog("Unknow Exception in retrieveWhileListEmail");
    return 3;
  }
}

}  // namespace

extern "C" {

int __cdecl SetOutlook(const char* proxy) { return Set<RegisterOutlook>(proxy); }
int __cdecl ResetOutlook(const char* proxy) { return Reset<RegisterOutlook>(proxy); }
int __cdecl SetOutlookExpress(const char* proxy) { return Set<RegisterOutlookExpress>(proxy); }
int __cdecl ResetOutlookExpress(const char* proxy) { return Reset<RegisterOutlookExpress>(proxy); }
int __cdecl SetOpera(const char* proxy) { return Set<RegisterOpera>(proxy); }
int __cdecl ResetOpera(const char* proxy) { return Reset<RegisterOpera>(proxy); }
int __cdecl SetNetscape(const char* proxy) { return Set<RegisterNetscape>(proxy); }
int __cdecl ResetNetscape(const char* proxy) { return Reset<RegisterNetscape>(proxy); }
int __cdecl SetEudora(const char* proxy) { return Set<RegisterEudora>(proxy); }
int __cdecl ResetEudora(const char* proxy) { return Reset<RegisterEudora>(proxy); }

int __cdecl ImportOutlookExpressBlackList(const char* path) {
  try {
    const std::string file = Argument(path);
    RegisterOutlookExpress registrar;
    return registrar.ImportBlackList(file);
  } catch (...) {
    return 0;
  }
}

int __cdecl ImportOutlookExpressWhiteList(const char* path) {
  try {
    const std::string file = Argument(path);
    RegisterOutlookExpress registrar;
    return registrar.ImportWhiteList(file);
  } catch (...) {
    return 255;
  }
}

int __cdecl ImportEudoraWhiteList(const char* path) { return ImportWhite<RegisterEudora>(path); }
int __cdecl ImportOperaWhiteList(const char* path) { return ImportWhite<RegisterOpera>(path); }
int __cdecl ImportOutlookWhiteList(const char* path) { return ImportWhite<RegisterOutlook>(path); }
int __cdecl ImportNetscapeWhiteList(const char* path) { return ImportWhite<RegisterNetscape>(path); }

}  // extern "C"
