// Nickname parsing: the parse with its patterns compiled once against the
// literal method (the same texts handed on, in order), and the indexed list
// against the straightforward one.  Aborts on the first difference.  Texts
// on which the literal search gives up (the pattern facility's complexity
// limit) are not compared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Config/parsers/EudoraNicknames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> literal;
  std::vector<std::string> fast;
  try {
    corvane::ParseNicknamesLiteral(text, [&](const std::string& a) { literal.push_back(a); });
  } catch (...) {
    return 0;
  }
  corvane::ParseNicknames(text, [&](const std::string& a) { fast.push_back(a); });
  if (fast != literal) std::abort();

  // The sink hands each text to its list in order: the parsed texts, fed
  // to both lists, stand for two more parses.
  std::string plain;
  corvane::IndexedAddressList indexed;
  const corvane::AddressSink to_plain = corvane::IntoList(plain);
  const corvane::AddressSink to_indexed = corvane::IntoList(indexed);
  for (const std::string& address : fast) {
    to_plain(address);
    to_indexed(address);
  }
  if (indexed.Text() != plain) std::abort();
  return 0;
}
