// prefs.js reading and rewriting: the one-pass reader and the one-copy
// rewrite against the literal methods.  Aborts when the records (every
// field) or the rewritten bytes differ.
//
// Input: byte 0 chooses configure (even) or restore (odd); the rest is the
// prefs.js text.  Texts on which the literal search gives up (the pattern
// facility's complexity limit) are not compared.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Config/parsers/NetscapePrefs.h"
#include "fuzz/Literal.h"
#include "support/text/AccountRules.h"
#include "support/BaseException.h"

namespace {

bool SameRecords(const corvane::MailServerList& a, const corvane::MailServerList& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const corvane::MailServerPrefs& x = a[i];
    const corvane::MailServerPrefs& y = b[i];
    if (x.server_number != y.server_number || x.hostname_line != y.hostname_line ||
        x.username_line != y.username_line || x.realhostname_line != y.realhostname_line ||
        x.realusername_line != y.realusername_line || x.type != y.type)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool configure = data[0] % 2 == 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  corvane::MailServerList literal;
  try {
    corvane::ReadServerListLiteral(text, literal);
  } catch (...) {
    return 0;
  }
  corvane::MailServerList fast;
  corvane::ReadServerList(text, fast);
  if (!SameRecords(fast, literal)) {
    std::fprintf(stderr, "records differ: %zu fast, %zu literal\n", fast.size(), literal.size());
    std::abort();
  }

  const corvane::AccountRewrite rules =
      configure ? corvane::AccountRewrite{corvane::CanConfigure, corvane::ConfigureAccount}
                : corvane::AccountRewrite{corvane::CanRestore, corvane::RestoreAccount};
  corvane::RewriteServers(literal, "127.0.0.1", rules);
  std::string by_literal = text, by_fast = text;
  corvane::ApplyRebuiltLinesLiteral(literal, by_literal);
  corvane::ApplyRebuiltLines(literal, by_fast);
  if (by_fast != by_literal) {
    std::fprintf(stderr, "rewritten texts differ\n");
    std::abort();
  }
  return 0;
}
