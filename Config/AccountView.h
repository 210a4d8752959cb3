// A read-only view of one incoming mail account as a registrar finds it:
// what support tools show when asked where a client is pointed now.
#ifndef CORVANE_CONFIG_ACCOUNTVIEW_H
#define CORVANE_CONFIG_ACCOUNTVIEW_H

#include <string>
#include <vector>

struct AccountView {
  std::string store;     // where the account lives: a registry key path, or file [+ section]
  std::string protocol;  // "POP3", "IMAP", ...
  std::string user;      // user name as stored
  std::string server;    // incoming server as stored
};

using AccountViews = std::vector<AccountView>;

#endif  // CORVANE_CONFIG_ACCOUNTVIEW_H
