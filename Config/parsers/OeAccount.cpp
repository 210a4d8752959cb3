#include "Config/parsers/OeAccount.h"

namespace corvane {

namespace {

// Single-byte text as UTF-16LE units.
std::string Wide(const std::string& text) {
  std::string bytes;
  for (char c : text) bytes += std::string(1, c) + '\0';
  return bytes;
}

// The first occurrence of `units` at an even offset from `from`, or npos.
std::size_t FindUnits(const std::string& bytes, const std::string& units, std::size_t from) {
  for (std::size_t at = bytes.find(units, from); at != std::string::npos;
       at = bytes.find(units, at + 1))
    if (at % 2 == 0) return at;
  return std::string::npos;
}

// Where the text of element `name` begins and ends; false without one.
bool FindElement(const std::string& bytes, const std::string& name, std::size_t& begin,
                 std::size_t& end) {
  const std::string open = Wide("<" + name);
  for (std::size_t at = FindUnits(bytes, open, 0); at != std::string::npos;
       at = FindUnits(bytes, open, at + 2)) {
    const std::size_t after = at + open.size();
    if (after + 1 >= bytes.size() || bytes[after + 1] != '\0' ||
        (bytes[after] != ' ' && bytes[after] != '>' && bytes[after] != '\t'))
      continue;  // a longer name: <POP3_Server_Port ...>
    const std::size_t close_tag = FindUnits(bytes, Wide(">"), after);
    if (close_tag == std::string::npos) return false;
    begin = close_tag + 2;
    end = FindUnits(bytes, Wide("</" + name + ">"), begin);
    return end != std::string::npos;
  }
  return false;
}

}  // namespace

bool ReadOeAccountValue(const std::string& bytes, const std::string& name, std::string& value) {
  std::size_t begin = 0, end = 0;
  if (!FindElement(bytes, name, begin, end)) return false;
  std::string text;
  for (std::size_t at = begin; at + 1 < end; at += 2) {
    if (bytes[at + 1] != '\0') return false;
    text += bytes[at];
  }
  value = text;
  return true;
}

bool WriteOeAccountValue(std::string& bytes, const std::string& name, const std::string& value) {
  std::size_t begin = 0, end = 0;
  if (!FindElement(bytes, name, begin, end)) return false;
  bytes.replace(begin, end - begin, Wide(value));
  return true;
}

}  // namespace corvane
