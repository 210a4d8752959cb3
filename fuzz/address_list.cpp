// The indexed address list against the straightforward one: aborts on the
// first step after which their bytes differ.
//
// Input: a sequence of steps.  A step's first byte B: length L = (B & 63);
// with B & 128 (and a non-empty list) the address is L + 1 bytes of the list
// itself from the offset in the next two bytes, and with B & 64 one more
// byte taken from the input is appended; otherwise the next L input bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/text/AddressList.h"
#include "support/text/IndexedAddressList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string reference;
  corvane::IndexedAddressList indexed;
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t step = data[at++];
    std::size_t length = step & 63u;
    std::string address;
    if ((step & 128u) && !reference.empty()) {
      std::size_t offset = 0;
      if (at < size) offset = data[at++];
      if (at < size) offset = offset * 256 + data[at++];
      address = reference.substr(offset % reference.size(), length + 1);
      if ((step & 64u) && at < size) address.push_back(static_cast<char>(data[at++]));
    } else {
      if (length > size - at) length = size - at;
      address.assign(reinterpret_cast<const char*>(data + at), length);
      at += length;
    }
    const std::size_t before = reference.size();
    corvane::AddAddress(address, reference);
    const bool added = indexed.Add(address);
    // Both lists only grow: equal sizes and equal appended bytes keep them equal.
    if (added != (reference.size() != before) || indexed.size() != reference.size() ||
        indexed.Text().compare(before, std::string::npos, reference, before,
                               std::string::npos) != 0) {
      std::fprintf(stderr, "indexed list differs after adding %zu bytes (reference %s)\n",
                   address.size(), reference.size() != before ? "added" : "skipped");
      std::abort();
    }
  }
  if (indexed.Text() != reference) std::abort();
  return 0;
}
