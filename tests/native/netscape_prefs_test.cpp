// Netscape/Mozilla preference rewriting on prefs.js texts, as tables of
// behaviour: which accounts are found, how their lines are rebuilt, and
// that every byte outside the rewritten preferences stays as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Config/parsers/NetscapePrefs.h"
#include "support/BaseException.h"
#include "support/text/AccountRules.h"

namespace {

using corvane::MailServerList;

std::string ReadFixture(const std::string& name) {
  std::ifstream in(std::string(CORVANE_FIXTURES_DIR) + "/netscape/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

corvane::AccountRewrite ConfigureRules() {
  return {corvane::CanConfigure, corvane::ConfigureAccount};
}
corvane::AccountRewrite RestoreRules() { return {corvane::CanRestore, corvane::RestoreAccount}; }

// The whole rewrite of one text in memory, as the registrar runs it:
// read, rewrite, apply.  Answers whether anything was rebuilt.
bool Rewrite(std::string& text, bool configure, const std::string& proxy = "127.0.0.1") {
  MailServerList servers;
  corvane::ReadServerList(text, servers);
  const bool changed =
      corvane::RewriteServers(servers, proxy, configure ? ConfigureRules() : RestoreRules());
  corvane::ApplyRebuiltLines(servers, text);
  return changed;
}

// `text` with the first `from` replaced by `to`; fails the test when absent.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::string::size_type at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(NetscapeRealPrefs, Pop3AccountRoundTripChangesOnlyItsTwoPreferences) {
  const std::string original = ReadFixture("mailnewsTestPrefs.js");
  ASSERT_FALSE(original.empty());
  std::string text = original;
  EXPECT_TRUE(Rewrite(text, true));
  std::string expected =
      Replaced(original, "user_pref(\"mail.server.server2.hostname\", \"tinderbox\"",
               "user_pref(\"mail.server.server2.hostname\", \"127.0.0.1\"");
  expected = Replaced(expected, "user_pref(\"mail.server.server2.userName\", \"tinderbox\"",
                      "user_pref(\"mail.server.server2.userName\", \"tinderbox@tinderbox\"");
  EXPECT_EQ(text, expected);  // the Local Folders account ("none") is not touched
  EXPECT_TRUE(Rewrite(text, false));
  EXPECT_EQ(text, original);
}

TEST(NetscapeRealPrefs, RealHostnameIsTheServerAndBothHostPreferencesAreRewritten) {
  const std::string original = ReadFixture("comm-central_prefs.js");
  ASSERT_FALSE(original.empty());
  std::string text = original;
  EXPECT_TRUE(Rewrite(text, true));
  std::string expected = Replaced(original, "server2.hostname\", \"imap.gmail.com\"",
                                  "server2.hostname\", \"127.0.0.1\"");
  expected = Replaced(expected, "server2.realhostname\", \"imap.googlemail.com\"",
                      "server2.realhostname\", \"127.0.0.1\"");
  expected = Replaced(expected, "server2.userName\", \"blaketestwinton\"",
                      "server2.userName\", \"blaketestwinton@imap.googlemail.com\"");
  EXPECT_EQ(text, expected);
  EXPECT_TRUE(Rewrite(text, false));
  // Restored from the user name: the former hostname value is lost.
  expected = Replaced(original, "server2.hostname\", \"imap.gmail.com\"",
                      "server2.hostname\", \"imap.googlemail.com\"");
  EXPECT_EQ(text, expected);
}

// Which hostname preferences of a text become records.
struct ReadRow {
  const char* what;
  std::string text;
  const char* numbers;  // server numbers of the records, in order
};

TEST(NetscapeReadServerList, Table) {
  const std::string pop2 = "user_pref(\"mail.server.server2.type\", \"pop3\");\n";
  const ReadRow rows[] = {
      {"pop3 and imap accounts in file order",
       "user_pref(\"mail.server.server7.hostname\", \"b\");\n"
       "user_pref(\"mail.server.server2.hostname\", \"a\");\n"
       "user_pref(\"mail.server.server7.type\", \"imap\");\n" + pop2,
       "7,2"},
      {"news, local folders and movemail are ignored",
       "user_pref(\"mail.server.server1.hostname\", \"news.example\");\n"
       "user_pref(\"mail.server.server1.type\", \"nntp\");\n"
       "user_pref(\"mail.server.server3.hostname\", \"Local Folders\");\n"
       "user_pref(\"mail.server.server3.type\", \"none\");\n"
       "user_pref(\"mail.server.server4.hostname\", \"x\");\n"
       "user_pref(\"mail.server.server4.type\", \"movemail\");\n",
       ""},
      {"the type value is compared case-sensitively",
       "user_pref(\"mail.server.server2.hostname\", \"a\");\n"
       "user_pref(\"mail.server.server2.type\", \"POP3\");\n",
       ""},
      {"the type preference name is matched ignoring case",
       "user_pref(\"mail.server.server2.hostname\", \"a\");\n"
       "user_pref(\"MAIL.SERVER.SERVER2.TYPE\", \"pop3\");\n",
       "2"},
      {"a type preference that occurs twice",
       "user_pref(\"mail.server.server2.hostname\", \"a\");\n" + pop2 + pop2, ""},
      {"no type preference", "user_pref(\"mail.server.server2.hostname\", \"a\");\n", ""},
      {"hostname key in other letter case: matched, refused by the scan",
       "user_pref(\"Mail.Server.Server2.hostname\", \"a\");\n" + pop2, ""},
      {"hostname name in other letter case after the number is accepted",
       "user_pref(\"mail.server.server2.HostName\", \"a\");\n" + pop2, "2"},
      {"an empty hostname value is no hostname preference",
       "user_pref(\"mail.server.server2.hostname\", \"\");\n" + pop2, ""},
      {"blanks after the comma, none, a tab",
       "user_pref(\"mail.server.server2.hostname\",\"a\");\n"
       "user_pref(\"mail.server.server3.hostname\",\t \"b\");\n"
       "user_pref(\"mail.server.server3.type\",\"imap\");\n" + pop2,
       "2,3"},
      {"hostname after a NUL byte is not searched",
       "user_pref(\"mail.server.server3.type\", \"imap\");\n" + std::string(1, '\0') +
           "user_pref(\"mail.server.server3.hostname\", \"b\");\n",
       ""},
      {"type after a NUL byte is still found",
       "user_pref(\"mail.server.server3.hostname\", \"b\");\n" +
           std::string("\0", 1) + "user_pref(\"mail.server.server3.type\", \"imap\");\n",
       "3"},
      {"server10 does not lend its type to server1",
       "user_pref(\"mail.server.server1.hostname\", \"a\");\n"
       "user_pref(\"mail.server.server10.type\", \"pop3\");\n",
       ""},
  };
  for (const ReadRow& row : rows) {
    MailServerList servers;
    corvane::ReadServerList(row.text, servers);
    std::string numbers;
    for (const corvane::MailServerPrefs& record : servers)
      numbers += (numbers.empty() ? "" : ",") + std::to_string(record.server_number);
    EXPECT_EQ(numbers, row.numbers) << row.what;
  }
}

// One text before and after a Configure (proxy 127.0.0.1) or Restore.
struct RewriteRow {
  const char* what;
  bool configure;
  bool changed;
  std::string before;
  std::string after;
};

TEST(NetscapeRewrite, Table) {
  const std::string pop2 = "user_pref(\"mail.server.server2.type\", \"pop3\");\n";
  const std::string pop3 = "user_pref(\"mail.server.server3.type\", \"pop3\");\n";
  const RewriteRow rows[] = {
      {"an account without userName stays, the other is rewritten", true, true,
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server3.hostname\", \"pop.b\");\n" + pop3 +
           "user_pref(\"mail.server.server3.userName\", \"bob\");\n",
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server3.hostname\", \"127.0.0.1\");\n" + pop3 +
           "user_pref(\"mail.server.server3.userName\", \"bob@pop.b\");\n"},
      {"no account has a user name", true, false,
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2,
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2},
      {"realuserName is the user name and is rewritten too", true, true,
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"old\");\n"
           "user_pref(\"mail.server.server2.realuserName\", \"ann\");\n",
       "user_pref(\"mail.server.server2.hostname\", \"127.0.0.1\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"ann@pop.a\");\n"
           "user_pref(\"mail.server.server2.realuserName\", \"ann@pop.a\");\n"},
      {"second configure: values kept, spacing and name case normalised", true, true,
       "user_pref(\"mail.server.server2.HOSTNAME\",\"127.0.0.1\");\n" + pop2 +
           "user_pref(\"mail.server.server2.username\",   \"ann@pop.a\");\n",
       "user_pref(\"mail.server.server2.hostname\", \"127.0.0.1\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"ann@pop.a\");\n"},
      {"a localhost server is rebuilt unchanged", true, true,
       "user_pref(\"mail.server.server2.hostname\",\"LocalHost\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\",\"ann\");\n",
       "user_pref(\"mail.server.server2.hostname\", \"LocalHost\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"ann\");\n"},
      {"restore splits at the last @", false, true,
       "user_pref(\"mail.server.server2.hostname\", \"127.0.0.1\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"a@b@pop.a\");\n",
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"a@b\");\n"},
      {"restore of a never configured account rebuilds it unchanged", false, true,
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"ann\");\n",
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"ann\");\n"},
      {"CR LF line ends and the ); after each line stay", true, true,
       "user_pref(\"mail.server.server2.hostname\", \"p.a\");\r\n"
       "user_pref(\"mail.server.server2.type\", \"imap\");\r\n"
       "user_pref(\"mail.server.server2.userName\", \"z\");\r\n",
       "user_pref(\"mail.server.server2.hostname\", \"127.0.0.1\");\r\n"
       "user_pref(\"mail.server.server2.type\", \"imap\");\r\n"
       "user_pref(\"mail.server.server2.userName\", \"z@p.a\");\r\n"},
      {"a userName found twice is no userName", true, false,
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"a\");\n"
           "user_pref(\"mail.server.server2.userName\", \"b\");\n",
       "user_pref(\"mail.server.server2.hostname\", \"pop.a\");\n" + pop2 +
           "user_pref(\"mail.server.server2.userName\", \"a\");\n"
           "user_pref(\"mail.server.server2.userName\", \"b\");\n"},
  };
  for (const RewriteRow& row : rows) {
    std::string text = row.before;
    EXPECT_EQ(Rewrite(text, row.configure), row.changed) << row.what;
    EXPECT_EQ(text, row.after) << row.what;
  }
}

TEST(NetscapeRewrite, ValuesOfAnyLengthAreWrittenWhole) {
  const std::string host(5000, 'h');
  const std::string user(3000, 'u');
  std::string text = "user_pref(\"mail.server.server2.hostname\", \"" + host + "\");\n" +
                     "user_pref(\"mail.server.server2.type\", \"pop3\");\n" +
                     "user_pref(\"mail.server.server2.userName\", \"" + user + "\");\n";
  const std::string original = text;
  ASSERT_TRUE(Rewrite(text, true));
  EXPECT_NE(text.find("\"" + user + "@" + host + "\");\n"), std::string::npos);
  ASSERT_TRUE(Rewrite(text, false));
  EXPECT_EQ(text, original);
}

struct SingleRow {
  const char* text;
  const char* expected;
};

TEST(NetscapeFindSinglePref, ExactlyOneMatchOrNothing) {
  const std::string pattern = corvane::AccountPrefPattern("userName", 4);
  const SingleRow rows[] = {
      {"user_pref(\"mail.server.server4.userName\", \"ann\");",
       "user_pref(\"mail.server.server4.userName\", \"ann\""},
      {"USER_PREF(\"mail.server.server4.USERNAME\",\"ann\");",
       "USER_PREF(\"mail.server.server4.USERNAME\",\"ann\""},
      {"", ""},
      {"user_pref(\"mail.server.server4.userName\", \"\");", ""},
      {"user_pref(\"mail.server.server4.userName\", \"a\"); "
       "user_pref(\"mail.server.server4.userName\", \"b\");",
       ""},
      {"user_pref(\"mail.server.server4.userName\", ann);", ""},
  };
  for (const SingleRow& row : rows)
    EXPECT_EQ(corvane::FindSinglePref(pattern, row.text), row.expected) << row.text;
}

TEST(NetscapeFindSinglePref, PatternFailureIsSeverityTwo) {
  try {
    corvane::FindSinglePref("user_pref\\((", "user_pref(");
    FAIL() << "no exception";
  } catch (const Tessaly::BaseException& error) {
    EXPECT_EQ(error.GetMessageText(), "Regular Expression parsing error");
    EXPECT_EQ(error.GetSeverity(), 2);
    EXPECT_EQ(error.GetFile(), "Config\\RegisterNetscape");
  }
}

TEST(NetscapeExtractPrefValue, Table) {
  const SingleRow rows[] = {
      {"user_pref(\"mail.server.server2.hostname\", \"pop.a\"", "pop.a"},
      {"user_pref(\"x\",\"a,b\"", "a,b"},
      {"user_pref(\"x\",\n\t\"v\"", "v"},
      {"user_pref(\"x\", \"\"", ""},
      {"no comma here", ""},
  };
  for (const SingleRow& row : rows)
    EXPECT_EQ(corvane::ExtractPrefValue(row.text), row.expected) << row.text;
}

struct ReplaceRow {
  const char* old_text;
  const char* new_text;
  const char* text;
  const char* expected;
};

TEST(NetscapeReplaceFirst, Table) {
  const ReplaceRow rows[] = {
      {"ab", "X", "ab ab", "X ab"},
      {"ab", "X", "AB", "AB"},  // byte for byte
      {"ab", "", "cab", "c"},
      {"zz", "X", "ab", "ab"},
  };
  for (const ReplaceRow& row : rows) {
    std::string text = row.text;
    corvane::ReplaceFirst(row.old_text, row.new_text, text);
    EXPECT_EQ(text, row.expected) << row.text;
  }
}

TEST(NetscapeFormatPrefLine, ValueEndsAtItsFirstNul) {
  EXPECT_EQ(corvane::FormatPrefLine("hostname", -3, std::string("ab\0cd", 5)),
            "user_pref(\"mail.server.server-3.hostname\", \"ab\"");
}

}  // namespace
