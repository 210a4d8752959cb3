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
#include "Config/RegisterThunderbird.h"
#include "Config/RegisterWindowsMail.h"
#include "exports/ExportList.h"
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

// Runs one operation of a registrar on the export's argument, under the fault
// guard.  An exception (the argument's copy or the registrar running out of
// memory) gives `failure`, logging `failure_log` when given; a processor
// fault gives `failure`, logging `fault_log` when given.
template <class Operation>
int Run(const char* text, const Operation& operation, int failure, const char* failure_log,
        const char* fault_log) {
  return Guarded([&]() {
    try {
      return operation(Argument(text));
    } catch (...) {
      try {
        if (failure_log != nullptr) ConfigLog::WriteLog(failure_log);
      } catch (...) {
      }
      return failure;
    }
  }, failure, fault_log);
}

template <class Registrar>
int Set(const char* proxy) {
  return Run(proxy, [](const std::string& address) {
    Registrar registrar;
    return SetClient(address, registrar);
  }, 1, nullptr, kUnhandled);
}

template <class Registrar>
int Reset(const char* proxy) {
  return Run(proxy, [](const std::string& address) {
    Registrar registrar;
    return ResetClient(address, registrar);
  }, 1, nullptr, kUnhandled);
}

// The imports catch their own failures; the handling here covers what
// happens before they run, with the same codes the imports use.  The Outlook
// Express exports log nothing on any failure, a fault included: the address
// book keeps its 255, the blocked-senders list answers 0.
template <class Registrar>
int WhiteList(const char* path) {
  const bool silent = std::is_same<Registrar, RegisterOutlookExpress>::value;
  return Run(path, [](const std::string& file) {
    Registrar registrar;
    return registrar.ImportWhiteList(file);
  }, silent ? 255 : 3, silent ? nullptr : kUnknown, silent ? nullptr : kUnknown);
}

template <class Registrar>
int BlackList(const char* path) {
  return Run(path, [](const std::string& file) {
    Registrar registrar;
    return registrar.ImportBlackList(file);
  }, 0, nullptr, nullptr);
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
