// RegisterWindowsMail: the registrar of Windows Mail (Vista) and Windows Live
// Mail 2009-2012.
//
// Contract: the accounts are the *.oeaccount files (Config/parsers/OeAccount.h)
// anywhere below each client's store folder: the one its key's "Store Root"
// value names (HKCU "Software\Microsoft\Windows Mail", "...\Windows Live
// Mail"; environment variables filled in), where the user moved the store,
// and "Microsoft\Windows Mail", "Microsoft\Windows Live Mail" of the user's
// local Application Data folder (CSIDL_LOCAL_APPDATA), where it starts; a
// folder named twice (letter case, a trailing "\") is searched once.  Configure
// and Restore rewrite each file's POP3_Server/POP3_User_Name pair, or for a
// file without it IMAP_Server/IMAP_User_Name, with the account rules; every
// other byte stays as it was and a changed file is written back with
// ReplaceWholeFile.  No account file: "No Windows Mail accounts found." with
// severity 4.  A file that cannot be read is logged and passed over; one
// that cannot be written back makes the result 5.
// ImportWhiteList writes every e-mail address of the Windows Contacts files
// (*.contact, Config/parsers/ContactFile.h) anywhere below the user's
// Contacts folder: where the shell places it (SHGetKnownFolderPath, looked
// up at run time: the user may have moved it), else, on systems without
// that call, "Contacts" in the user's profile folder (CSIDL_PROFILE); no such
// folder gives an empty list.  A contact file that cannot be read makes the result 1
// ("Unable to open contact file." / "Unable to read contact file.") and the
// list empty.  The black list has no source: 0, nothing written.
#ifndef CORVANE_CONFIG_REGISTERWINDOWSMAIL_H
#define CORVANE_CONFIG_REGISTERWINDOWSMAIL_H

#include <string>
#include <vector>

#include "Config/AccountView.h"
#include "Config/Register.h"

class RegisterWindowsMail : public Register {
 public:
  RegisterWindowsMail() {}
  ~RegisterWindowsMail() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;

  // The POP3 or IMAP account of every account file; reads only, never throws.
  AccountViews ListAccounts() const;

 private:
  std::vector<std::string> StoreFolders() const;
  std::vector<std::string> AccountFiles() const;
  std::string ContactsFolder() const;
  bool Rewrite(const std::string& proxy, bool configure);
  bool RewriteFile(const std::string& path, const std::string& proxy, bool configure);
};

#endif  // CORVANE_CONFIG_REGISTERWINDOWSMAIL_H
