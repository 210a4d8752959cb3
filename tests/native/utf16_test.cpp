// The platform-free half of the binary registry strings.
#include <gtest/gtest.h>

#include "support/text/Utf16.h"

namespace {

TEST(NarrowUtf16Le, Table) {
  const struct {
    const char* what;
    std::string data;
    bool ok;
    std::string text;
  } rows[] = {
      {"terminated", std::string("a\0b\0\0\0", 6), true, "ab"},
      {"unterminated", std::string("a\0b\0", 4), true, "ab"},
      {"odd byte ignored", std::string("a\0b", 3), true, "a"},
      {"empty", std::string(), false, "kept"},
      {"zero unit first", std::string("\0\0a\0", 4), false, "kept"},
      {"unit 0x100 first", std::string("\0\x01" "a\0", 4), true, ""},
      {"unit 0x00FF kept", std::string("\xFF\0", 2), true, "\xFF"},
      {"stops before U+20AC", std::string("x\0\xAC\x20y\0", 6), true, "x"},
      {"text after zero unit ignored", std::string("x\0\0\0y\0", 6), true, "x"},
  };
  for (const auto& row : rows) {
    std::string text = "kept";
    EXPECT_EQ(corvane::NarrowUtf16Le(reinterpret_cast<const unsigned char*>(row.data.data()),
                                     row.data.size(), text),
              row.ok)
        << row.what;
    EXPECT_EQ(text, row.text) << row.what;
  }
}

TEST(PackUtf16LeWithTerminator, AddsOneZeroUnit) {
  EXPECT_EQ(corvane::PackUtf16LeWithTerminator({L'a', L'b', L'c'}),
            (std::vector<unsigned char>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
  EXPECT_EQ(corvane::PackUtf16LeWithTerminator({static_cast<wchar_t>(0x20AC)}),
            (std::vector<unsigned char>{0xAC, 0x20, 0, 0}));
}

}  // namespace
