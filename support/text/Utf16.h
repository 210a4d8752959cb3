// The single-byte <-> UTF-16 rules of the binary registry strings, without
// the Windows calls around them.
#ifndef CORVANE_SUPPORT_TEXT_UTF16_H
#define CORVANE_SUPPORT_TEXT_UTF16_H

#include <cstddef>
#include <string>
#include <vector>

namespace corvane {

// Reads little-endian UTF-16 units from data (an odd last byte is ignored):
// the text is the units before the first zero unit, or all of them.  An empty
// text answers false and leaves `text` alone.  Otherwise every unit from 1 to
// 255 becomes the byte of that value, the conversion stops before the first
// unit above 255, and the answer is true (possibly with an empty `text`).
bool NarrowUtf16Le(const unsigned char* data, std::size_t size, std::string& text);

// Lays out n UTF-16 units as 2n + 2 bytes: the units little-endian, then one
// zero unit.
std::vector<unsigned char> PackUtf16LeWithTerminator(const std::vector<wchar_t>& units);

}  // namespace corvane

#endif  // CORVANE_SUPPORT_TEXT_UTF16_H
