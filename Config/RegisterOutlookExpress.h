// RegisterOutlookExpress: the registrar of Outlook Express.
#ifndef CORVANE_CONFIG_REGISTEROUTLOOKEXPRESS_H
#define CORVANE_CONFIG_REGISTEROUTLOOKEXPRESS_H

#include <string>

#include "Config/Register.h"

class RegisterOutlookExpress : public Register {
 public:
  RegisterOutlookExpress() {}
  ~RegisterOutlookExpress() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;
};

#endif  // CORVANE_CONFIG_REGISTEROUTLOOKEXPRESS_H
