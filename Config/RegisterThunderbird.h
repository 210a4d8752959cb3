// RegisterThunderbird: the registrar of Thunderbird.
//
// Contract: the profiles are those that profiles.ini in Application
// Data\Thunderbird names (a section's Path, relative to that folder when its
// IsRelative is 1, else as it stands; "/" taken as a backslash) and every folder
// below Application Data\Thunderbird\Profiles but the add-ons' ("extensions"
// folders); a file of a profile is listed once, the named profiles first, in
// the order of the INI file.
// Their "prefs.js" files are rewritten exactly as RegisterNetscape rewrites
// Mozilla's (same rules, same result codes, same safe write-back); none at
// all raises "No Thunderbird profiles found." with severity 4.
// ImportWhiteList exports the addresses of the profiles' Mork books
// ("abook.mab" and the further books the user made, "abook-1.mab", ...;
// then "history.mab"; scanned as Netscape's) and SQLite books (the same
// names with ".sqlite": every card's PrimaryEmail and SecondEmail, see
// ThunderbirdBook), in that order; a book that cannot be opened or read
// ends the export with 1 and an empty list.
#ifndef CORVANE_CONFIG_REGISTERTHUNDERBIRD_H
#define CORVANE_CONFIG_REGISTERTHUNDERBIRD_H

#include <string>
#include <vector>

#include "Config/RegisterNetscape.h"

class RegisterThunderbird : public RegisterNetscape {
 public:
  RegisterThunderbird() {}
  ~RegisterThunderbird() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportWhiteList(const std::string& path) override;

 protected:
  // The profiles' files whose names match the ";"-separated patterns.
  void FindProfileFiles(const std::string& name, std::vector<std::string>& files) const override;

 private:
  // Every profile's prefs.js; raises "No Thunderbird profiles found." (4)
  // from `line` when there is none.
  std::vector<std::string> PreferenceFiles(int line) const;
  // The profile folders that profiles.ini names, in its order.
  std::vector<std::string> NamedProfiles(const std::string& root) const;
};

#endif  // CORVANE_CONFIG_REGISTERTHUNDERBIRD_H
