// PatchedImport: one imported function of one loaded module, redirected for
// the life of the object.
//
// Contract: the constructor finds `function` among the imports that `module`
// takes from `dll` (the DLL name compared without regard to case, the
// function found by name), and makes that module's import slot point at
// `replacement`.  Only the calls made by `module` itself are redirected; the
// test program, the system and every other module keep the real function.
// The destructor puts the original pointer back.  When the module does not
// import the function by name, the test fails with a message naming it and
// nothing is patched (ok() is false).  Objects are neither copied nor moved;
// the module must stay loaded for the object's life.
#ifndef CORVANE_TESTS_WIN_PATCHEDIMPORT_H
#define CORVANE_TESTS_WIN_PATCHEDIMPORT_H

#include <windows.h>

#include <string>

#include "ImportSlot.h"

namespace wintest {

class PatchedImport {
 public:
  PatchedImport(HMODULE module, const char* dll, const char* function, const void* replacement);
  ~PatchedImport();
  PatchedImport(const PatchedImport&) = delete;
  PatchedImport& operator=(const PatchedImport&) = delete;

  bool ok() const { return slot_ != nullptr; }
  // The function the slot held before: the real one, for stubs that pass
  // some calls on.
  const void* original() const { return original_; }

 private:
  void** slot_;
  const void* original_;
};

}  // namespace wintest

#endif  // CORVANE_TESTS_WIN_PATCHEDIMPORT_H
