// RegisterEudora: the registrar of Eudora.
//
// Contract: Eudora keeps its incoming accounts ("personalities") in INI files
// named "Eudora.ini": the default one in section "Settings", every further
// one in the section that the keys "Persona0", "Persona1", ... of section
// "Personalities" name, up to the first missing or empty key.  The files are
// the user's own (Application Data\Qualcomm\Eudora, used only when it exists
// and is writable) followed by every one below the installation folder that
// HKLM "App Paths\Eudora.exe" names, not de-duplicated.  INI files are read
// and written key by key through the system's profile-string functions.
// The nickname export reads the "NNdbase.txt" files found the same way.
#ifndef CORVANE_CONFIG_REGISTEREUDORA_H
#define CORVANE_CONFIG_REGISTEREUDORA_H

#include <string>
#include <vector>

#include "Config/AccountView.h"
#include "Config/Register.h"

class RegisterEudora : public Register {
 public:
  RegisterEudora() {}
  ~RegisterEudora() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;

  // Every section that Configure would visit, with its login name and POP
  // server as stored; writes nothing and raises nothing.
  AccountViews ListAccounts() const;

 private:
  struct Messages;
  using SectionRewrite = bool (RegisterEudora::*)(const std::string& path,
                                                   const std::string& section,
                                                   const std::string& proxy) const;

  void FindIniFiles(const std::string& name, std::vector<std::string>& paths) const;
  bool ConfigureIniFiles(const std::string& proxy, const std::vector<std::string>& paths) const;
  bool RestoreIniFiles(const std::string& proxy, const std::vector<std::string>& paths) const;
  bool RewriteIniFiles(const std::string& proxy, const std::vector<std::string>& paths,
                       const Messages& messages, SectionRewrite rewrite) const;
  bool ConfigureSection(const std::string& path, const std::string& section,
                        const std::string& proxy) const;
  bool RestoreSection(const std::string& path, const std::string& section,
                      const std::string& proxy) const;
};

#endif  // CORVANE_CONFIG_REGISTEREUDORA_H
