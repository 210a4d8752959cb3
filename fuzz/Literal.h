// The literal methods the fast parsers are held against: each is the
// straightforward pattern search of the whole text, written once here for
// the fuzz targets, the table tests and the benchmarks.
#ifndef CORVANE_FUZZ_LITERAL_H
#define CORVANE_FUZZ_LITERAL_H

#include <string>
#include <vector>

#include <boost/regex.hpp>

#include "Config/parsers/NetscapePrefs.h"
#include "Config/parsers/OperaContacts.h"

namespace corvane {

// Every hostname preference of the text up to its first NUL (case ignored)
// whose account BuildServerRecord accepts: four whole-text searches each.
inline void ReadServerListLiteral(const std::string& text, MailServerList& servers) {
  const std::string searched(text.c_str());
  const boost::regex hostname(R"re(user_pref\(\"mail.server.server([0-9]+).hostname\",\s*\"([^\"]+)\")re",
                              boost::regex::perl | boost::regex::icase);
  for (boost::sregex_iterator it(searched.begin(), searched.end(), hostname), end; it != end; ++it) {
    MailServerPrefs record;
    if (BuildServerRecord(it->str(), text, record)) servers.push_back(record);
  }
}

// Every "MAIL=" field of a contact file up to an apostrophe or a carriage
// return (inside the brackets the backslash escapes the carriage return),
// then the value of each: two pattern searches per field.
inline void ExtractOperaAddressesLiteral(const std::string& text, const AddressSink& add) {
  const boost::regex field("MAIL=[^'\\\r']+", boost::regex::perl | boost::regex::icase);
  const boost::regex value("MAIL=([^'\\\r']+)", boost::regex::perl | boost::regex::icase);
  const std::string searched(text.c_str());
  std::vector<std::string> fields;
  for (boost::sregex_iterator match(searched.begin(), searched.end(), field), end; match != end; ++match)
    fields.push_back(match->str());
  for (const std::string& text_of_field : fields) {
    boost::smatch parts;
    if (!boost::regex_search(text_of_field, parts, value)) continue;
    const std::string found = parts[1].str();
    if (found.find('\x02') == std::string::npos) add(found);
    else AddSeparatedAddresses(found, add);
  }
}

}  // namespace corvane

#endif  // CORVANE_FUZZ_LITERAL_H
