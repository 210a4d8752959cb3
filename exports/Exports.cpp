// The exported functions, one per entry of exports/ExportList.h.  Each
// copies its argument, builds the client's registrar on the stack, runs one
// operation and returns its result; no exception leaves an export, and
// neither does a processor fault (an access violation in a client library,
// say): every export runs under the fault guard and answers a fault with its
// own failure result.
#define CORVANE_CONFIG_API
#include "corvane_config.h"

#include <string>
#include <type_traits>

#include "Config/RegisterEudora.h"
#include "Config/RegisterNetscape.h"
#include "Config/RegisterOpera.h"
#include "Config/RegisterOutlook.h"
#include "Config/RegisterOutlook2007.h"
#include "Config/RegisterOutlookExpress.h"
#include "Config/RegisterWindowsMail.h"
#include "exports/ExportList.h"
#include "Config/RegisterThunderbird.h"
#include "support/FaultGuard.h"

namespace {

// Not a result any operation gives: what the guard returns on a fault.
const int kFaultResult = -0x7FFFFFFF;

// Runs `body` (which lets no C++ exception out) under the fault guard.  On a
// processor fault the call is abandoned where it stands (what it held stays
// held), `fault_log` is logged when given and `fault_result` returned.
template <class Body>
int Guarded(const Body& body, int fault_result, const char* fault_log) {
  const int result = corvane::CallGuarded(
      [](void* argument) { return (*static_cast<const Body*>(argument))(); },
      const_cast<Body*>(&body), kFaultResult);
  if (result != kFaultResult) return result;
  try {
    if (fault_log != nullptr) ConfigLog::WriteLog(fault_log);
  } catch (...) {  // no memory for the line: it is lost
  }
  return fault_result;
}

const char kUnhandled[] = "Unhandled Exception";
const char kUnknown[] = "Unknow Exception in retrieveWhileListEmail";

// A null pointer is taken as the empty text.
std::string Argument(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

template <class Registrar>
int Set(const char* proxy) {
  return Guarded([proxy]() {
    try {
      const std::string address = Argument(proxy);
      Registrar registrar;
      return SetClient(address, registrar);
    } catch (...) {  // copying the argument ran out of memory
      return 1;
    }
  }, 1, kUnhandled);
}

template <class Registrar>
int Reset(const char* proxy) {
  return Guarded([proxy]() {
    try {
      const std::string address = Argument(proxy);
      Registrar registrar;
      return ResetClient(address, registrar);
    } catch (...) {
      return 1;
    }
  }, 1, kUnhandled);
}

// The imports catch their own failures; the handler here covers what
// happens before they run, with the same codes the imports use.
template <class Registrar>
int WhiteList(const char* path) {
  return Guarded([path]() {
    try {
      const std::string file = Argument(path);
      Registrar registrar;
      return registrar.ImportWhiteList(file);
    } catch (...) {
      try {
        ConfigLog::WriteLog(kUnknown);
      } catch (...) {
      }
      return 3;
    }
  }, 3, kUnknown);
}

// The Outlook Express exports log nothing on any failure, a fault included:
// the address book keeps its 255, the blocked-senders list answers 0.
template <>
int WhiteList<RegisterOutlookExpress>(const char* path) {
  return Guarded([path]() {
    try {
      const std::string file = Argument(path);
      RegisterOutlookExpress registrar;
      return registrar.ImportWhiteList(file);
    } catch (...) {
      return 255;
    }
  }, 255, nullptr);
}

template <class Registrar>
int BlackList(const char* path) {
  return Guarded([path]() {
    try {
      const std::string file = Argument(path);
      Registrar registrar;
      return registrar.ImportBlackList(file);
    } catch (...) {
      return 0;
    }
  }, 0, nullptr);
}

}  // namespace

// Every entry of the list is declared by the public header as an export of
// the one function type; an entry the header lacks does not compile.
#define CORVANE_CHECK_DECLARATION(ordinal, name, client, operation)             \
  static_assert(std::is_same<decltype(&::name), CorvaneConfigFunction>::value, \
                #name " (@" #ordinal ") is declared in corvane_config.h");
CORVANE_EXPORT_LIST(CORVANE_CHECK_DECLARATION)
#undef CORVANE_CHECK_DECLARATION

extern "C" {

#define CORVANE_DEFINE_EXPORT(ordinal, name, client, operation) \
  int __cdecl name(const char* argument) { return operation<Register##client>(argument); }
CORVANE_EXPORT_LIST(CORVANE_DEFINE_EXPORT)
#undef CORVANE_DEFINE_EXPORT

}  // extern "C"
