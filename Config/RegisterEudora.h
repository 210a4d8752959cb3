// RegisterEudora: the registrar of Eudora.
#ifndef CORVANE_CONFIG_REGISTEREUDORA_H
#define CORVANE_CONFIG_REGISTEREUDORA_H

#include <string>

#include "Config/Register.h"

class RegisterEudora : public Register {
 public:
  RegisterEudora() {}
  ~RegisterEudora() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;
};

#endif  // CORVANE_CONFIG_REGISTEREUDORA_H
