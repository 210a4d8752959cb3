// The mail-server preferences of a Netscape/Mozilla "prefs.js" text.
//
// Contract: everything here works on the text in memory and never touches a
// file.  A "line" is the text one preference pattern matched, from
// "user_pref(" up to and including the closing double quote of the value;
// the ");" and the line end after it are never part of it.  Reading finds
// the POP3 and IMAP accounts in the order of their hostname preferences;
// rewriting rebuilds the lines of an account in memory; applying replaces
// the first occurrence of each found line by its rebuilt form, so every
// other byte of the text stays as it was and no line is added or removed.
// Values of any length are handled; no fixed buffer is involved.
#ifndef CORVANE_CONFIG_PARSERS_NETSCAPEPREFS_H
#define CORVANE_CONFIG_PARSERS_NETSCAPEPREFS_H

#include <functional>
#include <string>
#include <vector>

namespace corvane {

// One mail account of one preference file.
class MailServerPrefs {
 public:
  MailServerPrefs() {}
  MailServerPrefs(const MailServerPrefs&) = default;
  MailServerPrefs& operator=(const MailServerPrefs&) = default;
  virtual ~MailServerPrefs() {}

  int server_number = 0;
  std::string hostname_line;
  std::string username_line;
  std::string realhostname_line;
  std::string realusername_line;
  std::string new_hostname_line;
  std::string new_username_line;
  std::string new_realhostname_line;
  std::string new_realusername_line;
  std::string new_server;
  std::string new_user;
  std::string type;
};

using MailServerList = std::vector<MailServerPrefs>;

// The source file that preference errors name.
extern const char kNetscapeSourceFile[];
extern const char kRegexErrorMessage[];  // "Regular Expression parsing error"

// Appends a record for every hostname preference of `text` (searched up to
// its first NUL, case ignored) whose account BuildServerRecord accepts, in
// the order and with the bytes a pattern search of the whole text for each
// account's preferences finds.  One pass
// that collects every preference line of the text and a table lookup per
// account.  Letter case and white space are those of the pattern facility's
// own character traits, so both readers agree on every platform and locale.
void ReadServerList(const std::string& text, MailServerList& servers);

// Fills `record` for the hostname line: false when the line does not begin
// with "user_pref("mail.server.server" and a number, or when the account's
// type preference (found exactly once) is neither "pop3" nor "imap".
bool BuildServerRecord(const std::string& hostname_line, const std::string& text,
                       MailServerPrefs& record);

// The text matched by `pattern` (case ignored) when it matches `text`
// exactly once, else "".  Any failure of the pattern facility is raised as
// Tessaly::BaseException "Regular Expression parsing error", severity 2.
std::string FindSinglePref(const std::string& pattern, const std::string& text);

// The value between the double quotes after the first comma of a line, or "".
std::string ExtractPrefValue(const std::string& line);

// The pattern of one account's preference `name` ("type", "userName", ...)
// for server number n.
std::string AccountPrefPattern(const char* name, int n);

// The rebuilt form of one account's preference:
// user_pref("mail.server.server<n>.<name>", "<value>"
// (the value taken up to its first NUL, as a C string would be).
std::string FormatPrefLine(const char* name, int n, const std::string& value);

// The account rules a rewrite applies: Configure uses CanConfigure and
// ConfigureAccount, Restore uses CanRestore and RestoreAccount.
struct AccountRewrite {
  std::function<bool(const std::string& user, const std::string& server,
                     const std::string& proxy)>
      allowed;
  std::function<bool(const std::string& proxy, std::string& user, std::string& server)> apply;
};

// Rebuilds the lines of every POP3/IMAP record that has both a user name and
// a server value.  An account the rules do not allow is rebuilt with its
// values unchanged; one whose apply step fails is left without rebuilt
// lines.  True when at least one record was rebuilt.
bool RewriteServers(MailServerList& servers, const std::string& proxy,
                    const AccountRewrite& rules);

// Replaces the first occurrence of `old_text` in `text` by `new_text`.
void ReplaceFirst(const std::string& old_text, const std::string& new_text, std::string& text);

// Applies the rebuilt lines of every record, in list order: hostname,
// userName, realuserName, realhostname, each only where the record holds
// both the found and the rebuilt line.  This is the literal method: one
// ReplaceFirst per line, each searching the text from its start.
void ApplyRebuiltLinesLiteral(const MailServerList& servers, std::string& text);

// The same bytes as ApplyRebuiltLinesLiteral.  The first occurrence of every
// found line is looked up in an index of the text's preference lines and all
// replacements are made in one copy, when that provably gives the literal
// result: the occurrences do not overlap, no found or rebuilt line holds a
// second "user_pref(\"", and no found line and rebuilt line (nor two of
// either) is a prefix of another.  Otherwise the literal method is used.
void ApplyRebuiltLines(const MailServerList& servers, std::string& text);

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_NETSCAPEPREFS_H
