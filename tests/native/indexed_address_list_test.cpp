// The indexed address list against the straightforward one: same rule, same
// bytes after every step, for tables of edge cases and generated books.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/text/AddressList.h"
#include "support/text/IndexedAddressList.h"
#include "tests/native/RealisticAddresses.h"

namespace {

using corvane::IndexedAddressList;
using corvane_test::Random;

// Feeds one address to both lists and reports the first difference: whether
// it was added, and the bytes it appended.
class TwinLists {
 public:
  ::testing::AssertionResult Add(const std::string& address) {
    const std::size_t before = reference_.size();
    corvane::AddAddress(address, reference_);
    const bool added = indexed_.Add(address);
    if (added != (reference_.size() != before) || indexed_.size() != reference_.size())
      return ::testing::AssertionFailure()
             << "step " << steps_ << ": " << Printable(address) << " added by reference "
             << (reference_.size() != before) << ", by index " << added;
    if (indexed_.Text().compare(before, std::string::npos, reference_, before,
                                std::string::npos) != 0)
      return ::testing::AssertionFailure() << "step " << steps_ << ": appended bytes differ";
    ++steps_;
    return ::testing::AssertionSuccess();
  }
  const std::string& Reference() const { return reference_; }
  const IndexedAddressList& Indexed() const { return indexed_; }

  static std::string Printable(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
      if (c >= 32 && c < 127) out += static_cast<char>(c);
      else out += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
    }
    return out + "\"";
  }

 private:
  std::string reference_;
  IndexedAddressList indexed_;
  std::size_t steps_ = 0;
};

struct AddRow {
  std::vector<std::string> before;  // added first
  std::string address;
  bool added;
};

TEST(IndexedAddressList, RuleTable) {
  const AddRow rows[] = {
      {{}, "no-at-sign", false},
      {{}, "a@b", true},                                          // empty list
      {{"a@b"}, "a@b", false},                                    // shorter than "a@b\r\n"
      {{"john.smith@example.org"}, "smith@example.org", false},   // tail, through the index
      {{"john.smith@example.org"}, "John.Smith@example.org", true},  // case counts
      {{"ab@cdefgh", "ij@klmnop"}, "efgh\r\nij@kl", false},      // spans a line end
      {{"ab@cdefgh", "ij@klmnop"}, "efgh\nij@kl", true},         // LF alone is not there
      {{"ab@cdefgh"}, "ab@cdefgh\r\n", true},                     // as long as the list
      {{"ab@cdefgh"}, "b@cdefgh\r\n", false},                     // one shorter, at the end
      {{"ab@cdefgh"}, "b@cdefgh\r\n\r", true},                    // runs past the end
      {{"x@y"}, "x@", false},                                     // shorter than a window
      {{"x@y"}, "@y\r", false},
      {{"x@y"}, "y@x", true},
      {{"a@b"}, std::string("a@b\0", 4), true},                   // NUL is a byte like others
      {{std::string("nul\0@zzzzzzzz", 13)}, std::string("l\0@zzzzzz", 9), false},
      {{"aaaaaaaaaaaaaaaa@a", "aaaaaaaaaaaaaaaaaaaa@a"}, "aaaaaaaaaaaaaaaaaaa@a", false},
      {{"aaaaaaaaaaaaaaaa@a"}, "aaaaaaaaaaaaaaaaa@a", true},
  };
  for (const AddRow& row : rows) {
    TwinLists lists;
    for (const std::string& address : row.before) ASSERT_TRUE(lists.Add(address));
    const std::size_t before = lists.Reference().size();
    EXPECT_TRUE(lists.Add(row.address)) << TwinLists::Printable(row.address);
    EXPECT_EQ(lists.Reference().size() != before, row.added) << TwinLists::Printable(row.address);
  }
}

TEST(IndexedAddressList, RealisticBooksMatchReferenceAtEveryStep) {
  for (std::uint64_t seed = 1; seed <= 3; ++seed) {
    TwinLists lists;
    for (const std::string& address : corvane_test::RealisticAddresses(6000, seed))
      ASSERT_TRUE(lists.Add(address)) << "seed " << seed;
    EXPECT_EQ(lists.Indexed().Text(), lists.Reference());
  }
}

// Pieces of the list itself (across line ends, at its very end), bent by one
// byte now and then, on a small alphabet so that windows repeat often.
TEST(IndexedAddressList, RandomBytesMatchReferenceAtEveryStep) {
  const char kAlphabet[] = {'a', 'b', '@', '\r', '\n', '\0', '.'};
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    Random random(seed);
    TwinLists lists;
    for (int step = 0; step < 600; ++step) {
      std::string address;
      const std::string& list = lists.Reference();
      if (!list.empty() && random.Percent(50)) {
        const std::size_t start = random.Below(list.size());
        address = list.substr(start, 1 + random.Below(24));
        if (random.Percent(30)) address[random.Below(address.size())] = kAlphabet[random.Below(7)];
        if (random.Percent(20)) address += kAlphabet[random.Below(7)];
      } else {
        const std::size_t length = random.Below(20);
        for (std::size_t i = 0; i < length; ++i) address += kAlphabet[random.Below(7)];
      }
      ASSERT_TRUE(lists.Add(address)) << "seed " << seed;
    }
    EXPECT_EQ(lists.Indexed().Text(), lists.Reference());
  }
}

// One window repeated past what a bucket counts (65 535): the count stops
// growing, the chain still holds every position.
TEST(IndexedAddressList, CrowdedBucketStillAnswersExactly) {
  IndexedAddressList list;
  const std::string run(200000, 'a');
  ASSERT_TRUE(list.Add(run + "@b"));
  ASSERT_TRUE(list.Add("xyz@" + run.substr(0, 50) + "q"));
  EXPECT_TRUE(list.Contains(run.substr(0, 120) + "@b\r\nxyz@a"));
  EXPECT_TRUE(list.Contains("z@" + run.substr(0, 50) + "q"));
  EXPECT_FALSE(list.Contains("z@" + run.substr(0, 51) + "q"));
  EXPECT_FALSE(list.Contains(run.substr(0, 120) + "@c"));
  EXPECT_FALSE(list.Add(run.substr(0, 99) + "@b"));
  EXPECT_TRUE(list.Add(run.substr(0, 99) + "@bb"));
}

TEST(IndexedAddressList, ContainsAnswersEveryPieceOfTheText) {
  IndexedAddressList list;
  for (const std::string& address : corvane_test::RealisticAddresses(300, 7)) list.Add(address);
  const std::string& text = list.Text();
  Random random(99);
  for (int i = 0; i < 5000; ++i) {
    const std::size_t start = random.Below(text.size());
    const std::string piece = text.substr(start, random.Below(40));
    ASSERT_TRUE(list.Contains(piece)) << TwinLists::Printable(piece);
    ASSERT_FALSE(list.Contains(piece + "\x01")) << TwinLists::Printable(piece);
  }
  EXPECT_TRUE(list.Contains(text));
  EXPECT_FALSE(list.Contains(text + "x"));
}

TEST(IndexedAddressList, MemoryStaysUnderSixteenBytesPerByte) {
  IndexedAddressList list;
  double worst = 0;
  for (const std::string& address : corvane_test::RealisticAddresses(60000, 3)) {
    list.Add(address);
    if (list.size() >= 65536) {
      const double ratio = double(list.MemoryBytes()) / double(list.size());
      if (ratio > worst) worst = ratio;
    }
  }
  EXPECT_LE(worst, 16.0);
}

TEST(IndexedAddressList, ReadsAsTheListText) {
  IndexedAddressList list;
  list.Add("one@example.org");
  const std::string& text = list;  // where a std::string list was written out before
  EXPECT_EQ(text, "one@example.org\r\n");
  EXPECT_EQ(list.size(), 17u);
  EXPECT_FALSE(list.empty());
}

}  // namespace
