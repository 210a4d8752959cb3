// The one-pass Opera contact extraction and the nickname parsing with its
// patterns compiled once, against the literal methods: the same addresses
// handed on in the same order, on the real files, written edge cases and
// generated texts.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Config/parsers/EudoraNicknames.h"
#include "Config/parsers/OperaContacts.h"
#include "tests/native/GeneratedBooks.h"

namespace {

using Scan = void (*)(const std::string&, const corvane::AddressSink&);

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every text the scan hands on, in order, one per line.
std::string Handed(Scan scan, const std::string& text) {
  std::string out;
  scan(text, [&out](const std::string& address) { out += "[" + address + "]\n"; });
  return out;
}

void ExpectSame(Scan fast, Scan literal, const std::string& text, const std::string& what) {
  EXPECT_EQ(Handed(fast, text), Handed(literal, text)) << what;
}

TEST(OperaContactsFast, RealAndWrittenTexts) {
  const std::string rows[] = {
      ReadFile(CORVANE_FIXTURES_DIR "/opera/contacts.adr"),
      "\tMAIL=a@b.c\r\n",
      "MAIL=",
      "MAIL=a@b.c",
      "MAIL=MAIL=a@b.c'MAIL=d@e.f\r",
      "EMAIL=x@y.z\r\nmail=q@r.s\r\nMaIl=\r\n",
      "xMAIL='MAIL=\rMAIL=a\x02\x02b@c.d\x02\r\n",
      std::string("MAIL=a@b.c\0MAIL=d@e.f\r\n", 24),
      "MAIL=\xe9@\xff.x\nnext line\r\n",
      "MAI=L=a@b.c\r\nMAIL==a@b.c\r\n",
  };
  for (const std::string& text : rows)
    ExpectSame(corvane::ExtractOperaAddresses, corvane::ExtractOperaAddressesLiteral, text,
               text.substr(0, 60));
}

TEST(OperaContactsFast, GeneratedTexts) {
  ExpectSame(corvane::ExtractOperaAddresses, corvane::ExtractOperaAddressesLiteral,
             corvane_test::RealisticOperaContacts(300000, 3), "realistic");
  for (std::uint64_t seed = 1; seed <= 1000 && !HasFailure(); ++seed)
    ExpectSame(corvane::ExtractOperaAddresses, corvane::ExtractOperaAddressesLiteral,
               corvane_test::QuirkyOperaContacts(seed % 150, seed), "seed " + std::to_string(seed));
}

TEST(NicknamesFast, RealAndWrittenTexts) {
  const std::string rows[] = {
      ReadFile(CORVANE_FIXTURES_DIR "/eudora/eudora.txt"),
      ReadFile(CORVANE_FIXTURES_DIR "/eudora/eudora.ini"),
      "alias a a@b.c\r\n",
      "alias a a@b.c",
      "ALIAS\tteam\ta@b.c,d@e.f, g@h.i\r\n",
      "alias a   'x\r\nalias b\tc\td@e.f\r\n",
      "aliasalias a b@c.d\r\nalias\r\n",
      "alias n a@b.c'alias m d@e.f\r\n",
      std::string("alias n a@b\0c.d\r\n", 17),
      "alias  \t\n n \n a@b.c\nnote n <x>\r\n",
      "alias n ,,,\r\nalias n\xa0 a@b.c\r\n",
  };
  for (const std::string& text : rows)
    ExpectSame(corvane::ParseNicknames, corvane::ParseNicknamesLiteral, text, text.substr(0, 60));
}

// "alias" followed by carriage returns and no address text: the pattern
// tries every way of splitting the run before it fails, and the facility
// gives up after a number of steps that grows with the length searched.
// Wherever the literal search answers, the parse answers the same.
TEST(NicknamesFast, AnswersWhereverTheLiteralSearchAnswers) {
  int literal_answered = 0;
  for (std::size_t gap : {0, 40, 96, 200}) {
    for (std::size_t run = 40; run <= 120; run += 8) {
      for (const char* after : {"", "'alias m d@e.f\r\n"}) {
        const std::string text = "alias n a@b.c\r\n" + std::string(gap, '\xe8') + "ALIAS" +
                                 std::string(run, '\r') + after;
        const std::string what = "gap " + std::to_string(gap) + ", run " + std::to_string(run) +
                                 (*after ? ", an entry after" : "");
        std::string literal;
        try {
          literal = Handed(corvane::ParseNicknamesLiteral, text);
        } catch (const std::runtime_error&) {
          continue;  // the literal search gave up
        }
        ++literal_answered;
        std::string fast;
        EXPECT_NO_THROW(fast = Handed(corvane::ParseNicknames, text)) << what;
        EXPECT_EQ(fast, literal) << what;
      }
    }
  }
  EXPECT_GT(literal_answered, 0);
  // The text the fuzz target found: the literal search answers, a search
  // begun at the last "alias" alone would give up.
  const std::string found =
      "aLIASALIA" + std::string(87, '\xe8') + "SALIAS" + std::string(80, '\r');
  EXPECT_EQ(Handed(corvane::ParseNicknames, found), Handed(corvane::ParseNicknamesLiteral, found));
}

TEST(NicknamesFast, GeneratedTexts) {
  ExpectSame(corvane::ParseNicknames, corvane::ParseNicknamesLiteral,
             corvane_test::RealisticNicknames(300000, 3), "realistic");
  for (std::uint64_t seed = 1; seed <= 1000 && !HasFailure(); ++seed)
    ExpectSame(corvane::ParseNicknames, corvane::ParseNicknamesLiteral,
               corvane_test::QuirkyNicknames(seed % 150, seed), "seed " + std::to_string(seed));
}

}  // namespace
