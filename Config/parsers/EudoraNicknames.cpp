#include "Config/parsers/EudoraNicknames.h"

#include <boost/regex.hpp>

#include <vector>

namespace corvane {

const char kNicknameEntryPattern[] = "alias\\s+([^' ']+)\\s+([^'\\\r']+)";
const char kNicknameAddressPattern[] = "alias\\s+[^' ']+\\s+([^'\\\r']+)";

void ParseNicknames(const std::string& text, const AddressSink& add) {
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
