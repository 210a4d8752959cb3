// RegisterOutlook: the registrar of Outlook.
#ifndef CORVANE_CONFIG_REGISTEROUTLOOK_H
#define CORVANE_CONFIG_REGISTEROUTLOOK_H

#include <string>

#include "Config/Register.h"

class RegisterOutlook : public Register {
 public:
  RegisterOutlook() {}
  ~RegisterOutlook() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;
};

#endif  // CORVANE_CONFIG_REGISTEROUTLOOK_H
