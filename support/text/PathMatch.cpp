#include "support/text/PathMatch.h"

namespace corvane {
namespace {

// Does `piece` ("?" matching any one character) lie wholly inside `name`
// at some position?
bool OccursIn(const std::string& piece, const std::string& name) {
  if (piece.size() > name.size()) return false;
  for (std::size_t start = 0; start + piece.size() <= name.size(); ++start) {
    std::size_t i = 0;
    while (i < piece.size() && (piece[i] == '?' || piece[i] == name[start + i])) ++i;
    if (i == piece.size()) return true;
  }
  return false;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() != '\\' && !name.empty()) return folder + "\\" + name;
  return folder + name;
}

bool MatchPattern(const std::string& pattern, const std::string& name) {
  std::string p = pattern;
  const bool ends_with_star = !p.empty() && p.back() == '*';

  // Head: from the first characters up to a "*" or the name's length.  A
  // pattern that ends before the name does (without a "*") does not match:
  // its end is a character no name holds.
  if (p.empty() || p.front() != '*') {
    std::size_t i = 0;
    while (i < name.size()) {
      if (i == p.size()) return false;
      if (p[i] == '*') break;
      if (p[i] != '?' && p[i] != name[i]) return false;
      ++i;
    }
    if (i < name.size()) p.erase(0, i);  // stopped at a "*" inside the name
  }

  // Tail: backwards from the last characters, never comparing the name's
  // first character; P is cut where the comparison stopped.
  if (!ends_with_star) {
    std::size_t j = p.size();  // one past the position being compared
    std::size_t k = name.size();
    while (j > 0 && k > 1) {
      char c = p[j - 1];
      if (c == '*') break;
      if (c != '?' && c != name[k - 1]) return false;
      --j;
      --k;
    }
    // Remove the stopping position and everything after it.
    p.erase(j > 0 ? j - 1 : 0);
  }

  // Middle: every growing piece between stars must occur in the name.
  std::string piece;
  for (char c : p) {
    if (c == '*') {
      piece.clear();
      continue;
    }
    piece.push_back(c);
    if (!OccursIn(piece, name)) return false;
  }
  return true;
}

bool MatchPatternList(const std::string& name, const std::string& patterns) {
  if (patterns.empty()) return false;
  std::string::size_type start = 0;
  for (;;) {
    std::string::size_type end = patterns.find(';', start);
    if (end == std::string::npos) return MatchPattern(patterns.substr(start), name);
    if (MatchPattern(patterns.substr(start, end - start), name)) return true;
    start = end + 1;
  }
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace corvane
