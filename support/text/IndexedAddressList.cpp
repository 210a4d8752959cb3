#include "support/text/IndexedAddressList.h"

#include <cstring>
#include <limits>
#include <new>

namespace corvane {
namespace {

const unsigned kFirstBucketBits = 4;
// Positions are stored + 1 in 32 bits; past this the list searches plainly.
const std::size_t kIndexLimit = std::numeric_limits<std::uint32_t>::max() - 16;
// How many bucket addresses a query or an append computes ahead, so that
// their cache misses overlap.
const std::size_t kAhead = 64;
// A query looks at the windows of its text kQueryBatch at a time and stops
// once each class of offsets has a bucket of at most kFewCandidates.
const std::size_t kQueryBatch = 8;
const std::uint32_t kFewCandidates = 4;

// A bucket is one 64-bit word: bits 0-31 the last entry + 1 (0 when none),
// bits 32-47 the number of windows held (saturating), bits 48-63 a filter
// with one bit set per window held, chosen by four more bits of its hash.  A
// window whose filter bit is clear is not in the bucket at all.
inline std::uint32_t HeadOf(std::uint64_t bucket) { return static_cast<std::uint32_t>(bucket); }
inline std::uint32_t CountOf(std::uint64_t bucket) {
  return static_cast<std::uint32_t>((bucket >> 32) & 0xFFFFu);
}
// A slot is a window's bucket number followed by kFilterBits bits that pick
// its filter bit.
const unsigned kFilterBits = 4;
inline std::size_t BucketOf(std::size_t slot) { return slot >> kFilterBits; }
inline std::uint64_t FilterBit(std::size_t slot) {
  return std::uint64_t(1) << (48 + (slot & ((1u << kFilterBits) - 1)));
}
// Puts `entry` in front of the bucket's chain.
inline std::uint64_t Pushed(std::uint64_t bucket, std::size_t slot, std::size_t entry) {
  std::uint64_t count = (bucket >> 32) & 0xFFFFu;
  if (count != 0xFFFFu) ++count;
  return (bucket & 0xFFFF000000000000ull) | FilterBit(slot) | (count << 32) |
         static_cast<std::uint32_t>(entry + 1);
}

inline void Prefetch(const void* at) {
#if defined(__GNUC__)
  __builtin_prefetch(at);
#else
  (void)at;
#endif
}

}  // namespace

IndexedAddressList::IndexedAddressList()
    : entries_(0), bucket_bits_(kFirstBucketBits), indexed_(true) {
  Rebuild(kFirstBucketBits);
}

std::uint64_t IndexedAddressList::WindowAt(const char* at) const {
  std::uint64_t window = 0;
  std::memcpy(&window, at, kWindow);
  return window;
}

std::size_t IndexedAddressList::Slot(std::uint64_t window) const {
  const unsigned shift = 64 - bucket_bits_ - kFilterBits;
  return static_cast<std::size_t>((window * 0x9E3779B97F4A7C15ull) >> shift);
}

bool IndexedAddressList::Add(const std::string& address) {
  if (address.find('@') == std::string::npos) return false;
  if (address.size() < text_.size() && Contains(address)) return false;
  const std::size_t old_size = text_.size();
  Append(address.data(), address.size());
  Append("\r\n", 2);
  if (indexed_ && text_.size() > kIndexLimit) {
    indexed_ = false;
    bucket_.reset();
    std::vector<std::unique_ptr<std::uint32_t[]>>().swap(next_);
    entries_ = 0;
  }
  if (indexed_) IndexWindowsFrom(old_size >= kWindow ? old_size - kWindow + 1 : 0);
  return true;
}

void IndexedAddressList::Append(const char* bytes, std::size_t size) {
  text_.append(bytes, size);
}

void IndexedAddressList::IndexWindowsFrom(std::size_t first) {
  if (text_.size() < kWindow) return;
  // Only windows at multiples of kStride are indexed; entry e is position
  // e * kStride.
  const std::size_t entries = (text_.size() - kWindow) / kStride + 1;
  while ((next_.size() << kBlockBits) < entries)
    next_.emplace_back(new std::uint32_t[std::size_t(1) << kBlockBits]);
  entries_ = entries;
  // At most three windows per bucket on average, at least three quarters:
  // the table grows four-fold, so that it is rebuilt seldom.
  unsigned bits = bucket_bits_;
  while ((entries >> bits) >= 3) bits += 2;
  if (bits != bucket_bits_) {
    Rebuild(bits);
    return;
  }
  const char* text = text_.data();
  std::size_t ahead[kAhead];
  for (std::size_t start = (first + kStride - 1) / kStride; start < entries; start += kAhead) {
    const std::size_t end = entries - start < kAhead ? entries : start + kAhead;
    for (std::size_t entry = start; entry < end; ++entry) {
      ahead[entry - start] = Slot(WindowAt(text + entry * kStride));
      Prefetch(&bucket_[BucketOf(ahead[entry - start])]);
    }
    for (std::size_t entry = start; entry < end; ++entry) {
      const std::size_t slot = ahead[entry - start];
      std::uint64_t& bucket = bucket_[BucketOf(slot)];
      Next(entry) = HeadOf(bucket);
      bucket = Pushed(bucket, slot, entry);
    }
  }
}

void IndexedAddressList::Rebuild(unsigned bucket_bits) {
  bucket_bits_ = bucket_bits;
  // Cleared by writing, not taken zeroed from calloc: fresh zero pages that
  // are read before they are written fault twice (and flush the TLB).
  const std::size_t buckets = std::size_t(1) << bucket_bits;
  bucket_.reset(static_cast<std::uint64_t*>(std::malloc(buckets * sizeof(std::uint64_t))));
  if (!bucket_) throw std::bad_alloc();
  std::memset(bucket_.get(), 0, buckets * sizeof(std::uint64_t));
  if (entries_ != 0) IndexWindowsFrom(0);
}

bool IndexedAddressList::Contains(const char* text, std::size_t size) const {
  if (size == 0) return true;
  if (size > text_.size()) return false;
  if (!indexed_ || size < kShortest) return text_.find(text, 0, size) != std::string::npos;

  // An occurrence at s has indexed windows exactly at the offsets o of the
  // text with (s + o) a multiple of kStride: one class of offsets modulo
  // kStride, which holds at least one window since size >= kShortest.  Per
  // class, the rarest window's bucket lists every candidate of that class; a
  // class with an empty bucket has none.
  const std::size_t windows = size - kWindow + 1;
  std::size_t best_offset[kStride];
  std::uint64_t best_bucket[kStride];
  std::uint32_t best_count[kStride];
  for (std::size_t c = 0; c < kStride; ++c) best_count[c] = 0xFFFFFFFFu;
  // Windows are looked at a batch at a time; once every class has a bucket
  // of at most kFewCandidates, the rest would save little and is skipped.
  std::size_t ahead[kQueryBatch];
  for (std::size_t start = 0; start < windows; start += kQueryBatch) {
    if (start != 0) {
      std::uint32_t most = 0;
      for (std::size_t c = 0; c < kStride; ++c) most = best_count[c] > most ? best_count[c] : most;
      if (most <= kFewCandidates) break;
    }
    const std::size_t end = windows - start < kQueryBatch ? windows : start + kQueryBatch;
    for (std::size_t offset = start; offset < end; ++offset) {
      ahead[offset - start] = Slot(WindowAt(text + offset));
      Prefetch(&bucket_[BucketOf(ahead[offset - start])]);
    }
    for (std::size_t offset = start; offset < end; ++offset) {
      const std::size_t c = offset % kStride;
      if (best_count[c] == 0) continue;
      const std::size_t slot = ahead[offset - start];
      const std::uint64_t bucket = bucket_[BucketOf(slot)];
      if ((bucket & FilterBit(slot)) == 0) {
        best_count[c] = 0;  // the window occurs nowhere at this class
      } else if (CountOf(bucket) < best_count[c]) {
        best_count[c] = CountOf(bucket);
        best_offset[c] = offset;
        best_bucket[c] = bucket;
      }
    }
  }

  const char* list = text_.data();
  for (std::size_t c = 0; c < kStride; ++c) {
    if (best_count[c] == 0) continue;
    const std::size_t offset = best_offset[c];
    for (std::uint32_t link = HeadOf(best_bucket[c]); link != 0; link = Next(link - 1)) {
      const std::size_t position = (link - 1) * kStride;
      if (position < offset) continue;
      const std::size_t start = position - offset;
      if (start + size > text_.size()) continue;
      if (std::memcmp(list + start, text, size) == 0) return true;
    }
  }
  return false;
}

}  // namespace corvane
