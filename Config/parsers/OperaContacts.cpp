#include "Config/parsers/OperaContacts.h"


#include <cstring>
#include <vector>

#include "Config/parsers/PatternBytes.h"

namespace corvane {

namespace {

const char kSeparator = '\x02';

}  // namespace

void ExtractOperaAddresses(const std::string& text, const AddressSink& add) {
  const PatternBytes bytes;
  bool stops[256];
  for (int c = 0; c < 256; ++c)
    stops[c] = bytes.Fold(static_cast<char>(c)) == bytes.Fold('\'') ||
               bytes.Fold(static_cast<char>(c)) == bytes.Fold('\r');
  const char* data = text.data();
  const std::size_t end = std::strlen(text.c_str());  // searched up to the first NUL
  std::size_t from = 0;  // a field found starts here or later
  std::size_t at = 0;
  for (;;) {
    const std::size_t equals = bytes.Find(data, at, end, '=');
    if (equals == end) return;
    at = equals + 1;
    if (equals < from + 4 || !bytes.Matches(data, equals - 4, end, "MAIL=")) continue;
    std::size_t stop = equals + 1;
    while (stop < end && !stops[static_cast<unsigned char>(data[stop])]) ++stop;
    if (stop == equals + 1) continue;  // an empty value is no field
    const std::string found(data + equals + 1, stop - equals - 1);
    if (found.find(kSeparator) == std::string::npos)
      add(found);
    else
      AddSeparatedAddresses(found, add);
    from = at = stop;
  }
}

void AddSeparatedAddresses(const std::string& value, const AddressSink& add) {
  std::string::size_type start = 0;
  while (start <= value.size()) {
    std::string::size_type end = value.find(kSeparator, start);
    if (end == std::string::npos) end = value.size();
    if (end > start) add(value.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace corvane
