#include "Config/parsers/OperaContacts.h"

#include <boost/regex.hpp>

#include <cstring>
#include <vector>

#include "Config/parsers/PatternBytes.h"

namespace corvane {

namespace {

// Inside the brackets the backslash escapes the carriage return, so the
// class is "anything but an apostrophe or a carriage return".
const char kFieldPattern[] = "MAIL=[^'\\\r']+";
const char kValuePattern[] = "MAIL=([^'\\\r']+)";
const char kSeparator = '\x02';

}  // namespace

void ExtractOperaAddressesLiteral(const std::string& text, const AddressSink& add) {
  const boost::regex field(kFieldPattern, boost::regex::perl | boost::regex::icase);
  const boost::regex value(kValuePattern, boost::regex::perl | boost::regex::icase);

  // The file is searched as a C string: up to its first NUL byte.
  const std::string searched(text.c_str());

  std::vector<std::string> fields;
  for (boost::sregex_iterator match(searched.begin(), searched.end(), field), end;
       match != end; ++match)
    fields.push_back(match->str());

  for (const std::string& text_of_field : fields) {
    boost::smatch parts;
    if (!boost::regex_search(text_of_field, parts, value)) continue;
    const std::string found = parts[1].str();
    if (found.find(kSeparator) == std::string::npos)
      add(found);
    else
      AddSeparatedAddresses(found, add);
  }
}

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
