// RegisterOutlook: the registrar of Outlook 97, 98, 2000, 2002 and 2003.
//
// Contract: Configure and Restore walk the Outlook versions oldest first and
// stop after the first version whose accounts were changed; the result code
// stays 255 whatever happens to the accounts, and nothing is thrown.  97, 98
// and 2000 keep each account as a sub key of an account manager key with
// string values; 2002 and 2003 keep them below every messaging profile, in
// the section "9375CFF0413111d3B88A00104B2A6676", as UTF-16 binary values.
// ImportWhiteList writes the MAPI personal address book's addresses; MAPI is
// bound at run time, so a system without it gets result 2 and an empty file.
#ifndef CORVANE_CONFIG_REGISTEROUTLOOK_H
#define CORVANE_CONFIG_REGISTEROUTLOOK_H

#include <string>
#include <vector>

#include "Config/AccountView.h"
#include "Config/Register.h"

class RegistryKey;

class RegisterOutlook : public Register {
 public:
  RegisterOutlook() {}
  ~RegisterOutlook() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;

  // Every mail account of every layout key that Configure may scan, in scan
  // order (a key scanned twice is listed once); reads only, never throws.
  AccountViews ListAccounts() const;

  // Where one layout keeps the values of an account.
  struct Layout {
    const char* pop3_user;  // "POP3 User Name" or "POP3 User"
    bool binary;            // UTF-16 REG_BINARY values instead of strings
  };

 protected:
  using KeyList = std::vector<std::string>;

  // The profile layout, for the registrars of later Outlook versions that
  // keep it under other keys.  AddProfileAccountKeys appends the account
  // keys of every profile below `profiles`; ConfigureProfileAccounts and
  // RestoreProfileAccounts run the per-account routine on each key, logging
  // as the 2002/2003 scans do, and answer whether an account was changed;
  // ListProfileAccounts appends what the keys hold.
  static void AddProfileAccountKeys(const std::string& profiles, KeyList& keys);
  bool ConfigureProfileAccounts(const KeyList& keys, const std::string& proxy);
  bool RestoreProfileAccounts(const KeyList& keys, const std::string& proxy);
  static void ListProfileAccounts(const std::string& profiles, AccountViews& views);

  // Set when a write of an account value failed (Outlook itself does not
  // report it: the 97-2003 chain keeps 255).
  mutable bool write_failed_ = false;

 private:
  using Discovery = void (*)(const std::string& parent, KeyList& keys);
  using AccountRoutine = bool (RegisterOutlook::*)(const std::string& key,
                                                   const std::string& proxy) const;

  bool ConfigureOutlook97(const std::string& proxy);
  bool ConfigureOutlook98(const std::string& proxy);
  bool ConfigureOutlook2000(const std::string& proxy);
  bool ConfigureOutlook2002(const std::string& proxy);
  bool ConfigureOutlook2003(const std::string& proxy);
  bool RestoreOutlook97(const std::string& proxy);
  bool RestoreOutlook98(const std::string& proxy);
  bool RestoreOutlook2000(const std::string& proxy);
  bool RestoreOutlook2002(const std::string& proxy);
  bool RestoreOutlook2003(const std::string& proxy);

  bool ConfigureAccountManager(const std::string& parent, const std::string& proxy);
  bool ConfigureMessagingProfiles(const std::string& profiles, const std::string& proxy);
  bool RestoreAccountManager(const std::string& parent, const std::string& proxy);
  bool RestoreMessagingProfiles(const std::string& profiles, const std::string& proxy);
  bool Scan(const std::string& parent, const std::string& proxy, Discovery discovery,
            AccountRoutine routine, const char* unchanged_line);
  bool ScanKeys(const KeyList& keys, const std::string& proxy, AccountRoutine routine,
                const char* unchanged_line);
  static void ListLayoutAccounts(const std::string& key, Discovery discovery,
                                 const Layout& layout, AccountViews& views);

  static void AddAccountKeys(const std::string& parent, KeyList& keys);

  bool UpdateAccountKey(const std::string& key, const std::string& proxy) const;
  bool UpdateProfileAccountKey(const std::string& key, const std::string& proxy) const;
  bool RevertAccountKey(const std::string& key, const std::string& proxy) const;
  bool RevertProfileAccountKey(const std::string& key, const std::string& proxy) const;
  bool UpdateAccount(const Layout& layout, const std::string& key,
                     const std::string& proxy) const;
  bool RevertAccount(const Layout& layout, const std::string& key,
                     const std::string& proxy) const;

  // The profiles key that the 2002 procedures take on this system.
  static std::string Outlook2002ProfilesKey();
};

#endif  // CORVANE_CONFIG_REGISTEROUTLOOK_H
