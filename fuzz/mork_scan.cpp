// The Mork scan on any bytes: nothing read outside the text (ASan), and the
// indexed list gets the same bytes as the straightforward list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Config/parsers/MorkScan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string plain;
  corvane::IndexedAddressList indexed;
  corvane::ScanMorkAddresses(text, corvane::IntoList(plain));
  corvane::ScanMorkAddresses(text, corvane::IntoList(indexed));
  if (indexed.Text() != plain) std::abort();
  return 0;
}
