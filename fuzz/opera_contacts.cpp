// Opera contact extraction: the one-pass scan against the literal method
// (the same texts handed on, in order), and the indexed list against the
// straightforward one.  Aborts on the first difference.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Config/parsers/OperaContacts.h"
#include "fuzz/Literal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> literal;
  std::vector<std::string> fast;
  try {
    corvane::ExtractOperaAddressesLiteral(text, [&](const std::string& a) { literal.push_back(a); });
  } catch (...) {
    return 0;  // the literal search gave up (complexity limit): nothing to compare
  }
  corvane::ExtractOperaAddresses(text, [&](const std::string& a) { fast.push_back(a); });
  if (fast != literal) std::abort();

  std::string plain;
  corvane::IndexedAddressList indexed;
  corvane::ExtractOperaAddresses(text, corvane::IntoList(plain));
  corvane::ExtractOperaAddresses(text, corvane::IntoList(indexed));
  if (indexed.Text() != plain) std::abort();
  return 0;
}
