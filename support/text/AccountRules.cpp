#include "support/text/AccountRules.h"

#include "support/text/PathMatch.h"

namespace corvane {

bool CanConfigure(const std::string& /*user*/, const std::string& server,
                  const std::string& proxy) {
  const std::string lowered = LowerAscii(server);
  if (lowered.find("localhost") != std::string::npos) return false;
  if (lowered.find(proxy) != std::string::npos) return false;
  return true;
}

bool CanRestore(const std::string& user, const std::string& server, const std::string& proxy) {
  if (user.find('@') == std::string::npos) return false;
  return server.find(proxy) != std::string::npos;
}

bool ConfigureAccount(const std::string& proxy, std::string& user, std::string& server) {
  user += "@";
  user += server;
  server = proxy;
  return true;
}

bool RestoreAccount(const std::string& /*proxy*/, std::string& user, std::string& server) {
  const std::string::size_type at = user.rfind('@');
  if (at == std::string::npos) return false;
  std::string new_server = user.substr(at + 1);
  user.erase(at);
  server.swap(new_server);
  return true;
}

}  // namespace corvane
