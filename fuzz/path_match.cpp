// Wildcard matching must not crash on any pattern or name, and a pattern
// that equals the name, "*", and a list holding the name all match it.
//
// Input: the first byte splits the rest into pattern and name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/text/PathMatch.h"

namespace {

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "failed: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = rest.empty() ? 0 : data[0] % (rest.size() + 1);
  const std::string pattern = rest.substr(0, split);
  const std::string name = rest.substr(split);

  corvane::MatchPattern(pattern, name);
  corvane::MatchPatternList(name, pattern);
  corvane::MatchPattern(corvane::LowerAscii(pattern), corvane::LowerAscii(name));
  corvane::JoinPath(pattern, name);

  Require(corvane::MatchPattern(name, name), "a pattern equal to the name matches it");
  Require(corvane::MatchPattern(pattern, pattern), "a pattern equal to the name matches it");
  Require(corvane::MatchPattern("*", name), "\"*\" matches every name");
  if (!name.empty() && name.find(';') == std::string::npos)
    Require(corvane::MatchPatternList(name, "x;" + name), "a list holding the name matches it");
  Require(!corvane::MatchPatternList(name, ""), "an empty list matches nothing");
  return 0;
}
