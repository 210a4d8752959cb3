// RegisterOutlook2007: the registrar of Outlook 2007 and later (2010, 2013,
// 2016, 2019, 2021, 365).
//
// Contract: Configure and Restore go through every account of every
// messaging profile under the three profiles keys of these versions (the
// Windows Messaging Subsystem key of 2007 and 2010, Office 15.0 and 16.0),
// on any Windows version; they keep the profile layout of Outlook 2002/2003
// (section "9375CFF0413111d3B88A00104B2A6676", UTF-16 REG_BINARY values) and
// log as its scans do.  No account key under any of the three: "No Outlook
// 2007 accounts found." with severity 4.  A value that could not be written
// makes the result 5.  The address-book imports are Outlook's.
#ifndef CORVANE_CONFIG_REGISTEROUTLOOK2007_H
#define CORVANE_CONFIG_REGISTEROUTLOOK2007_H

#include <string>

#include "Config/RegisterOutlook.h"

class RegisterOutlook2007 : public RegisterOutlook {
 public:
  RegisterOutlook2007() {}
  ~RegisterOutlook2007() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;

  // Every account of the three profiles keys, in scan order; reads only,
  // never throws.
  AccountViews ListAccounts() const;

 private:
  // The account keys of every profile, in the order of the profiles keys;
  // raises the severity-4 exception when there is none.
  static KeyList AccountKeys(int line);
};

#endif  // CORVANE_CONFIG_REGISTEROUTLOOK2007_H
