// A library that loads but offers no WABOpen: what the address book export
// meets when the registry names some other DLL.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI WABOpenMissing(void) { return 0; }
