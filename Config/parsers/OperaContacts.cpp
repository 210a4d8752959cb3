#include "Config/parsers/OperaContacts.h"

#include <boost/regex.hpp>

#include <vector>

namespace corvane {

namespace {

// Inside the brackets the backslash escapes the carriage return, so the
// class is "anything but an apostrophe or a carriage return".
const char kFieldPattern[] = "MAIL=[^'\\\r']+";
const char kValuePattern[] = "MAIL=([^'\\\r']+)";
const char kSeparator = '\x02';

}  // namespace

void ExtractOperaAddresses(const std::string& text, const AddressSink& add) {
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
