// The UTF-16 conversions of the binary registry strings.  For any bytes:
// NarrowUtf16Le agrees with a unit-by-unit reading of the rule, its text has
// no NUL, and packing the text's bytes as units (PackUtf16LeWithTerminator)
// and narrowing again gives the same text back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/text/Utf16.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The rule, read unit by unit.
  std::vector<unsigned> units;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const unsigned unit = data[i] | (data[i + 1] << 8);
    if (unit == 0) break;
    units.push_back(unit);
  }
  std::string expected;
  for (const unsigned unit : units) {
    if (unit > 255) break;
    expected.push_back(static_cast<char>(unit));
  }

  std::string text = "kept";
  const bool ok = corvane::NarrowUtf16Le(data, size, text);
  if (ok != !units.empty()) std::abort();
  if (ok ? text != expected : text != "kept") std::abort();
  if (!ok) return 0;

  std::vector<wchar_t> widened;
  for (const char byte : text) widened.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
  const std::vector<unsigned char> packed = corvane::PackUtf16LeWithTerminator(widened);
  if (packed.size() != 2 * widened.size() + 2) std::abort();
  if (packed[packed.size() - 1] != 0 || packed[packed.size() - 2] != 0) std::abort();
  std::string again = "kept";
  const bool again_ok = corvane::NarrowUtf16Le(packed.data(), packed.size(), again);
  if (again_ok != !text.empty()) std::abort();
  if (again_ok && again != text) std::abort();

  // The units themselves, packed and narrowed: the same as the input's rule.
  std::vector<wchar_t> raw(units.begin(), units.end());
  const std::vector<unsigned char> repacked = corvane::PackUtf16LeWithTerminator(raw);
  std::string narrowed = "kept";
  if (corvane::NarrowUtf16Le(repacked.data(), repacked.size(), narrowed) != !units.empty())
    std::abort();
  if (!units.empty() && narrowed != expected) std::abort();
  return 0;
}
