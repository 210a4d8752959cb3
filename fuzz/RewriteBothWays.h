// The rewrite of prefs.js records for the differential checks (tests and
// fuzz target): the records are rewritten once, for configure or restore,
// and their rebuilt lines applied to the text by the literal method and by
// the one-copy rewrite.  Equal results are what the checks expect.
#ifndef CORVANE_TESTS_NATIVE_REWRITEBOTHWAYS_H
#define CORVANE_TESTS_NATIVE_REWRITEBOTHWAYS_H

#include <string>

#include "Config/parsers/NetscapePrefs.h"
#include "support/text/AccountRules.h"

namespace corvane_test {

struct RewrittenTexts {
  std::string literal;
  std::string fast;
};

// Rewrites `servers` (the records read from `text`) in place and answers
// `text` with their rebuilt lines applied both ways.
inline RewrittenTexts RewriteBothWays(corvane::MailServerList& servers, const std::string& text,
                                      bool configure) {
  const corvane::AccountRewrite rules =
      configure ? corvane::AccountRewrite{corvane::CanConfigure, corvane::ConfigureAccount}
                : corvane::AccountRewrite{corvane::CanRestore, corvane::RestoreAccount};
  corvane::RewriteServers(servers, "127.0.0.1", rules);
  RewrittenTexts texts{text, text};
  corvane::ApplyRebuiltLinesLiteral(servers, texts.literal);
  corvane::ApplyRebuiltLines(servers, texts.fast);
  return texts;
}

}  // namespace corvane_test

#endif  // CORVANE_TESTS_NATIVE_REWRITEBOTHWAYS_H
