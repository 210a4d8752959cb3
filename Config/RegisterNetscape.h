// RegisterNetscape: the registrar of Netscape and Mozilla mail.
//
// Contract: every "prefs.js" below the user's Mozilla folder (Application
// Data\Mozilla) is read whole; its POP3 and IMAP accounts are re-pointed at
// the proxy (Configure) or back at their servers (Restore) by replacing
// their hostname/userName/realhostname/realuserName preference lines in the
// text, and the text goes back through ReplaceWholeFile, so a file is either
// rewritten completely or keeps its old bytes.  The result code is set per
// file (255 written, 5 not writable, 1 nothing to change) and the last file
// decides it; an unreadable file ends the operation with severity 4.
// ImportWhiteList exports the addresses of every "abook.mab" found there.
#ifndef CORVANE_CONFIG_REGISTERNETSCAPE_H
#define CORVANE_CONFIG_REGISTERNETSCAPE_H

#include <string>
#include <vector>

#include "Config/AccountView.h"
#include "Config/Register.h"
#include "Config/parsers/NetscapePrefs.h"

class RegisterNetscape : public Register {
 public:
  RegisterNetscape() {}
  ~RegisterNetscape() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;

  virtual bool ConfigurePreferenceFiles(const std::string& proxy,
                                        const std::vector<std::string>& files);
  virtual bool RestorePreferenceFiles(const std::string& proxy,
                                      const std::vector<std::string>& files);

  // The POP3 and IMAP accounts of every preference file, as Configure finds
  // them (user name and server as stored in userName and hostname).  Reads
  // only; a file that cannot be read is left out; never raises.
  AccountViews ListAccounts();

 protected:
  // Every file named `name` in the client's profiles, appended: here every
  // one below Application Data\Mozilla.  The preference files, the address
  // books and ListAccounts all come from it.
  virtual void FindProfileFiles(const std::string& name, std::vector<std::string>& files) const;
  // Adds the candidates of the Mork address book at `path` to the list;
  // raises (severity 1) when the book cannot be opened or read to its end.
  static void ScanMorkBook(const std::string& path, corvane::IndexedAddressList& list);

 private:
  static void ReadPreferenceFile(const std::string& path, corvane::MailServerList& servers);
  bool ConfigureServers(corvane::MailServerList& servers, const std::string& proxy) const;
  bool RestoreServers(corvane::MailServerList& servers, const std::string& proxy) const;
  static bool WritePreferenceFile(const std::string& path,
                                  const corvane::MailServerList& servers);
  bool RewritePreferenceFiles(const std::string& proxy, const std::vector<std::string>& files,
                              bool configure);
};

#endif  // CORVANE_CONFIG_REGISTERNETSCAPE_H
