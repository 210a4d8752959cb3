#include "Config/parsers/NetscapePrefs.h"

#include <cstdio>
#include <exception>

#include <boost/regex.hpp>

#include "support/BaseException.h"

namespace corvane {

const char kNetscapeSourceFile[] = "Config\\RegisterNetscape";
const char kRegexErrorMessage[] = "Regular Expression parsing error";

namespace {

// One account's preference: prefix + number + "." + name + suffix.
const char kAccountPatternPrefix[] = R"re(user_pref\(\"mail.server.server)re";
const char kAccountPatternSuffix[] = R"re(\",\s*\"([^\"]+)\")re";
// The value inside a matched line.
const char kValuePattern[] = R"re(,\s*\"([^\"]+)\")re";
// The server number of a hostname line.
const char kServerNumberScan[] = "user_pref(\"mail.server.server%d";

bool IsMailType(const std::string& type) { return type == "pop3" || type == "imap"; }

// The text of a C string: a value ends at its first NUL.
std::string UpToNul(const std::string& value) { return std::string(value.c_str()); }

}  // namespace

bool BuildServerRecord(const std::string& hostname_line, const std::string& text,
                       MailServerPrefs& record) {
  int number = 0;
  if (std::sscanf(hostname_line.c_str(), kServerNumberScan, &number) != 1) return false;
  const std::string type = ExtractPrefValue(FindSinglePref(AccountPrefPattern("type", number), text));
  if (!IsMailType(type)) return false;
  record.realhostname_line = FindSinglePref(AccountPrefPattern("realhostname", number), text);
  record.username_line = FindSinglePref(AccountPrefPattern("userName", number), text);
  record.realusername_line = FindSinglePref(AccountPrefPattern("realuserName", number), text);
  record.server_number = number;
  record.hostname_line = hostname_line;
  record.type = type;
  return true;
}

std::string FindSinglePref(const std::string& pattern, const std::string& text) {
  try {
    const boost::regex expression(pattern, boost::regex::perl | boost::regex::icase);
    boost::sregex_iterator it(text.begin(), text.end(), expression), end;
    if (it == end) return std::string();
    std::string first = it->str();
    ++it;
    if (it != end) return std::string();
    return first;
  } catch (const std::exception&) {
    throw Tessaly::BaseException(kNetscapeSourceFile, __LINE__, kRegexErrorMessage, 2);
  }
}

std::string ExtractPrefValue(const std::string& line) {
  const boost::regex value(kValuePattern, boost::regex::perl);
  boost::smatch match;
  if (!boost::regex_search(line, match, value)) return std::string();
  return match.str(1);
}

std::string AccountPrefPattern(const char* name, int n) {
  return kAccountPatternPrefix + std::to_string(n) + "." + name + kAccountPatternSuffix;
}

std::string FormatPrefLine(const char* name, int n, const std::string& value) {
  return "user_pref(\"mail.server.server" + std::to_string(n) + "." + name + "\", \"" +
         UpToNul(value) + "\"";
}

bool RewriteServers(MailServerList& servers, const std::string& proxy,
                    const AccountRewrite& rules) {
  bool rebuilt = false;
  for (MailServerPrefs& record : servers) {
    if (!IsMailType(record.type)) continue;
    std::string server;
    if (!record.realhostname_line.empty())
      server = ExtractPrefValue(record.realhostname_line);
    else if (!record.hostname_line.empty())
      server = ExtractPrefValue(record.hostname_line);
    std::string user;
    if (!record.realusername_line.empty())
      user = ExtractPrefValue(record.realusername_line);
    else if (!record.username_line.empty())
      user = ExtractPrefValue(record.username_line);
    if (user.empty() || server.empty()) continue;
    if (rules.allowed(user, server, proxy) && !rules.apply(proxy, user, server)) continue;

    const int n = record.server_number;
    if (!record.realhostname_line.empty())
      record.new_realhostname_line = FormatPrefLine("realhostname", n, server);
    if (!record.realusername_line.empty())
      record.new_realusername_line = FormatPrefLine("realuserName", n, user);
    if (!record.username_line.empty())
      record.new_username_line = FormatPrefLine("userName", n, user);
    if (!record.hostname_line.empty())
      record.new_hostname_line = FormatPrefLine("hostname", n, server);
    record.new_server = server;
    record.new_user = user;
    rebuilt = true;
  }
  return rebuilt;
}

void ReplaceFirst(const std::string& old_text, const std::string& new_text, std::string& text) {
  const std::string::size_type at = text.find(old_text);
  if (at != std::string::npos) text.replace(at, old_text.size(), new_text);
}

void ApplyRebuiltLinesLiteral(const MailServerList& servers, std::string& text) {
  for (const MailServerPrefs& record : servers) {
    if (!record.hostname_line.empty() && !record.new_hostname_line.empty())
      ReplaceFirst(record.hostname_line, record.new_hostname_line, text);
    if (!record.username_line.empty() && !record.new_username_line.empty())
      ReplaceFirst(record.username_line, record.new_username_line, text);
    if (!record.realusername_line.empty() && !record.new_realusername_line.empty())
      ReplaceFirst(record.realusername_line, record.new_realusername_line, text);
    if (!record.realhostname_line.empty() && !record.new_realhostname_line.empty())
      ReplaceFirst(record.realhostname_line, record.new_realhostname_line, text);
  }
}

}  // namespace corvane
