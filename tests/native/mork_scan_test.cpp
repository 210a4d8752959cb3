// The address book export's scan of Mork texts, on written and real books.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Config/parsers/MorkScan.h"

namespace {

std::string ReadBook(const std::string& name) {
  std::ifstream in(std::string(CORVANE_FIXTURES_DIR) + "/netscape/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Scan(const std::string& text) {
  corvane::IndexedAddressList list;
  corvane::ScanMorkAddresses(text, corvane::IntoList(list));
  return list.Text();
}

struct ScanRow {
  const char* what;
  std::string text;
  const char* expected;
};

TEST(MorkScan, Table) {
  const std::string header = "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n";
  const ScanRow rows[] = {
      {"empty text", "", ""},
      {"a single dot is the header's", "(80=a@b.c)", ""},
      {"two cells after the header", header + "<(80=a@x.org)(81=b@y.net)>",
       "a@x.org\r\nb@y.net\r\n"},
      {"several dots in one address: taken once, whole", header + "(80=j.r.doe@mail.x.org)",
       "j.r.doe@mail.x.org\r\n"},
      {"a candidate without @ is dropped, the scan goes on",
       header + "(80=www.x.org)(81=a@x.org)", "a@x.org\r\n"},
      {"a $ escape ends the scan", header + "(80=a$40x.org)(81=b@y.net)", ""},
      {"a dot without = in its cell ends the scan",
       header + "(80=v)(81 x.y)(82=b@y.net)", ""},
      {"< in the candidate ends the scan", header + "(80=<a@x.org)(81=b@y.net)", ""},
      {"no ) after the dot ends the scan", header + "(80=a@x.org", ""},
      {"no = before the dot ends the scan", "1.4 a@x.org)(81=b@y.net)", ""},
      {"next search starts two after the ): a dot right after it is skipped",
       header + "(80=a@x.org).(81=b@y.net)", "a@x.org\r\nb@y.net\r\n"},
      {"a repeated address once", header + "(80=a@x.org)(81=a@x.org)", "a@x.org\r\n"},
      {"an address inside a listed one is not added",
       header + "(80=anna@x.org)(81=na@x.org)", "anna@x.org\r\n"},
      {"dots after the last cell end nothing else", header + "(80=a@x.org) ...", "a@x.org\r\n"},
  };
  for (const ScanRow& row : rows) EXPECT_EQ(Scan(row.text), row.expected) << row.what;
}

struct BookRow {
  const char* file;
  const char* expected;
};

TEST(MorkScan, RealBooks) {
  const BookRow rows[] = {
      {"mork-parser_abook.mab", "foo.bar@example.com\r\n"},
      {"collect.mab", "other@book.invalid\r\n"},  // CR-only line ends
      {"empty.mab", ""},
      {"import.mab", ""},  // its one address has no dot; the photo URI no @
      {"abLists1.mab",
       "test1@foo.invalid\r\ntest2@foo.invalid\r\ntest3@foo.invalid\r\n"
       "test4@foo.invalid\r\ntest5@foo.invalid\r\n"},
      // Bart's address changes in a later transaction: both forms are listed.
      {"listexpansion.mab",
       "homer@example.com\r\nmarge@example.com\r\nbart@foobar.invalid\r\n"
       "lisa@example.com\r\nmaggie@example.com\r\nbart@example.com\r\n"},
      // "e@" and "em@" occur in no listed address, so the short ones stay.
      {"tb2hexpopularity.mab",
       "ema@test.invalid\r\nemai@test.invalid\r\nemail@test.invalid\r\n"
       "e@test.invalid\r\nem@test.invalid\r\n"},
      // The $C3$90 escape of the SecondEmail ends the scan before the rest.
      {"cardForEmail.mab", "PrimaryEmail1@test.invalid\r\nprimaryemail1@test.invalid\r\n"},
  };
  for (const BookRow& row : rows) {
    const std::string text = ReadBook(row.file);
    ASSERT_FALSE(text.empty()) << row.file;
    EXPECT_EQ(Scan(text), row.expected) << row.file;
  }
}

}  // namespace
