#include "support/text/IndexedAddressList.h"

#include <cstring>
#include <limits>

namespace corvane {
namespace {

const unsigned kFirstBucketBits = 4;
const std::uint16_t kCountLimit = std::numeric_limits<std::uint16_t>::max();
// Positions are stored + 1 in 32 bits; past this the list searches plainly.
const std::size_t kIndexLimit = std::numeric_limits<std::uint32_t>::max() - 16;

}  // namespace

IndexedAddressList::IndexedAddressList() : bucket_bits_(kFirstBucketBits), indexed_(true) {
  head_.assign(std::size_t(1) << bucket_bits_, 0);
  count_.assign(std::size_t(1) << bucket_bits_, 0);
}

std::uint64_t IndexedAddressList::WindowAt(const char* at) const {
  std::uint64_t window;
  std::memcpy(&window, at, sizeof window);
  return window;
}

std::size_t IndexedAddressList::Bucket(std::uint64_t window) const {
  return static_cast<std::size_t>((window * 0x9E3779B97F4A7C15ull) >> (64 - bucket_bits_));
}

bool IndexedAddressList::Add(const std::string& address) {
  if (address.find('@') == std::string::npos) return false;
  if (address.size() < text_.size() && Contains(address)) return false;
  const std::size_t old_size = text_.size();
  Append(address.data(), address.size());
  Append("\r\n", 2);
  if (indexed_ && text_.size() > kIndexLimit) {
    indexed_ = false;
    std::vector<std::uint32_t>().swap(head_);
    std::vector<std::uint16_t>().swap(count_);
    std::vector<std::uint32_t>().swap(next_);
  }
  if (indexed_) IndexWindowsFrom(old_size >= kWindow ? old_size - kWindow + 1 : 0);
  return true;
}

void IndexedAddressList::Append(const char* bytes, std::size_t size) {
  // Grow by half rather than doubling, to keep the memory bound.
  const std::size_t needed = text_.size() + size;
  if (needed > text_.capacity()) text_.reserve(needed + needed / 2);
  text_.append(bytes, size);
}

void IndexedAddressList::IndexWindowsFrom(std::size_t first) {
  if (text_.size() < kWindow) return;
  const std::size_t windows = text_.size() - kWindow + 1;
  // Keep at most two windows per bucket on average.
  unsigned bits = bucket_bits_;
  while ((windows >> bits) > 2) ++bits;
  if (bits != bucket_bits_) {
    if (windows > next_.capacity()) next_.reserve(windows + windows / 2);
    next_.resize(windows);
    Rebuild(bits);
    return;
  }
  if (windows > next_.capacity()) next_.reserve(windows + windows / 2);
  next_.resize(windows);
  for (std::size_t position = first; position < windows; ++position) {
    const std::size_t bucket = Bucket(WindowAt(text_.data() + position));
    next_[position] = head_[bucket];
    head_[bucket] = static_cast<std::uint32_t>(position + 1);
    if (count_[bucket] != kCountLimit) ++count_[bucket];
  }
}

void IndexedAddressList::Rebuild(unsigned bucket_bits) {
  bucket_bits_ = bucket_bits;
  std::vector<std::uint32_t>(std::size_t(1) << bucket_bits, 0).swap(head_);
  std::vector<std::uint16_t>(std::size_t(1) << bucket_bits, 0).swap(count_);
  for (std::size_t position = 0; position < next_.size(); ++position) {
    const std::size_t bucket = Bucket(WindowAt(text_.data() + position));
    next_[position] = head_[bucket];
    head_[bucket] = static_cast<std::uint32_t>(position + 1);
    if (count_[bucket] != kCountLimit) ++count_[bucket];
  }
}

bool IndexedAddressList::Contains(const char* text, std::size_t size) const {
  if (size == 0) return true;
  if (size > text_.size()) return false;
  if (!indexed_ || size < kWindow)
    return text_.find(text, 0, size) != std::string::npos;

  // The rarest window of the text: every occurrence of the text puts that
  // window into its bucket, at the same offset.
  std::size_t best_offset = 0;
  std::size_t best_bucket = 0;
  std::uint16_t best_count = kCountLimit;
  bool first = true;
  for (std::size_t offset = 0; offset + kWindow <= size; ++offset) {
    const std::size_t bucket = Bucket(WindowAt(text + offset));
    const std::uint16_t count = count_[bucket];
    if (count == 0) return false;
    if (first || count < best_count) {
      first = false;
      best_count = count;
      best_offset = offset;
      best_bucket = bucket;
      if (count == 1) break;
    }
  }

  const std::uint64_t window = WindowAt(text + best_offset);
  const char* list = text_.data();
  for (std::uint32_t link = head_[best_bucket]; link != 0; link = next_[link - 1]) {
    const std::size_t position = link - 1;
    if (position < best_offset) continue;
    const std::size_t start = position - best_offset;
    if (start + size > text_.size()) continue;
    if (WindowAt(list + position) != window) continue;
    if (std::memcmp(list + start, text, size) == 0) return true;
  }
  return false;
}

std::size_t IndexedAddressList::MemoryBytes() const {
  return text_.capacity() + 1 + head_.capacity() * sizeof(std::uint32_t) +
         count_.capacity() * sizeof(std::uint16_t) + next_.capacity() * sizeof(std::uint32_t);
}

}  // namespace corvane
