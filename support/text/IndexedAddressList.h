// An address list with an index over its text, so that adding an address
// costs about the address's length instead of the list's.
//
// Contract: Add follows the same rule as corvane::AddAddress and leaves the
// same bytes: an address without "@" is skipped; an address shorter than the
// list text that occurs in it anywhere (byte for byte, across line ends too)
// is skipped; any other address is appended followed by CR LF.  The answer is
// exact for every text, CR, LF and NUL bytes included.
//
// The index holds the 7-byte windows of the text that start at every second
// position (windows across line ends included): a bucket per hash value (the
// last entry, a count, and a 16-bit filter with one bit per window held)
// and, per entry, the previous entry of the same bucket.  An occurrence of a
// queried text holds indexed windows at either its even or its odd offsets,
// so a query takes, for each of the two classes of offsets, the window whose
// bucket is smallest and compares that bucket's candidates byte for byte; a
// window whose filter bit is clear rules its class out without a compare.
// Texts shorter than 8 bytes are searched plainly.
// Memory: 6 to 9 bytes per byte of list text, under 16 at any time
// (MemoryBytes tells).
#ifndef CORVANE_SUPPORT_TEXT_INDEXEDADDRESSLIST_H
#define CORVANE_SUPPORT_TEXT_INDEXEDADDRESSLIST_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

class IndexedAddressList {
 public:
  IndexedAddressList();
  IndexedAddressList(IndexedAddressList&&) = default;
  IndexedAddressList& operator=(IndexedAddressList&&) = default;

  // Appends address + CR LF unless the rule above skips it; true when added.
  bool Add(const std::string& address);

  // True when text occurs in the list text (the empty text always does).
  bool Contains(const char* text, std::size_t size) const;
  bool Contains(const std::string& text) const { return Contains(text.data(), text.size()); }

  const std::string& Text() const { return text_; }
  // Read-only use where a std::string list was used before (writing it out).
  operator const std::string&() const { return text_; }
  const char* data() const { return text_.data(); }
  const char* c_str() const { return text_.c_str(); }
  std::size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }

  // Bytes held by the text and the index (capacities, not sizes).
  // Inline, so that only the benchmarks that ask for it compile it in.
  std::size_t MemoryBytes() const;

  // Windows of kWindow bytes at every kStride-th position are indexed; texts
  // shorter than kShortest are searched plainly.
  static constexpr std::size_t kWindow = 7;
  static constexpr std::size_t kStride = 2;
  static constexpr std::size_t kShortest = kWindow + kStride - 1;

 private:
  void Append(const char* bytes, std::size_t size);
  void IndexWindowsFrom(std::size_t first);
  void Rebuild(unsigned bucket_bits);
  // The window's bucket, followed by the bits that choose its filter bit.
  std::size_t Slot(std::uint64_t window) const;
  std::uint64_t WindowAt(const char* at) const;
  std::uint32_t& Next(std::size_t position) const {
    return next_[position >> kBlockBits][position & ((std::size_t(1) << kBlockBits) - 1)];
  }

  struct Free {
    void operator()(void* memory) const { std::free(memory); }
  };
  static constexpr unsigned kBlockBits = 12;

  std::string text_;
  // Per bucket: the last entry + 1, the number of windows held and a 16-bit
  // filter of them, in one word (one memory access for all three).
  std::unique_ptr<std::uint64_t[], Free> bucket_;
  // Per indexed window: the previous entry + 1 in its bucket, in blocks that are
  // never moved or cleared.
  std::vector<std::unique_ptr<std::uint32_t[]>> next_;
  std::size_t entries_;  // windows indexed
  unsigned bucket_bits_;
  bool indexed_;  // false once the text outgrows 32-bit positions: plain search
};

inline std::size_t IndexedAddressList::MemoryBytes() const {
  std::size_t bytes = text_.capacity() + 1;
  if (bucket_) bytes += (std::size_t(1) << bucket_bits_) * sizeof(std::uint64_t);
  bytes += next_.capacity() * sizeof(next_[0]) +
           next_.size() * (std::size_t(1) << kBlockBits) * sizeof(std::uint32_t);
  return bytes;
}

}  // namespace corvane

#endif  // CORVANE_SUPPORT_TEXT_INDEXEDADDRESSLIST_H
