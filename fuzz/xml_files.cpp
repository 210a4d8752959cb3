// The Windows Mail account-file and contact-file readers on any bytes:
// nothing read outside the text (ASan); both address lists get the same
// contact addresses; a value written into an account file's element is what
// reading the element gives next, and a file without it stays as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Config/parsers/ContactFile.h"
#include "Config/parsers/OeAccount.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string plain;
  corvane::IndexedAddressList indexed;
  corvane::ReadContactAddresses(text, corvane::IntoList(plain));
  corvane::ReadContactAddresses(text, corvane::IntoList(indexed));
  if (indexed.Text() != plain) std::abort();

  for (const char* name : {"POP3_Server", "IMAP_User_Name"}) {
    std::string bytes = text, before, after;
    const bool found = corvane::ReadOeAccountValue(bytes, name, before);
    if (!corvane::WriteOeAccountValue(bytes, name, "user@pop.example")) {
      if (found || bytes != text) std::abort();
      continue;
    }
    if (!corvane::ReadOeAccountValue(bytes, name, after) || after != "user@pop.example") std::abort();
  }
  return 0;
}
