// The escapes of the test data (case files, tables, reports): \r, \n, \0, a
// doubled backslash, and \xHH for any byte; on reading also \*N:C, the
// character C N times.
#ifndef CORVANE_TESTS_ESCAPES_H
#define CORVANE_TESTS_ESCAPES_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

inline std::string Unescape(const std::string& text) {
  std::string bytes;
  for (std::string::size_type i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : 0;
    if (text[i] != '\\' || next == 0 || !std::strchr("rn0x*\\", next)) {
      bytes += text[i];
    } else if (next == '*') {
      char* colon = nullptr;
      const long count = std::strtol(text.c_str() + i + 2, &colon, 10);
      bytes.append(count, colon[1]);
      i = colon + 1 - text.c_str();
    } else if (next == 'x') {
      bytes += static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
      i += 3;
    } else {
      bytes += next == 'r' ? '\r' : next == 'n' ? '\n' : next == '0' ? '\0' : '\\';
      ++i;
    }
  }
  return bytes;
}

// Printable ASCII as it is, but for the bytes of `also`.
inline std::string Escape(const std::string& bytes, const char* also = "") {
  std::string text;
  for (unsigned char c : bytes) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    text += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\0' ? "\\0" : c == '\\' ? "\\\\"
          : (c < 0x20 || c > 0x7e || std::strchr(also, c)) ? hex : std::string(1, static_cast<char>(c));
  }
  return text;
}

#endif  // CORVANE_TESTS_ESCAPES_H
