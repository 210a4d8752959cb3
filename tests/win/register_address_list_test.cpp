// Register::AddAddress on a plain text list and on an indexed list: the same
// addresses leave the same list bytes, so a client's import can switch from
// one to the other by changing the list's type alone.
#include <gtest/gtest.h>

#include <string>

#include "Config/Register.h"
#include "support/text/IndexedAddressList.h"

namespace {

// A registrar with no client behind it that opens AddAddress to the test.
class BareRegistrar : public Register {
 public:
  bool Configure(const std::string&) override { return false; }
  bool Restore(const std::string&) override { return false; }
  int ImportBlackList(const std::string&) override { return 0; }
  int ImportWhiteList(const std::string&) override { return 0; }
  using Register::AddAddress;
};

TEST(RegisterAddAddress, IndexedListKeepsTheSameBytes) {
  const char* const addresses[] = {
      "anna@example.org",
      "no address here",          // no "@": skipped
      "anna@example.org",         // repeat: skipped
      "Anna@example.org",         // other case: added
      "na@example.org",           // tail of a listed address: skipped
      "example.org\r\nAnna@ex",   // spans a line end: skipped
      "b@c",                      // short and new: added
  };
  std::string plain;
  corvane::IndexedAddressList indexed;
  for (const char* address : addresses) {
    BareRegistrar::AddAddress(address, plain);
    BareRegistrar::AddAddress(address, indexed);
    EXPECT_EQ(indexed.Text(), plain) << address;
  }
  EXPECT_EQ(plain, "anna@example.org\r\nAnna@example.org\r\nb@c\r\n");
  const std::string& written = indexed;  // what an import hands to the file writer
  EXPECT_EQ(written, plain);
}

}  // namespace
