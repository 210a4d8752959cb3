#include "Config/parsers/ContactFile.h"

#include <cstdlib>

#include "support/text/Utf16.h"

namespace corvane {

namespace {

const char kBlanks[] = " \t\r\n";

// One tag: its name without prefix, whether it closes an element or is an
// empty element ("<x/>"), and the offset after its ">".
struct Tag {
  std::string local;
  bool closing = false;
  bool empty = false;
  std::size_t end = 0;
};

// The tag that starts with the "<" at `at`; false when it is not closed.
// A comment is a tag with an empty name.
bool ReadTag(const std::string& text, std::size_t at, Tag& tag) {
  tag = Tag();
  if (text.compare(at, 4, "<!--") == 0) {
    const std::size_t close = text.find("-->", at + 4);
    tag.end = close == std::string::npos ? close : close + 3;
    return close != std::string::npos;
  }
  const std::size_t close = text.find('>', at);
  if (close == std::string::npos) return false;
  std::size_t name = at + 1;
  tag.closing = name < close && text[name] == '/';
  if (tag.closing) ++name;
  const std::size_t stop = text.find_first_of(" \t\r\n/>", name);
  const std::string qualified = text.substr(name, stop - name);
  const std::size_t colon = qualified.rfind(':');
  tag.local = colon == std::string::npos ? qualified : qualified.substr(colon + 1);
  tag.empty = text[close - 1] == '/';
  tag.end = close + 1;
  return true;
}

// A character's number as UTF-8.
std::string Utf8(unsigned long code) {
  std::string out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// Element text with its references decoded; one that is not understood
// stays as written.
std::string Decode(const std::string& text) {
  static const char* const kEntities[][2] = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::size_t semicolon = text[at] == '&' ? text.find(';', at) : std::string::npos;
    const std::string name =
        semicolon == std::string::npos ? "" : text.substr(at + 1, semicolon - at - 1);
    std::string decoded;
    if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      char* stop = nullptr;
      const unsigned long code = std::strtoul(name.c_str() + (hex ? 2 : 1), &stop, hex ? 16 : 10);
      if (*stop == '\0' && code > 0 && code <= 0x10FFFF && name.size() > (hex ? 2u : 1u))
        decoded = Utf8(code);
    }
    for (const auto& entity : kEntities)
      if (name == entity[0]) decoded = entity[1];
    if (decoded.empty()) {
      out += text[at];
    } else {
      out += decoded;
      at = semicolon;
    }
  }
  return out;
}

}  // namespace

void ReadContactAddresses(const std::string& bytes, const AddressSink& sink) {
  std::string text = bytes;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    text.clear();
    NarrowUtf16Le(reinterpret_cast<const unsigned char*>(bytes.data()) + 2, bytes.size() - 2,
                  text);
  }
  bool in_address = false;  // inside an EmailAddress element
  Tag tag;
  for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', tag.end)) {
    if (!ReadTag(text, at, tag)) return;
    if (tag.local == "EmailAddress") {
      in_address = !tag.closing && !tag.empty;
    } else if (in_address && tag.local == "Address" && !tag.closing && !tag.empty) {
      const std::size_t close = text.find('<', tag.end);
      if (close == std::string::npos) return;
      const std::string value = text.substr(tag.end, close - tag.end);
      const std::size_t first = value.find_first_not_of(kBlanks);
      if (first != std::string::npos)
        sink(Decode(value.substr(first, value.find_last_not_of(kBlanks) - first + 1)));
    }
  }
}

}  // namespace corvane
