// RegisterOpera: the registrar of Opera.
#ifndef CORVANE_CONFIG_REGISTEROPERA_H
#define CORVANE_CONFIG_REGISTEROPERA_H

#include <string>

#include "Config/Register.h"

class RegisterOpera : public Register {
 public:
  RegisterOpera() {}
  ~RegisterOpera() override {}

  bool Configure(const std::string& proxy) override;
  bool Restore(const std::string& proxy) override;
  int ImportBlackList(const std::string& path) override;
  int ImportWhiteList(const std::string& path) override;
};

#endif  // CORVANE_CONFIG_REGISTEROPERA_H
