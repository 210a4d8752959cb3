#include "PatchedImport.h"

#include "ImportSlot.h"

#include <gtest/gtest.h>

namespace wintest {

PatchedImport::PatchedImport(HMODULE module, const char* dll, const char* function,
                             const void* replacement)
    : slot_(FindImportSlot(module, dll, function)), original_(nullptr) {
  if (slot_ == nullptr) {
    ADD_FAILURE() << "the module does not import " << dll << "!" << function;
    return;
  }
  original_ = *slot_;
  if (!WriteSlot(slot_, replacement)) {
    ADD_FAILURE() << "the import slot of " << dll << "!" << function << " cannot be written";
    slot_ = nullptr;
  }
}

PatchedImport::~PatchedImport() {
  if (slot_ != nullptr) WriteSlot(slot_, original_);
}

}  // namespace wintest
