// Eudora nickname files: which addresses the white-list export takes from a
// file's text, as a table of texts and the address lists they give.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Config/parsers/EudoraNicknames.h"

namespace {

std::string ReadFixture(const std::string& name) {
  std::ifstream in(std::string(CORVANE_FIXTURES_DIR) + "/eudora/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Parse(const std::string& text) {
  corvane::IndexedAddressList list;
  corvane::ParseNicknames(text, corvane::IntoList(list));
  return list.Text();
}

struct NicknameRow {
  const char* what;
  std::string text;
  std::string expected;
};

TEST(ParseNicknames, Table) {
  const NicknameRow rows[] = {
      {"one alias, CR LF", "alias jim jim@example.com\r\n", "jim@example.com\r\n"},
      {"last line without line end", "alias jim jim@example.com", "jim@example.com\r\n"},
      {"ALIAS in capitals", "ALIAS jim jim@example.com\r\n", "jim@example.com\r\n"},
      {"mixed case", "AlIaS jim jim@example.com\r\n", "jim@example.com\r\n"},
      {"tabs and several blanks as white space", "alias\t jim \t jim@example.com\r\n",
       "jim@example.com\r\n"},
      {"two addresses, comma without blank",
       "alias team a@example.com,b@example.com\r\n", "a@example.com\r\nb@example.com\r\n"},
      {"blank after the comma stays with the next piece",
       "alias team a@example.com, b@example.com\r\n", "a@example.com\r\n b@example.com\r\n"},
      {"consecutive commas give no empty piece",
       "alias team a@example.com,,b@example.com,\r\n", "a@example.com\r\nb@example.com\r\n"},
      {"piece without @ is dropped", "alias team Team,b@example.com\r\n", "b@example.com\r\n"},
      {"apostrophe ends the address text", "alias jo jo@example.com'old\r\n",
       "jo@example.com\r\n"},
      {"apostrophe before the @ leaves no address", "alias jo o'neil@example.com\r\n", ""},
      {"apostrophe ends the nickname: no entry", "alias o'neil oneil@example.com\r\n", ""},
      {"same address under two nicknames",
       "alias a jim@example.com\r\nalias b jim@example.com\r\n", "jim@example.com\r\n"},
      {"address without @", "alias me Jim Smith\r\n", ""},
      {"address with blanks inside is one piece", "alias jim Jim <jim@example.com>\r\n",
       "Jim <jim@example.com>\r\n"},
      {"other lines ignored",
       "note jim <name:Jim>\r\nalias jim jim@example.com\r\nnote x <email:x@example.com>\r\n",
       "jim@example.com\r\n"},
      {"alias inside a word still counts", "nickalias x x@example.com\r\n", "x@example.com\r\n"},
      {"LF only: address text runs over the following lines",
       "alias a a@example.com\nalias b b@example.com\n",
       "a@example.com\nalias b b@example.com\n\r\n"},
      {"LF only with a comma on a later line",
       "alias a a@example.com\nnote a <x:1,2>\n", "a@example.com\nnote a <x:1\r\n"},
      {"alias without address", "alias jim\r\n", ""},
      {"empty text", "", ""},
      {"address already a part of an earlier one",
       "alias a xjim@example.com\r\nalias b jim@example.com\r\n", "xjim@example.com\r\n"},
  };
  for (const NicknameRow& row : rows) EXPECT_EQ(Parse(row.text), row.expected) << row.what;
}

TEST(ParseNicknames, AddsToAListAlreadyHolding) {
  std::string list = "jim@example.com\r\n";
  corvane::ParseNicknames("alias a jim@example.com\r\nalias b ann@example.com\r\n",
                          corvane::IntoList(list));
  EXPECT_EQ(list, "jim@example.com\r\nann@example.com\r\n");
}

TEST(ParseNicknames, PatternsHoldARealCarriageReturn) {
  const std::string entry = corvane::kNicknameEntryPattern;
  const std::string address = corvane::kNicknameAddressPattern;
  EXPECT_EQ(entry, std::string("alias\\s+([^' ']+)\\s+([^'\\") + '\r' + "']+)");
  EXPECT_EQ(address, std::string("alias\\s+[^' ']+\\s+([^'\\") + '\r' + "']+)");
}

struct SplitRow {
  const char* text;
  const char* expected;
};

TEST(SplitAddresses, Table) {
  const SplitRow rows[] = {
      {"a@x.org,b@x.org", "a@x.org\r\nb@x.org\r\n"},
      {"a@x.org, b@x.org ", "a@x.org\r\n b@x.org \r\n"},
      {",a@x.org,,,b@x.org,", "a@x.org\r\nb@x.org\r\n"},
      {",,,", ""},
      {"a@x.org", "a@x.org\r\n"},
      {"", ""},
  };
  for (const SplitRow& row : rows) {
    std::string list;
    corvane::SplitAddresses(row.text, corvane::IntoList(list));
    EXPECT_EQ(list, row.expected) << row.text;
  }
}

// The real nickname file has LF line ends, so its alias takes in the note
// line after it; written with CR LF it gives the alias's address alone.
TEST(ParseNicknames, RealNicknameFile) {
  const std::string text = ReadFixture("eudora.txt");
  ASSERT_EQ(text.compare(0, 22, "alias foo foo@bar.com\n"), 0);
  EXPECT_EQ(Parse(text), text.substr(10) + "\r\n");

  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  EXPECT_EQ(Parse(crlf), "foo@bar.com\r\n");
}

// An INI file holds no alias lines: nothing is taken from it.
TEST(ParseNicknames, RealIniFileGivesNothing) {
  const std::string text = ReadFixture("Eudora.adr");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(Parse(text), "");
}

}  // namespace
