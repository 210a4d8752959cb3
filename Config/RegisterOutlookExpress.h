// RegisterOutlookExpress: the registrar of Outlook Express.
//
// Contract: the accounts live in the current user's registry only, first the
// accounts shared by all identities, then each identity's accounts, identity
// by identity; an account name found under several parents is handled once
// per parent.  An account's POP3 pair ("POP3 User Name", "POP3 Server") wins
// over its IMAP pair; only a pair read completely is rewritten, user name
// value first.  Configure and Restore raise "No Outlook Express Accounts
// found." (severity 4) when there is no account at all, and otherwise only
// log per-account problems.  The two imports never raise: ImportWhiteList
// answers the result code (2 when the Windows Address Book fails on the way),
// ImportBlackList answers 1, or 0 after an unexpected failure.  Both empty
// their output file first and log nothing.
#ifndef CORVANE_CONFIG_REGISTEROUTLOOKEXPRESS_H
#define CORVANE_CONFIG_REGISTEROUTLOOKEXPRESS_H

#include <string>
#include <vector>

#include "Config/AccountView.h"
#include "Config/Register.h"

class RegistryKey;

class RegisterOutlookExpress : public Register {
 public:
  RegisterOutlookExpress() {}
  ~RegisterOutlookExpress() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;

  // The incoming accounts in the order Configure visits them, each with the
  // pair Configure would rewrite.  Account keys without a complete POP3 or
  // IMAP pair (directory and news accounts) are left out.  Reads only; never
  // raises (an unexpected failure ends the list early).
  AccountViews ListAccounts() const noexcept;

 private:
  static std::vector<std::string> FindAccountKeys(const RegistryKey& registry);
  static void AddAccountKeys(const RegistryKey& registry, const std::string& parent,
                             std::vector<std::string>& keys);
  static void AddIdentityAccountKeys(const RegistryKey& registry, std::vector<std::string>& keys);
  bool ConfigureProfiles(const std::vector<std::string>& keys, const std::string& proxy);
  bool RestoreProfiles(const std::vector<std::string>& keys, const std::string& proxy);
  bool RewriteProfiles(bool configure, const std::vector<std::string>& keys,
                       const std::string& proxy);
  bool Run(bool configure, const std::string& proxy);
};

#endif  // CORVANE_CONFIG_REGISTEROUTLOOKEXPRESS_H
