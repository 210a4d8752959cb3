// RegisterOpera: the registrar of Opera 6 and 7.
//
// Contract: Opera 7 keeps its incoming accounts in "Accounts.ini" files (one
// section "Account<i>" per account, i from 1 to [Accounts] Count), found below
// the user's Application Data folder "Opera" and below the installation
// folder named in the registry; Opera 6 keeps one account per "Account.ini"
// ([INCOMING] Address and Login), found below the folder of the registry
// value "Last Directory".  Configure and Restore rewrite POP and IMAP accounts
// key by key through the profile-string functions (no rollback), log every
// step, and raise "No Opera Account found on PC." (severity 4) when neither
// kind of file exists; they never change the result code.  ImportWhiteList
// writes the addresses of every "contacts.adr" to the caller's file, or an
// empty file and a result code on failure.  ListAccounts reads the accounts
// the same way Configure finds them, writes nothing and raises nothing.
#ifndef CORVANE_CONFIG_REGISTEROPERA_H
#define CORVANE_CONFIG_REGISTEROPERA_H

#include <string>
#include <vector>

#include "Config/AccountView.h"
#include "Config/Register.h"

class RegisterOpera : public Register {
 public:
  RegisterOpera() {}
  ~RegisterOpera() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;

  // Every Opera 7 account section and Opera 6 account file as stored now.
  AccountViews ListAccounts() const;

 private:
  // What one direction of the rewrite logs and does; Configure and Restore
  // share one walk over the files.
  struct Direction;
  static const Direction kConfiguring;
  static const Direction kRestoring;
  bool Rewrite(const Direction& direction, const std::string& proxy);

  void FindOpera7AccountFiles(std::vector<std::string>& files) const;
  void FindOpera6AccountFiles(std::vector<std::string>& files) const;
  static void GetOpera7Sections(const std::string& file, std::vector<std::string>& sections);

  bool ConfigureOpera7Files(const std::vector<std::string>& files, const std::string& proxy);
  bool RestoreOpera7Files(const std::vector<std::string>& files, const std::string& proxy);
  bool ConfigureOpera7Section(const std::string& file, const std::string& section,
                              const std::string& proxy);
  bool RestoreOpera7Section(const std::string& file, const std::string& section,
                            const std::string& proxy);
  bool ConfigureOpera6Files(const std::vector<std::string>& files, const std::string& proxy);
  bool RestoreOpera6Files(const std::vector<std::string>& files, const std::string& proxy);

  bool RewriteOpera7Files(const Direction& direction, const std::vector<std::string>& files,
                          const std::string& proxy);
  bool RewriteOpera7Section(const Direction& direction, const std::string& file,
                            const std::string& section, const std::string& proxy);
  bool RewriteOpera6Files(const Direction& direction, const std::vector<std::string>& files,
                          const std::string& proxy);

  void FindOperaContactFiles(std::vector<std::string>& files) const;
};

#endif  // CORVANE_CONFIG_REGISTEROPERA_H
