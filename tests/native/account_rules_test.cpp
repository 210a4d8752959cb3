// The shared account rules and the address list, as tables of behaviour.
#include <gtest/gtest.h>

#include "support/text/AccountRules.h"
#include "support/text/AddressList.h"

namespace {

struct ConfigureRow {
  const char* server;
  const char* proxy;
  bool expected;
};

TEST(CanConfigure, Table) {
  const ConfigureRow rows[] = {
      {"pop.example.com", "127.0.0.1", true},
      {"localhost", "127.0.0.1", false},
      {"LOCALHOST", "127.0.0.1", false},        // lowered before the test
      {"mail.LocalHost.net", "127.0.0.1", false},
      {"127.0.0.1", "127.0.0.1", false},         // already the proxy
      {"10.0.0.1", "0.0.1", false},              // proxy only a part of the server
      {"", "127.0.0.1", true},                   // empty server
      {"", "", false},                           // empty proxy is in every text
      {"POP.PROXY.NET", "proxy.net", false},     // server lowered, proxy compared as given
      {"pop.proxy.net", "PROXY.NET", true},      // the proxy itself is not lowered
  };
  for (const ConfigureRow& row : rows)
    EXPECT_EQ(corvane::CanConfigure("anyone", row.server, row.proxy), row.expected)
        << row.server << " / " << row.proxy;
}

struct RestoreRow {
  const char* user;
  const char* server;
  const char* proxy;
  bool expected;
};

TEST(CanRestore, Table) {
  const RestoreRow rows[] = {
      {"joe@pop.example.com", "127.0.0.1", "127.0.0.1", true},
      {"joe", "127.0.0.1", "127.0.0.1", false},                // no "@"
      {"joe@pop.example.com", "pop.example.com", "127.0.0.1", false},
      {"joe@x", "host-127.0.0.1-b", "127.0.0.1", true},         // substring
      {"joe@x", "PROXY", "proxy", false},                       // case-sensitive
  };
  for (const RestoreRow& row : rows)
    EXPECT_EQ(corvane::CanRestore(row.user, row.server, row.proxy), row.expected)
        << row.user << " / " << row.server;
}

struct RewriteRow {
  const char* user_before;
  const char* server_before;
  bool expected;
  const char* user_after;
  const char* server_after;
};

TEST(ConfigureAccount, AppendsServerToUserAndPutsProxy) {
  std::string user = "joe";
  std::string server = "pop.example.com";
  EXPECT_TRUE(corvane::ConfigureAccount("127.0.0.1", user, server));
  EXPECT_EQ(user, "joe@pop.example.com");
  EXPECT_EQ(server, "127.0.0.1");
  // A second application appends again: the callers guard with CanConfigure.
  EXPECT_TRUE(corvane::ConfigureAccount("127.0.0.1", user, server));
  EXPECT_EQ(user, "joe@pop.example.com@127.0.0.1");
}

TEST(RestoreAccount, Table) {
  const RewriteRow rows[] = {
      {"joe@pop.example.com", "127.0.0.1", true, "joe", "pop.example.com"},
      {"joe@home.net@pop.example.com", "127.0.0.1", true, "joe@home.net", "pop.example.com"},
      {"joe@", "127.0.0.1", true, "joe", ""},
      {"@pop", "127.0.0.1", true, "", "pop"},
      {"joe", "127.0.0.1", false, "joe", "127.0.0.1"},  // unchanged
  };
  for (const RewriteRow& row : rows) {
    std::string user = row.user_before;
    std::string server = row.server_before;
    EXPECT_EQ(corvane::RestoreAccount("unused", user, server), row.expected) << row.user_before;
    EXPECT_EQ(user, row.user_after);
    EXPECT_EQ(server, row.server_after);
  }
}

TEST(AddAddress, Table) {
  struct Step {
    const char* address;
    const char* list_after;
  };
  const Step steps[] = {
      {"no-at-sign", ""},
      {"ann@example.com", "ann@example.com\r\n"},
      {"ann@example.com", "ann@example.com\r\n"},                        // duplicate
      {"Ann@example.com", "ann@example.com\r\nAnn@example.com\r\n"},    // case kept
      {"n@example.com", "ann@example.com\r\nAnn@example.com\r\n"},      // tail of a listed one
      {"com\r\nAnn@", "ann@example.com\r\nAnn@example.com\r\n"},        // spans two lines
  };
  std::string list;
  for (const Step& step : steps) {
    corvane::AddAddress(step.address, list);
    EXPECT_EQ(list, step.list_after) << step.address;
  }
}

TEST(AddAddress, AnAddressAsLongAsTheListIsAlwaysAdded) {
  std::string list = "a@b\r\n";               // 5 bytes
  corvane::AddAddress("a@b\r\n", list);        // same length: added although it occurs
  EXPECT_EQ(list, "a@b\r\na@b\r\n\r\n");
}

}  // namespace
