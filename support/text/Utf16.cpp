#include "support/text/Utf16.h"

namespace corvane {

bool NarrowUtf16Le(const unsigned char* data, std::size_t size, std::string& text) {
  const std::size_t units = size / 2;
  std::size_t length = 0;
  while (length < units && (data[2 * length] | data[2 * length + 1]) != 0) ++length;
  if (length == 0) return false;
  std::string narrow;
  narrow.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    unsigned unit = data[2 * i] | (static_cast<unsigned>(data[2 * i + 1]) << 8);
    if (unit > 255) break;
    narrow.push_back(static_cast<char>(unit));
  }
  text.swap(narrow);
  return true;
}

std::vector<unsigned char> PackUtf16LeWithTerminator(const std::vector<wchar_t>& units) {
  std::vector<unsigned char> bytes(2 * units.size() + 2, 0);
  for (std::size_t i = 0; i < units.size(); ++i) {
    unsigned unit = static_cast<unsigned>(units[i]) & 0xFFFFu;
    bytes[2 * i] = static_cast<unsigned char>(unit & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
  }
  return bytes;
}

}  // namespace corvane
