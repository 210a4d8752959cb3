// RegisterNetscape: the registrar of Netscape.
#ifndef CORVANE_CONFIG_REGISTERNETSCAPE_H
#define CORVANE_CONFIG_REGISTERNETSCAPE_H

#include <string>

#include "Config/Register.h"

class RegisterNetscape : public Register {
 public:
  RegisterNetscape() {}
  ~RegisterNetscape() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;
};

#endif  // CORVANE_CONFIG_REGISTERNETSCAPE_H
