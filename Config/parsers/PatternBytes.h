// The bytes as the pattern facility sees them in a case-ignoring search,
// for the hand-written scans that must find exactly what a pattern would.
//
// Contract: Fold and Space are taken from the facility's own character
// traits (its locale rules on each platform), so a scan that compares
// folded bytes and tests Space finds what the facility's "icase" pattern
// and its "\s" find.  Build one per text, not per byte.
#ifndef CORVANE_CONFIG_PARSERS_PATTERNBYTES_H
#define CORVANE_CONFIG_PARSERS_PATTERNBYTES_H

#include <cstddef>
#include <cstring>

#include <boost/regex.hpp>

namespace corvane {

// How the pattern facility sees each byte in a case-ignoring search: its
// case-folded form and whether "\s" matches it.  Taken from the facility's
// own traits so that the locale rules are the same as the literal method's.
class PatternBytes {
 public:
  PatternBytes() {
    const boost::regex_traits<char> traits;
    const char space_name[] = "s";
    const auto space = traits.lookup_classname(space_name, space_name + 1);
    for (int c = 0; c < 256; ++c) {
      fold_[c] = static_cast<unsigned char>(traits.translate(static_cast<char>(c), true));
      space_[c] = traits.isctype(static_cast<char>(c), space);
    }
    int sharing[256] = {};
    for (int c = 0; c < 256; ++c) ++sharing[fold_[c]];
    for (int c = 0; c < 256; ++c) alone_[c] = sharing[fold_[c]] == 1;
  }
  // True when no other byte folds to what c folds to.
  bool Alone(char c) const { return alone_[static_cast<unsigned char>(c)]; }
  unsigned char Fold(char c) const { return fold_[static_cast<unsigned char>(c)]; }
  bool Space(char c) const { return space_[static_cast<unsigned char>(c)]; }
  bool Digit(char c) const { return Fold(c) >= '0' && Fold(c) <= '9'; }

  // The first byte at or after `at`, below `end`, that a case-ignoring
  // search takes for `c`; `end` when there is none.
  std::size_t Find(const char* text, std::size_t at, std::size_t end, char c) const {
    if (at >= end) return end;
    if (Alone(c)) {
      const void* found = std::memchr(text + at, c, end - at);
      return found == nullptr ? end : static_cast<const char*>(found) - text;
    }
    while (at < end && Fold(text[at]) != Fold(c)) ++at;
    return at;
  }

  // True when text[at, at + size of pattern) equals the pattern, case
  // ignored; '?' in the pattern stands for any byte.  `end` bounds the text.
  bool Matches(const char* text, std::size_t at, std::size_t end, const char* pattern) const {
    const std::size_t size = std::strlen(pattern);
    if (at > end || end - at < size) return false;
    for (std::size_t i = 0; i < size; ++i)
      if (pattern[i] != '?' && Fold(text[at + i]) != Fold(pattern[i])) return false;
    return true;
  }

 private:
  unsigned char fold_[256];
  bool space_[256];
  bool alone_[256];
};

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_PATTERNBYTES_H
