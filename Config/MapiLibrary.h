// MapiLibrary: the run-time binding of MAPI's "mapi32" for one export call.
//
// Contract: constructing loads nothing.  The first lookup of any function
// loads the library; a load that fails is remembered (GetLastError, or
// 0x20000000 when that is 0) and never retried.  Each lookup answers whether
// the function exists and, when it does, its address is ready through the
// accessor of the same name, typed as the SDK headers declare it (these
// functions are WINAPI: __stdcall on 32-bit Windows).  A function is looked
// up once; later lookups answer from what was found.  The destructor frees
// the library when it was loaded.
#ifndef CORVANE_CONFIG_MAPILIBRARY_H
#define CORVANE_CONFIG_MAPILIBRARY_H

#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include <string>
#include <type_traits>

class MapiLibrary {
 public:
  using FreeProwsFunction = decltype(&::FreeProws);

  explicit MapiLibrary(const std::string& name);
  ~MapiLibrary();
  MapiLibrary(const MapiLibrary&) = delete;
  MapiLibrary& operator=(const MapiLibrary&) = delete;

  bool FindMAPIInitialize() { return Find(kInitialize); }
  bool FindMAPILogonEx() { return Find(kLogonEx); }
  bool FindFreeProws() { return Find(kFreeProws); }
  bool FindMAPIFreeBuffer() { return Find(kFreeBuffer); }
  bool FindMAPIUninitialize() { return Find(kUninitialize); }

  // Valid after the matching Find answered true.
  LPMAPIINITIALIZE MAPIInitialize() const {
    return As<LPMAPIINITIALIZE>(kInitialize);
  }
  LPMAPILOGONEX MAPILogonEx() const {
    return As<LPMAPILOGONEX>(kLogonEx);
  }
  FreeProwsFunction FreeProws() const {
    return As<FreeProwsFunction>(kFreeProws);
  }
  LPMAPIFREEBUFFER MAPIFreeBuffer() const {
    return As<LPMAPIFREEBUFFER>(kFreeBuffer);
  }
  LPMAPIUNINITIALIZE MAPIUninitialize() const {
    return As<LPMAPIUNINITIALIZE>(kUninitialize);
  }

  DWORD LastLoadError() const { return load_error_; }

 private:
  enum Function { kInitialize, kLogonEx, kFreeProws, kFreeBuffer, kUninitialize, kCount };
  enum State { kNotLookedUp = 0, kMissing = 1, kFound = 2 };
  struct Entry {
    FARPROC address;
    State state;
  };

  bool Find(Function function);
  template <class Pointer>
  Pointer As(Function function) const {
    return reinterpret_cast<Pointer>(reinterpret_cast<void*>(functions_[function].address));
  }

  HMODULE module_ = nullptr;
  DWORD load_error_ = 0;
  bool owns_module_ = true;
  std::string name_;
  Entry functions_[kCount] = {};
};

// The accessors' types are the SDK's own declarations of the functions,
// calling convention included (on i686 a pointer that dropped WINAPI would
// compile, and corrupt the stack at the call).
static_assert(std::is_same<LPMAPIINITIALIZE, decltype(&::MAPIInitialize)>::value, "MAPIInitialize");
static_assert(std::is_same<LPMAPILOGONEX, decltype(&::MAPILogonEx)>::value, "MAPILogonEx");
static_assert(std::is_same<LPMAPIFREEBUFFER, decltype(&::MAPIFreeBuffer)>::value, "MAPIFreeBuffer");
static_assert(std::is_same<LPMAPIUNINITIALIZE, decltype(&::MAPIUninitialize)>::value, "MAPIUninitialize");

#endif  // CORVANE_CONFIG_MAPILIBRARY_H
