// Path joining and the wildcard rules of the folder-tree search.
#ifndef CORVANE_SUPPORT_TEXT_PATHMATCH_H
#define CORVANE_SUPPORT_TEXT_PATHMATCH_H

#include <string>

namespace corvane {

// folder + "\" + name, unless the folder is empty, already ends in "\", or
// the name is empty: then folder + name.
std::string JoinPath(const std::string& folder, const std::string& name);

// "*" stands for any run of characters, "?" for any one.  Exact case: a
// caller that ignores case lowers both sides first (LowerAscii).  The match
// works in three steps (head, tail, pieces of the middle found anywhere in
// the name), so a few patterns longer than the name still match it.
bool MatchPattern(const std::string& pattern, const std::string& name);

// True when the name matches one of the ";"-separated patterns; an empty
// list matches nothing.
bool MatchPatternList(const std::string& name, const std::string& patterns);

// A copy with A-Z lowered to a-z; every other byte unchanged.
std::string LowerAscii(std::string text);

}  // namespace corvane

#endif  // CORVANE_SUPPORT_TEXT_PATHMATCH_H
