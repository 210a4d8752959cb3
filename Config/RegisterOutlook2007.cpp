#include "Config/RegisterOutlook2007.h"

namespace {

const char kSourceFile[] = "Config\\RegisterOutlook2007";

const char* const kProfilesKeys[] = {
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles",
    "Software\\Microsoft\\Office\\15.0\\Outlook\\Profiles",
    "Software\\Microsoft\\Office\\16.0\\Outlook\\Profiles"};

void Log(const std::string& line) { ConfigLog::WriteLog(line); }

}  // namespace

RegisterOutlook2007::KeyList RegisterOutlook2007::AccountKeys(int line) {
  KeyList keys;
  for (const char* profiles : kProfilesKeys) AddProfileAccountKeys(profiles, keys);
  if (keys.empty())
    throw Tessaly::BaseException(kSourceFile, line, "No Outlook 2007 accounts found.", 4);
  return keys;
}

bool RegisterOutlook2007::Configure(const std::string& proxy) {
  Log("-------------- Configuring Outlook 2007 -----------------");
  const bool changed = ConfigureProfileAccounts(AccountKeys(__LINE__), proxy);
  if (write_failed_) SetResult(5);
  Log("-------- Configuring Outlook 2007 Completed --------------");
  return changed;
}

bool RegisterOutlook2007::Restore(const std::string& proxy) {
  Log("-------------- Restoring Outlook 2007 -----------------");
  const bool changed = RestoreProfileAccounts(AccountKeys(__LINE__), proxy);
  if (write_failed_) SetResult(5);
  Log("-------- Restoring Outlook 2007 Completed --------------");
  return changed;
}

AccountViews RegisterOutlook2007::ListAccounts() const {
  AccountViews views;
  try {
    for (const char* profiles : kProfilesKeys) ListProfileAccounts(profiles, views);
  } catch (...) {
  }
  return views;
}
