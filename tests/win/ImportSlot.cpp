#include "ImportSlot.h"

namespace wintest {

// Writes one pointer into a slot of the (normally read-only) import table.
bool WriteSlot(void** slot, const void* value) {
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection)) return false;
  *slot = const_cast<void*>(value);
  DWORD ignored = 0;
  VirtualProtect(slot, sizeof(*slot), protection, &ignored);
  FlushInstructionCache(GetCurrentProcess(), slot, sizeof(*slot));
  return true;
}

void** FindImportSlot(HMODULE module, const std::string& dll, const std::string& function) {
  if (module == nullptr) return nullptr;
  BYTE* base = reinterpret_cast<BYTE*>(module);
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0 || directory.Size == 0) return nullptr;
  for (const IMAGE_IMPORT_DESCRIPTOR* entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       entry->Name != 0; ++entry) {
    const char* name = reinterpret_cast<const char*>(base + entry->Name);
    if (lstrcmpiA(name, dll.c_str()) != 0) continue;
    // The names are in the lookup table; the bound addresses in the
    // address table at the same index.
    if (entry->OriginalFirstThunk == 0) continue;
    const IMAGE_THUNK_DATA* lookup =
        reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    IMAGE_THUNK_DATA* bound = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; lookup->u1.AddressOfData != 0; ++lookup, ++bound) {
      if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)) continue;
      const IMAGE_IMPORT_BY_NAME* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
      if (function == reinterpret_cast<const char*>(by_name->Name))
        return reinterpret_cast<void**>(&bound->u1.Function);
    }
  }
  return nullptr;
}

}  // namespace wintest
