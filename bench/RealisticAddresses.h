// Generated address books that look like real ones, for the address list's
// differential tests and benchmarks.
//
// Contract: RealisticAddresses(count, seed) returns `count` addresses, the
// same for the same seed on every platform (own generator, no
// std::distribution).  About 70 % are new addresses (name parts joined by
// ".", "_" or nothing, sometimes digits, a domain from a few thousand, mixed
// case now and then); the rest repeat an earlier address exactly (15 %), in
// other case (5 %), as its tail (5 %: "smith@x.org" after "john.smith@x.org"),
// or are texts without "@" (5 %).
#ifndef CORVANE_TESTS_NATIVE_REALISTICADDRESSES_H
#define CORVANE_TESTS_NATIVE_REALISTICADDRESSES_H

#include <cstdint>
#include <string>
#include <vector>

namespace corvane_test {

// A small deterministic generator (splitmix64).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 <= result < bound (bound > 0).
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }
  bool Percent(unsigned percent) { return Below(100) < percent; }

 private:
  std::uint64_t state_;
};

inline std::string Word(Random& random, std::size_t syllables) {
  static const char* const kParts[] = {
      "an", "be", "car", "da", "el", "fi", "go", "han", "is", "jo", "ka", "li", "ma",
      "ne", "or", "pe", "qui", "ro", "sa", "te", "ul", "vi", "wa", "xe", "ya", "zo",
      "mar", "ten", "son", "ber", "ger", "ley", "ton", "man", "ric", "hel", "ann", "eth"};
  std::string word;
  for (std::size_t i = 0; i < syllables; ++i)
    word += kParts[random.Below(sizeof kParts / sizeof kParts[0])];
  return word;
}

inline std::string MixCase(Random& random, std::string text) {
  const std::size_t kind = random.Below(3);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char& c = text[i];
    if (c < 'a' || c > 'z') continue;
    if (kind == 0 || (kind == 1 && (i == 0 || text[i - 1] == '.')) ||
        (kind == 2 && random.Percent(30)))
      c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

inline std::string Domain(Random& random) {
  static const char* const kTops[] = {".com", ".org", ".net", ".de", ".co.uk", ".fr", ".info"};
  if (random.Percent(30)) {
    static const char* const kCommon[] = {"mail.com", "example.org", "post.net", "web.de"};
    return kCommon[random.Below(4)];
  }
  Random domains(random.Below(3000) + 17);  // a few thousand distinct domains
  std::string domain = Word(domains, 2 + domains.Below(2));
  if (domains.Percent(20)) domain = Word(domains, 1) + "." + domain;
  return domain + kTops[domains.Below(sizeof kTops / sizeof kTops[0])];
}

inline std::vector<std::string> RealisticAddresses(std::size_t count, std::uint64_t seed) {
  Random random(seed);
  std::vector<std::string> addresses;
  addresses.reserve(count);
  static const char* const kJoins[] = {".", "_", "", "-"};
  while (addresses.size() < count) {
    const std::size_t roll = random.Below(100);
    if (!addresses.empty() && roll < 15) {
      addresses.push_back(addresses[random.Below(addresses.size())]);
    } else if (!addresses.empty() && roll < 20) {
      addresses.push_back(MixCase(random, addresses[random.Below(addresses.size())]));
    } else if (!addresses.empty() && roll < 25) {
      const std::string& earlier = addresses[random.Below(addresses.size())];
      const std::size_t at = earlier.find('@');
      const std::size_t cut = at == std::string::npos || at == 0 ? 0 : random.Below(at);
      addresses.push_back(earlier.substr(cut));
    } else if (roll < 30) {
      addresses.push_back(Word(random, 2) + " " + Word(random, 3));
    } else {
      std::string local = Word(random, 1 + random.Below(3));
      if (random.Percent(70)) local += kJoins[random.Below(4)] + Word(random, 2 + random.Below(2));
      if (random.Percent(25)) local += std::to_string(random.Below(2000));
      std::string address = local + "@" + Domain(random);
      if (random.Percent(15)) address = MixCase(random, address);
      addresses.push_back(address);
    }
  }
  return addresses;
}

}  // namespace corvane_test

#endif  // CORVANE_TESTS_NATIVE_REALISTICADDRESSES_H
