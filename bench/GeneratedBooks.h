// Generated address books of the three scanned formats (Mork "abook.mab",
// Opera "contacts.adr", Eudora nickname files), for the scans' differential
// tests, benchmarks and fuzz seeds.
//
// Contract: the same arguments give the same bytes on every platform.  The
// Realistic* texts are laid out as the clients write them, with addresses
// from RealisticAddresses (repeats, tails, case variants, texts without
// "@"), and stop at the first record that would pass `bytes`.  Quirky*
// strings random pieces of each format together: delimiters in the wrong
// places, cut records, NUL bytes, bytes above 0x7F.
#ifndef CORVANE_TESTS_NATIVE_GENERATEDBOOKS_H
#define CORVANE_TESTS_NATIVE_GENERATEDBOOKS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/RealisticAddresses.h"

namespace corvane_test {

namespace detail {

inline std::string Hex(std::size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[n % 16]);
    n /= 16;
  } while (n != 0);
  return out;
}

// Cycles through a pool of addresses big enough to look real.
class Addresses {
 public:
  explicit Addresses(std::uint64_t seed) : pool_(RealisticAddresses(200000, seed)) {}
  const std::string& Next() { return pool_[next_++ % pool_.size()]; }

 private:
  std::vector<std::string> pool_;
  std::size_t next_ = 0;
};

inline std::string Pieces(const std::vector<std::string>& pieces, std::size_t count,
                          std::uint64_t seed) {
  Random random(seed);
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += pieces[random.Below(pieces.size())];
  return text;
}

}  // namespace detail

inline std::string RealisticMork(std::size_t bytes, std::uint64_t seed) {
  detail::Addresses addresses(seed);
  Random random(seed + 1);
  std::string text =
      "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n"
      "< <(a=c)> // (f=iso-8859-1)\n"
      "  (B8=LastModifiedDate)(B9=PrimaryEmail)(BA=LowercasePrimaryEmail)\n"
      "  (BB=PopularityIndex)(BC=DisplayName)(BD=FirstName)(BE=LastName)>\n";
  std::size_t cell = 0x80;
  for (std::size_t row = 1; text.size() < bytes; ++row) {
    const std::string& address = addresses.Next();
    std::string lower = address;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    const std::size_t first = cell;
    cell += 4;
    std::string dictionary = "<(" + detail::Hex(first) + "=" + address + ")(" +
                             detail::Hex(first + 1) + "=" + lower + ")(" + detail::Hex(first + 2) +
                             "=Name " + std::to_string(row) + ")(" + detail::Hex(first + 3) + "=" +
                             std::to_string(1000000000 + random.Below(100000000)) + ")>\n";
    std::string record = "[" + detail::Hex(row) + "(^B9^" + detail::Hex(first) + ")(^BA^" +
                         detail::Hex(first + 1) + ")(^BC^" + detail::Hex(first + 2) + ")(^B8^" +
                         detail::Hex(first + 3) + ")(^BB=" + std::to_string(random.Below(10)) +
                         ")]\n";
    text += dictionary + record;
  }
  return text;
}

inline std::string RealisticOperaContacts(std::size_t bytes, std::uint64_t seed) {
  detail::Addresses addresses(seed);
  Random random(seed + 1);
  std::string text = "Opera Hotlist version 2.0\r\nOptions: encoding = utf8, version=3\r\n\r\n";
  for (std::size_t id = 1; text.size() < bytes; ++id) {
    std::string mail = addresses.Next();
    if (random.Percent(10)) mail += "\x02" + addresses.Next();
    text += "#CONTACT\r\n\tID=" + std::to_string(id) + "\r\n\tNAME=Contact " +
            std::to_string(id) + "\r\n\tCREATED=" +
            std::to_string(1000000000 + random.Below(100000000)) + "\r\n\tMAIL=" + mail +
            "\r\n\tICON=Contact0\r\n\r\n";
    if (random.Percent(5)) text += "#FOLDER\r\n\tID=" + std::to_string(id) + "\r\n\tNAME=Group\r\n\r\n";
  }
  return text;
}

inline std::string RealisticNicknames(std::size_t bytes, std::uint64_t seed) {
  detail::Addresses addresses(seed);
  Random random(seed + 1);
  std::string text;
  for (std::size_t n = 1; text.size() < bytes; ++n) {
    const std::string nick = "nick" + std::to_string(n);
    std::string address = addresses.Next();
    if (random.Percent(10)) address += "," + addresses.Next() + "," + addresses.Next();
    text += "alias " + nick + " " + address + "\r\n";
    text += "note " + nick + " <name:Person " + std::to_string(n) + "><first:Person><phone:" +
            std::to_string(random.Below(1000000)) + ">\r\n";
  }
  return text;
}

inline std::string QuirkyMork(std::size_t pieces, std::uint64_t seed) {
  return detail::Pieces({"(", ")", "=", ".", "@", "a", "b.c@d.e", "x.y", "$", "{", "}", "<",
                         ">", "\n", " ", std::string(1, '\0'), "\xff", "(81=a@b.c)", "=.)",
                         "(^80^81)", "[1(^B9=c@d.org)]"},
                        pieces, seed);
}

inline std::string QuirkyOperaContacts(std::size_t pieces, std::uint64_t seed) {
  return detail::Pieces({"MAIL=", "mail=", "EMAIL=", "MaIl=", "MAIL", "=", "'", "\r", "\n",
                         "\r\n", "\x02", "a@b.c", "x", " ", "\t", std::string(1, '\0'), "\xe9",
                         "#CONTACT\r\n", "\tMAIL=c@d.org\r\n"},
                        pieces, seed);
}

inline std::string QuirkyNicknames(std::size_t pieces, std::uint64_t seed) {
  return detail::Pieces({"alias", "ALIAS", "Alias ", "alia", " ", "\t", "\r", "\n", "\r\n",
                         "'", ",", "a@b.c", "nick", "x", "\v", std::string(1, '\0'), "\xa0",
                         "alias n a@b.c\r\n", "note n <name:x>\r\n", "alias\tn\tc@d.org,e@f.org"},
                        pieces, seed);
}

}  // namespace corvane_test

#endif  // CORVANE_TESTS_NATIVE_GENERATEDBOOKS_H
