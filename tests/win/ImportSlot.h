// The import address table of a loaded module, slot by slot (no test
// framework: the 32-bit check program uses it too).
#ifndef CORVANE_TESTS_WIN_IMPORTSLOT_H
#define CORVANE_TESTS_WIN_IMPORTSLOT_H

#include <windows.h>

#include <string>

namespace wintest {

// The address of the import slot for `function` from `dll` in `module`
// (the DLL name compared without regard to case), or nullptr when the
// module does not import it by name.
void** FindImportSlot(HMODULE module, const std::string& dll, const std::string& function);

// Writes one pointer into a slot of the (normally read-only) import table;
// false when the page cannot be made writable.
bool WriteSlot(void** slot, const void* value);

}  // namespace wintest

#endif  // CORVANE_TESTS_WIN_IMPORTSLOT_H
