// Addresses taken from Opera contact file text, as tables of behaviour.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Config/parsers/OperaContacts.h"

namespace {

struct ExtractRow {
  const char* what;
  std::string text;
  std::string expected;  // the address list afterwards
};

std::string Extracted(const std::string& text, std::string list = std::string()) {
  corvane::ExtractOperaAddresses(text, corvane::IntoList(list));
  return list;
}

TEST(ExtractOperaAddresses, Table) {
  using std::string;
  const ExtractRow rows[] = {
      {"one contact, CR LF", "#CONTACT\r\n\tNAME=Ann\r\n\tMAIL=ann@example.com\r\n",
       "ann@example.com\r\n"},
      {"contacts come in file order",
       "\tMAIL=b@example.com\r\n\tMAIL=a@example.com\r\n\tMAIL=c@example.com\r\n",
       "b@example.com\r\na@example.com\r\nc@example.com\r\n"},
      {"lower-case key", "\tmail=low@example.com\r\n", "low@example.com\r\n"},
      {"mixed-case key", "\tMaIl=mixed@example.com\r\n", "mixed@example.com\r\n"},
      {"key at the end of a longer key", "\tEMAIL=longer@example.com\r\n",
       "longer@example.com\r\n"},
      {"field at the very end of the text", "\tMAIL=end@example.com", "end@example.com\r\n"},
      {"two addresses joined by two separators",
       string("\tMAIL=one@example.com\x02\x02two@example.com\r\n"),
       "one@example.com\r\ntwo@example.com\r\n"},
      {"separators at both ends and in the middle",
       string("\tMAIL=\x02x@example.com\x02\x02\x02y@example.com\x02\r\n"),
       "x@example.com\r\ny@example.com\r\n"},
      {"separated piece without @ is dropped",
       string("\tMAIL=nobody\x02z@example.com\r\n"), "z@example.com\r\n"},
      {"value without @ is dropped", "\tMAIL=not-an-address\r\n", ""},
      {"empty value gives nothing", "\tMAIL=\r\n\tMAIL=\r\n", ""},
      {"apostrophe cuts the value", "\tMAIL=o'neill@example.ie\r\n\tMAIL=k@x.org'junk\r\n",
       "k@x.org\r\n"},
      {"LF-only file: the value runs on to the end",
       "\tMAIL=lf@example.com\n\tICON=Contact0\n", "lf@example.com\n\tICON=Contact0\n\r\n"},
      {"LF-only file: the value runs on up to an apostrophe",
       "\tMAIL=lf@example.com\n\tNAME=Pat O'Hara\n", "lf@example.com\n\tNAME=Pat O\r\n"},
      {"LF-only file: the second field is swallowed by the first",
       "\tMAIL=a@example.com\n\tMAIL=b@example.com\n",
       "a@example.com\n\tMAIL=b@example.com\n\r\n"},
      {"search stops at a NUL byte",
       string("\tMAIL=before@example.com\r\n\0\tMAIL=after@example.com\r\n", 52),
       "before@example.com\r\n"},
      {"NUL inside a value ends it", string("\tMAIL=cut@exam\0ple.com\r\n", 24),
       "cut@exam\r\n"},
      {"same address twice is listed once",
       "\tMAIL=twice@example.com\r\n\tMAIL=twice@example.com\r\n", "twice@example.com\r\n"},
      {"address inside a longer listed one is dropped",
       "\tMAIL=joe.smith@example.com\r\n\tMAIL=smith@example.com\r\n",
       "joe.smith@example.com\r\n"},
      {"no field at all", "Opera Hotlist version 2.0\r\n#CONTACT\r\n\tNAME=x@y\r\n", ""},
      {"key without the equals sign is no field", "\tMAIL x@example.com\r\n", ""},
      {"bytes above 0x7F pass through", "\tMAIL=j\xF6rg@example.de\r\n",
       "j\xF6rg@example.de\r\n"},
  };
  for (const ExtractRow& row : rows) EXPECT_EQ(Extracted(row.text), row.expected) << row.what;
}

TEST(ExtractOperaAddresses, AppendsToAnExistingList) {
  EXPECT_EQ(Extracted("\tMAIL=new@example.com\r\n\tMAIL=old@example.com\r\n",
                      "old@example.com\r\n"),
            "old@example.com\r\nnew@example.com\r\n");
}

struct SeparatedRow {
  const char* what;
  std::string value;
  std::string expected;
};

TEST(AddSeparatedAddresses, Table) {
  const SeparatedRow rows[] = {
      {"no separator", "a@example.com", "a@example.com\r\n"},
      {"one separator", "a@example.com\x02" "b@example.com", "a@example.com\r\nb@example.com\r\n"},
      {"only separators", "\x02\x02\x02", ""},
      {"empty value", "", ""},
      {"leading and trailing", "\x02" "a@example.com\x02", "a@example.com\r\n"},
      {"duplicate pieces", "a@example.com\x02" "a@example.com", "a@example.com\r\n"},
      {"CR and LF are not separators", "a@example.com\nb@example.com",
       "a@example.com\nb@example.com\r\n"},
  };
  for (const SeparatedRow& row : rows) {
    std::string list;
    corvane::AddSeparatedAddresses(row.value, corvane::IntoList(list));
    EXPECT_EQ(list, row.expected) << row.what;
  }
}

// A contact file laid out as Opera writes it (tests/data/opera/README.md).
TEST(ExtractOperaAddresses, SampleContactFile) {
  std::ifstream file(std::string(CORVANE_FIXTURES_DIR) + "/opera/contacts.adr", std::ios::binary);
  ASSERT_TRUE(file.is_open());
  std::ostringstream text;
  text << file.rdbuf();
  EXPECT_EQ(Extracted(text.str()),
            "anna.lindqvist@example.se\r\n"
            "tomas@berg.example.org\r\n"
            "t.berg@work.example.com\r\n"
            "lisa@oneill.example.ie\r\n");
}

}  // namespace
