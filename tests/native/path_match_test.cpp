// Path joining and the wildcard rules of the folder-tree search, as tables of
// behaviour.  The wildcard rows include the corners where the three-step match
// (head, tail, middle pieces found anywhere) differs from an ordinary glob.
#include <gtest/gtest.h>

#include "support/text/PathMatch.h"

namespace {

using corvane::JoinPath;
using corvane::LowerAscii;
using corvane::MatchPattern;
using corvane::MatchPatternList;

struct JoinRow {
  const char* folder;
  const char* name;
  const char* expected;
};

TEST(JoinPath, Table) {
  const JoinRow rows[] = {
      {"C:", "x", "C:\\x"},
      {"C:\\", "x", "C:\\x"},                   // no second backslash
      {"", "x", "x"},                           // empty folder: the name alone
      {"C:\\dir", "", "C:\\dir"},               // empty name: the folder alone
      {"", "", ""},
      {"C:\\dir", "*", "C:\\dir\\*"},           // the listing pattern of a folder
      {"C:\\dir\\sub", "Eudora.ini", "C:\\dir\\sub\\Eudora.ini"},
      {"C:/dir", "x", "C:/dir\\x"},             // only "\" counts as a separator
      {"C:\\dir\\\\", "x", "C:\\dir\\\\x"},     // nothing is collapsed
      {"dir", "\\x", "dir\\\\x"},               // the name is taken as given
  };
  for (const JoinRow& row : rows)
    EXPECT_EQ(JoinPath(row.folder, row.name), row.expected)
        << "'" << row.folder << "' + '" << row.name << "'";
}

struct MatchRow {
  const char* pattern;
  const char* name;
  bool expected;
};

TEST(MatchPattern, PlainNames) {
  const MatchRow rows[] = {
      {"eudora.ini", "eudora.ini", true},
      {"eudora.ini", "eudora.in", false},       // shorter name, tail differs
      {"eudora.ini", "eudora.ini.bak", false},  // a longer name never matches
      {"eudora.ini", "xeudora.ini", false},
      {"abc", "abcabc", false},                 // longer name with the pattern at both ends
      {"a", "aa", false},
      {"Eudora.ini", "eudora.ini", false},      // exact case: the caller lowers
      {"eudora.ini", "EUDORA.INI", false},
      {"contacts.adr", "contacts.adr", true},
      {"", "", true},
      {"", "a", false},                         // an empty pattern matches no name
  };
  for (const MatchRow& row : rows)
    EXPECT_EQ(MatchPattern(row.pattern, row.name), row.expected)
        << "pattern '" << row.pattern << "' name '" << row.name << "'";
}

TEST(MatchPattern, Wildcards) {
  const MatchRow rows[] = {
      {"*", "eudora.ini", true},
      {"*", "", true},
      {"*.ini", "eudora.ini", true},
      {"*.ini", "eudora.inf", false},
      {"eud*", "eudora.ini", true},
      {"eud*", "eu", false},                    // the head may not run past the name
      {"eud*", "eud", true},
      {"e*i", "eudora.ini", true},
      {"e*x", "eudora.ini", false},
      {"x*i", "eudora.ini", false},
      {"*dor*", "eudora.ini", true},
      {"*dxr*", "eudora.ini", false},
      {"?udora.ini", "Eudora.ini", true},
      {"eudora.in?", "eudora.ini", true},
      {"eudora.ini?", "eudora.ini", false},
      {"a?c", "abc", true},
      {"a?c", "abd", false},
      {"*.?ni", "eudora.ini", true},
      {"*.??", "eudora.ini", false},
  };
  for (const MatchRow& row : rows)
    EXPECT_EQ(MatchPattern(row.pattern, row.name), row.expected)
        << "pattern '" << row.pattern << "' name '" << row.name << "'";
}

// Where the three steps answer differently from an ordinary wildcard match.
TEST(MatchPattern, Oddities) {
  const MatchRow rows[] = {
      // Head and tail agree and the rest, abc, occurs in the name.
      {"abcabc", "abc", true},
      {"abab", "ab", true},
      {"abb", "ab", true},
      {"abcab", "abc", false},                  // tail c/b differs
      {"aab", "ab", false},                     // head a/b differs
      // The tail never compares the name's first character.
      {"*ab", "xb", true},
      {"*xb", "ab", true},
      {"*xyb", "ab", false},                    // ...but the rest, x, must occur in it
      // Middle pieces are looked for independently, anywhere in the name.
      {"*a*d*", "eudora.ini", true},            // "a" comes after "d"
      {"*i*i*i*", "eudora.ini", true},          // one "i" serves all three
      {"*ini*ini*", "eudora.ini", true},
  };
  for (const MatchRow& row : rows)
    EXPECT_EQ(MatchPattern(row.pattern, row.name), row.expected)
        << "pattern '" << row.pattern << "' name '" << row.name << "'";
}

TEST(MatchPattern, CaseFoldingByTheCaller) {
  EXPECT_TRUE(MatchPattern(LowerAscii("Eudora.ini"), LowerAscii("EUDORA.INI")));
  EXPECT_TRUE(MatchPattern(LowerAscii("*.INI"), LowerAscii("eudora.ini")));
  EXPECT_EQ(LowerAscii("AZaz09@[`\xC4\xE4"), "azaz09@[`\xC4\xE4");  // only A-Z change
}

struct ListRow {
  const char* name;
  const char* patterns;
  bool expected;
};

TEST(MatchPatternList, Table) {
  const ListRow rows[] = {
      {"eudora.ini", "", false},                // empty list: nothing matches
      {"", "", false},
      {"accounts.ini", "account.ini;accounts.ini", true},   // the second name
      {"account.ini", "account.ini;accounts.ini", true},    // the first name
      {"opera.ini", "account.ini;accounts.ini", false},
      {"x", "x;", true},
      {"x", "a;", false},                       // the empty last pattern matches nothing
      {"a", ";a", true},
      {"b.txt", "a.txt;*.ini;b.*", true},
      {"c.ini", "a.txt;*.ini;b.*", true},
      {"abc", "zzz;abcabc", true},              // the oddity holds inside a list too
      {"ABC", "abc;ABC", true},                 // exact case, per pattern
      {"ABC", "abc", false},
  };
  for (const ListRow& row : rows)
    EXPECT_EQ(MatchPatternList(row.name, row.patterns), row.expected)
        << "name '" << row.name << "' list '" << row.patterns << "'";
}

}  // namespace
