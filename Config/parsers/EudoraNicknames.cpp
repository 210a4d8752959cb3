#include "Config/parsers/EudoraNicknames.h"

#include <boost/regex.hpp>

#include <vector>

#include "Config/parsers/PatternBytes.h"

namespace corvane {

const char kNicknameEntryPattern[] = "alias\\s+([^' ']+)\\s+([^'\\\r']+)";
const char kNicknameAddressPattern[] = "alias\\s+[^' ']+\\s+([^'\\\r']+)";

namespace {

// The literal method from the entry after the first `skip` on: every entry
// is collected, then the address pattern is compiled again for each.
void AddLiteralEntries(const std::string& text, std::size_t skip, const AddressSink& add) {
  const boost::regex entry(kNicknameEntryPattern, boost::regex::perl | boost::regex::icase);
  std::vector<std::string> entries;
  for (boost::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
    entries.push_back(it->str());

  for (std::size_t i = skip; i < entries.size(); ++i) {
    const boost::regex address(kNicknameAddressPattern, boost::regex::perl | boost::regex::icase);
    boost::smatch match;
    if (!boost::regex_match(entries[i], match, address)) continue;
    const std::string addresses = match[1].str();
    if (addresses.find(',') != std::string::npos)
      SplitAddresses(addresses, add);
    else
      add(addresses);
  }
}

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

void ParseNicknamesLiteral(const std::string& text, const AddressSink& add) {
  AddLiteralEntries(text, 0, add);
}

void ParseNicknames(const std::string& text, const AddressSink& add) {
  const boost::regex entry(kNicknameEntryPattern, boost::regex::perl | boost::regex::icase);
  const PatternBytes bytes;
  const char* data = text.data();
  const std::size_t end = text.size();
  // An entry can only begin where "alias" does: the pattern is tried there
  // alone, and the search goes on after each entry, as an iteration would.
  boost::smatch match;
  std::size_t at = 0;
  std::size_t entries = 0;
  try {
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
      ++entries;
    }
  } catch (const boost::regex_error&) {
    // The facility allows a search a number of steps that grows with the
    // length it searches.  A search begun at one "alias" is allowed fewer
    // than the literal search begun where the previous entry ended, so it
    // can give up where the literal one answers: the literal method then
    // does the rest of the text, from the entry after the last one passed
    // on (the entries before it are the same both ways).
    AddLiteralEntries(text, entries, add);
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
