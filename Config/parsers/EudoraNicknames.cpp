#include "Config/parsers/EudoraNicknames.h"

#include <boost/regex.hpp>

#include <vector>

#include "Config/parsers/PatternBytes.h"

namespace corvane {

const char kNicknameEntryPattern[] = "alias\\s+([^' ']+)\\s+([^'\\\r']+)";
const char kNicknameAddressPattern[] = "alias\\s+[^' ']+\\s+([^'\\\r']+)";

void ParseNicknamesLiteral(const std::string& text, const AddressSink& add) {
  const boost::regex entry(kNicknameEntryPattern, boost::regex::perl | boost::regex::icase);
  std::vector<std::string> entries;
  for (boost::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
    entries.push_back(it->str());

  for (const std::string& found : entries) {
    const boost::regex address(kNicknameAddressPattern, boost::regex::perl | boost::regex::icase);
    boost::smatch match;
    if (!boost::regex_match(found, match, address)) continue;
    const std::string addresses = match[1].str();
    if (addresses.find(',') != std::string::npos)
      SplitAddresses(addresses, add);
    else
      add(addresses);
  }
}

namespace {

// The addresses of one entry: its second group.  Matching the address
// pattern against the entry's own text, as the literal method does, takes
// the same path through the same greedy pattern and ends where the entry
// ended, so it gives the same group; it is not run a second time.
void AddEntry(const boost::smatch& entry, const AddressSink& add) {
  const std::string addresses = entry[2].str();
  if (addresses.find(',') != std::string::npos)
    SplitAddresses(addresses, add);
  else
    add(addresses);
}

}  // namespace

void ParseNicknames(const std::string& text, const AddressSink& add) {
  const boost::regex entry(kNicknameEntryPattern, boost::regex::perl | boost::regex::icase);
  const PatternBytes bytes;
  const char* data = text.data();
  const std::size_t end = text.size();
  // An entry can only begin where "alias" does: the pattern is tried there
  // alone, and the search goes on after each entry, as an iteration would.
  boost::smatch match;
  std::size_t at = 0;
  while (at < end) {
    const std::size_t start = bytes.Find(data, at, end, 'a');
    if (start == end) return;
    at = start + 1;
    if (!bytes.Matches(data, start, end, "alias")) continue;
    if (!boost::regex_search(text.begin() + start, text.end(), match, entry,
                             boost::match_continuous))
      continue;
    at = start + match.length(0);
    AddEntry(match, add);
  }
}

void SplitAddresses(const std::string& addresses, const AddressSink& add) {
  std::string::size_type start = 0;
  while (start <= addresses.size()) {
    std::string::size_type comma = addresses.find(',', start);
    if (comma == std::string::npos) comma = addresses.size();
    if (comma > start) add(addresses.substr(start, comma - start));
    start = comma + 1;
  }
}

}  // namespace corvane
