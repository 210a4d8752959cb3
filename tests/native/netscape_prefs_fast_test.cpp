// The one-pass prefs.js reader and the one-copy rewrite against the literal
// methods: the same records (every field, in order) and the same rewritten
// bytes, on the real files, on written edge cases and on generated texts.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Config/parsers/NetscapePrefs.h"
#include "tests/native/GeneratedPrefs.h"
#include "tests/native/RewriteBothWays.h"

namespace {

using corvane::MailServerList;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every field of every record, one per line, for readable differences.
std::string Dump(const MailServerList& servers) {
  std::string out;
  for (const corvane::MailServerPrefs& r : servers) {
    out += std::to_string(r.server_number) + " [" + r.type + "]\n  " + r.hostname_line + "\n  " +
           r.username_line + "\n  " + r.realhostname_line + "\n  " + r.realusername_line +
           "\n  " + r.new_hostname_line + "\n  " + r.new_username_line + "\n  " +
           r.new_realhostname_line + "\n  " + r.new_realusername_line + "\n  " + r.new_server +
           " " + r.new_user + "\n";
  }
  return out;
}

// Reads `text` both ways, rewrites the literal records for `configure` and
// applies them both ways; every difference is a test failure.  Answers the
// number of records.
std::size_t ExpectSameBothWays(const std::string& text, bool configure, const std::string& what) {
  MailServerList literal;
  MailServerList fast;
  corvane::ReadServerListLiteral(text, literal);
  corvane::ReadServerList(text, fast);
  EXPECT_EQ(Dump(fast), Dump(literal)) << what;

  const corvane_test::RewrittenTexts texts = corvane_test::RewriteBothWays(literal, text, configure);
  EXPECT_EQ(texts.fast, texts.literal) << what;
  return literal.size();
}

// Configures, checks, restores the configured text, checks again.
void ExpectRoundTripBothWays(const std::string& text, const std::string& what) {
  ExpectSameBothWays(text, true, what + " (configure)");
  MailServerList servers;
  corvane::ReadServerListLiteral(text, servers);
  const std::string configured = corvane_test::RewriteBothWays(servers, text, true).literal;
  ExpectSameBothWays(configured, false, what + " (restore)");
}

TEST(NetscapePrefsFast, RealPreferenceFiles) {
  const char* const files[] = {
      CORVANE_FIXTURES_DIR "/netscape/comm-central_prefs.js",
      CORVANE_FIXTURES_DIR "/netscape/mailnewsTestPrefs.js",
  };
  for (const char* file : files) {
    const std::string text = ReadFile(file);
    ASSERT_FALSE(text.empty()) << file;
    ExpectRoundTripBothWays(text, file);
  }
}

std::string Line(const std::string& key, const std::string& value) {
  return "user_pref(\"" + key + "\", \"" + value + "\");\n";
}

// Texts where a shortcut would go wrong; each row must give the literal
// records and bytes.
TEST(NetscapePrefsFast, WrittenEdgeCases) {
  const std::string pop2 = Line("mail.server.server2.type", "pop3");
  const std::string host2 = Line("mail.server.server2.hostname", "pop.example");
  const std::string user2 = Line("mail.server.server2.userName", "ann");
  const struct {
    const char* what;
    std::string text;
  } rows[] = {
      {"plain account", host2 + pop2 + user2},
      {"duplicate hostname line", host2 + host2 + pop2 + user2},
      {"duplicate user name line", host2 + pop2 + user2 + user2},
      {"user name line twice with other values", host2 + pop2 + user2 +
                                                     Line("mail.server.server2.userName", "bob")},
      {"case variants of key and name",
       "USER_PREF(\"MAIL.SERVER.SERVER2.HOSTNAME\", \"a\");\n"
       "user_pref(\"mail.server.server2.hostname\", \"b\");\n"
       "User_Pref(\"Mail.Server.Server2.TYPE\", \"imap\");\n"
       "user_pref(\"mail.server.server2.USERNAME\", \"u\");\n"},
      {"odd spacing",
       "user_pref(\"mail.server.server2.hostname\",\"a\");\n"
       "user_pref(\"mail.server.server2.type\",\t\r\n  \"pop3\");\n"
       "user_pref(\"mail.server.server2.userName\" , \"u\");\n"},
      {"real host and real user name", host2 + pop2 + user2 +
                                           Line("mail.server.server2.realhostname", "mx.example") +
                                           Line("mail.server.server2.realuserName", "real")},
      {"account without a user name", host2 + pop2},
      {"account without a type", host2 + user2},
      {"empty values", Line("mail.server.server2.hostname", "") + pop2 +
                           Line("mail.server.server2.userName", "")},
      {"news and local folders", Line("mail.server.server1.hostname", "news") +
                                     Line("mail.server.server1.type", "nntp") +
                                     Line("mail.server.server3.hostname", "Local Folders") +
                                     Line("mail.server.server3.type", "none")},
      {"server1 and server10 to server12",
       Line("mail.server.server1.hostname", "a") + Line("mail.server.server10.type", "pop3") +
           Line("mail.server.server1.type", "imap") + Line("mail.server.server12.hostname", "c") +
           Line("mail.server.server12.type", "pop3") + Line("mail.server.server1.userName", "u") +
           Line("mail.server.server12.userName", "v")},
      {"dots of the key stand for any byte",
       Line("mail_server-server2xhostname", "a") + Line("mail.server.server2/type", "pop3") +
           Line("mail.server.server2_userName", "u")},
      {"number with a letter before hostname",
       Line("mail.server.server2hhostname", "a") + Line("mail.server.server21hostname", "b") +
           pop2 + Line("mail.server.server2.userName", "u")},
      {"number that overflows",
       Line("mail.server.server4294967298.hostname", "a") + pop2 + user2},
      {"leading zero", Line("mail.server.server02.hostname", "a") + pop2 + user2},
      {"a line inside another's value",
       "user_pref(\"mail.server.server2.userName\", \"user_pref(\"mail.server.server2.userName\", "
       "\"x\");\n" +
           host2 + pop2},
      {"found line also in a comment before it",
       "// " + Line("mail.server.server2.userName", "ann") + host2 + pop2 + user2},
      {"hostname line equal to another account's text",
       Line("mail.server.server2.hostname", "mail.server.server3.hostname") + pop2 + user2 +
           Line("mail.server.server3.hostname", "b") + Line("mail.server.server3.type", "pop3") +
           Line("mail.server.server3.userName", "b")},
      {"NUL before the type", host2 + std::string(1, '\0') + pop2 + user2},
      {"NUL before the hostname", pop2 + std::string(1, '\0') + host2 + user2},
      {"value without closing quote", host2 + pop2 + "user_pref(\"mail.server.server2.userName\", \"ann"},
      {"no line ends", "user_pref(\"mail.server.server2.hostname\",\"a\")user_pref(\"mail.server.server2.type\",\"pop3\")"
                       "user_pref(\"mail.server.server2.userName\",\"u\")"},
      {"configured already", Line("mail.server.server2.hostname", "127.0.0.1") + pop2 +
                                 Line("mail.server.server2.userName", "ann@pop.example")},
      {"non-ASCII bytes in values and blanks",
       Line("mail.server.server2.hostname", "p\xe9p.example") +
           "user_pref(\"mail.server.server2.type\",\xa0\"pop3\");\n" + user2},
  };
  for (const auto& row : rows) ExpectRoundTripBothWays(row.text, row.what);
}

TEST(NetscapePrefsFast, GeneratedRealisticTexts) {
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    const std::string text = corvane_test::RealisticPrefs(25 * seed, 8000 * seed, seed);
    const std::size_t records = ExpectSameBothWays(text, true, "seed " + std::to_string(seed));
    EXPECT_EQ(records, 25 * seed);  // every account is POP3 or IMAP
  }
}

TEST(NetscapePrefsFast, GeneratedQuirkyTexts) {
  std::size_t with_records = 0;
  for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
    const std::string text = corvane_test::QuirkyPrefs(20 + seed % 200, seed);
    if (ExpectSameBothWays(text, seed % 2 == 0, "quirky seed " + std::to_string(seed)) > 0)
      ++with_records;
    if (HasFailure()) break;
  }
  EXPECT_GT(with_records, 50u);  // the generator does reach accounts
}

}  // namespace
