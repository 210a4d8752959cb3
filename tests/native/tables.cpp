// tables: the platform-free code over the tables of tests/data/native.
//
// A table file NAME.table is one behaviour: each line a row of fields
// separated by "|", the inputs first and the expected output last (escapes
// \r \n \0 \\ \xHH; \x7C is a "|" inside a field; an input "@PATH" is the
// file PATH of tests/data).  Lines that start with "#" are comments.  Where
// the library has a fast and a literal method of one job, every row checks
// that both give the expected output.  With CORVANE_UPDATE set, the expected
// fields are written from what the code gives.
//
// Usage: tables DATA_FOLDER    exit status: the number of rows that failed
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Config/parsers/ContactFile.h"
#include "Config/parsers/EudoraNicknames.h"
#include "Config/parsers/MorkScan.h"
#include "Config/parsers/NetscapePrefs.h"
#include "Config/parsers/OeAccount.h"
#include "Config/parsers/OperaContacts.h"
#include "support/BaseException.h"
#include "support/text/AccountRules.h"
#include "support/text/AddressList.h"
#include "support/text/IndexedAddressList.h"
#include "support/text/PathMatch.h"
#include "support/text/Utf16.h"
#include "fuzz/Literal.h"
#include "../Escapes.h"

namespace {

using Fields = std::vector<std::string>;
using Sink = corvane::AddressSink;

std::string Read(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A list built by one parser into both kinds of address list: they must agree.
std::string List(const std::function<void(const Sink&)>& parse) {
  std::string plain;
  corvane::IndexedAddressList indexed;
  parse(corvane::IntoList(plain));
  parse(corvane::IntoList(indexed));
  return plain == indexed.Text() ? plain : "lists differ: " + plain + " / " + indexed.Text();
}

// Two methods of one job must agree; the answer is the fast one's.
std::string Same(const std::string& fast, const std::string& literal) {
  return fast == literal ? fast : fast + " <literal method: " + literal + ">";
}

std::string Rewrite(const std::string& text, const std::string& proxy, bool configure) {
  corvane::MailServerList fast, literal;
  corvane::ReadServerList(text, fast);
  corvane::ReadServerListLiteral(text, literal);
  const corvane::AccountRewrite rules =
      configure ? corvane::AccountRewrite{corvane::CanConfigure, corvane::ConfigureAccount}
                : corvane::AccountRewrite{corvane::CanRestore, corvane::RestoreAccount};
  const bool changed = corvane::RewriteServers(fast, proxy, rules);
  corvane::RewriteServers(literal, proxy, rules);
  std::string fast_text = text, literal_text = text;
  corvane::ApplyRebuiltLines(fast, fast_text);
  corvane::ApplyRebuiltLinesLiteral(literal, literal_text);
  return std::to_string(fast.size()) + (changed ? " changed " : " unchanged ") +
         Same(fast_text, literal_text);
}

// An account file's element read, and with a third field written and the
// file read back (text without a byte-order mark is taken as UTF-16LE units
// of its bytes; a unit above 255 shows as "?").
std::string OeAccount(const Fields& in) {
  std::string bytes = in[0];
  if (bytes.compare(0, 2, "\xFF\xFE") != 0) {
    bytes.clear();
    for (char c : in[0]) bytes += std::string(1, c) + '\0';
  }
  std::string value;
  std::string answer = corvane::ReadOeAccountValue(bytes, in[1], value) ? "read " + value : "none";
  if (in.size() < 3) return answer;
  answer += corvane::WriteOeAccountValue(bytes, in[1], in[2]) ? ", written: " : ", not written: ";
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) answer += bytes[at + 1] ? '?' : bytes[at];
  return answer;
}

// The account rules: whether the account may be rewritten, then what the
// rewrite makes of it (applied either way).
std::string Account(const Fields& in, bool configure) {
  std::string user = in[0], server = in[1];
  const bool allowed = (configure ? corvane::CanConfigure : corvane::CanRestore)(user, server, in[2]);
  const bool done = (configure ? corvane::ConfigureAccount : corvane::RestoreAccount)(in[2], user, server);
  return std::string(allowed ? "allowed" : "refused") + (done ? ", user=" : ", fails, user=") + user +
         " server=" + server;
}

const std::map<std::string, std::function<std::string(const Fields&)>> kTables = {
    {"configure", [](const Fields& in) { return Account(in, true); }},
    {"restore", [](const Fields& in) { return Account(in, false); }},
    {"match", [](const Fields& in) { return std::to_string(corvane::MatchPattern(in[0], in[1])); }},
    {"match_list", [](const Fields& in) { return std::to_string(corvane::MatchPatternList(in[0], in[1])); }},
    {"join", [](const Fields& in) { return corvane::JoinPath(in[0], in[1]); }},
    {"addresses", [](const Fields& in) {
       return List([&](const Sink& add) {
         for (const std::string& address : in) add(address);
       });
     }},
    {"nicknames", [](const Fields& in) {
       return Same(List([&](const Sink& add) { corvane::ParseNicknames(in[0], add); }),
                   List([&](const Sink& add) { corvane::ParseNicknamesLiteral(in[0], add); }));
     }},
    {"opera", [](const Fields& in) {
       return Same(List([&](const Sink& add) { corvane::ExtractOperaAddresses(in[0], add); }),
                   List([&](const Sink& add) { corvane::ExtractOperaAddressesLiteral(in[0], add); }));
     }},
    {"mork", [](const Fields& in) {
       return List([&](const Sink& add) { corvane::ScanMorkAddresses(in[0], add); });
     }},
    {"contacts", [](const Fields& in) {
       return List([&](const Sink& add) { corvane::ReadContactAddresses(in[0], add); });
     }},
    {"oeaccount", OeAccount},
    {"prefs_set", [](const Fields& in) { return Rewrite(in[0], in[1], true); }},
    {"prefs_reset", [](const Fields& in) { return Rewrite(in[0], in[1], false); }},
    {"single_pref", [](const Fields& in) {
       try {
         const std::string pattern = in.size() == 3 ? corvane::AccountPrefPattern(in[0].c_str(), std::stoi(in[1])) : in[0];
         const std::string line = corvane::FindSinglePref(pattern, in.back());
         return line + " -> " + corvane::ExtractPrefValue(line);
       } catch (const Tessaly::BaseException& error) {
         return "severity " + std::to_string(error.GetSeverity()) + " " + error.GetFile() + ": " +
                error.GetMessageText();
       }
     }},
    {"utf16", [](const Fields& in) {
       std::string text;
       const bool ok = corvane::NarrowUtf16Le(reinterpret_cast<const unsigned char*>(in[0].data()),
                                              in[0].size(), text);
       return ok ? "ok " + text : "fails";
     }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: tables DATA_FOLDER\n"), 100;
  const std::string data = argv[1];
  const bool update = std::getenv("CORVANE_UPDATE") != nullptr;
  int rows = 0, failed = 0;
  for (const auto& table : kTables) {
    const std::string path = data + "/native/" + table.first + ".table";
    std::istringstream lines(Read(path));
    std::string rewritten;
    int row = 0;
    for (std::string line; std::getline(lines, line); rewritten += line + "\n") {
      if (line.empty() || line[0] == '#') continue;
      ++row, ++rows;
      Fields fields;
      std::stringstream split(line);
      for (std::string field; std::getline(split, field, '|');) fields.push_back(field);
      if (line.back() == '|') fields.push_back("");
      Fields inputs;
      for (std::size_t i = 0; i + 1 < fields.size(); ++i)
        inputs.push_back(fields[i][0] == '@' ? Read(data + "/" + fields[i].substr(1)) : Unescape(fields[i]));
      std::string actual;
      try {
        actual = Escape(kTables.at(table.first)(inputs), "|");
      } catch (const std::exception& error) {
        actual = std::string("throws ") + error.what();
      }
      if (update) line = line.substr(0, line.rfind('|') + 1) + actual;
      else if (actual != fields.back())
        ++failed, std::printf("FAIL %s row %d: %s\n  expected %s\n  actual   %s\n", table.first.c_str(),
                              row, line.substr(0, 120).c_str(), fields.back().c_str(), actual.c_str());
    }
    if (row == 0) ++failed, std::printf("FAIL %s: no rows in %s\n", table.first.c_str(), path.c_str());
    if (update) std::ofstream(path, std::ios::binary) << rewritten;
  }
  std::printf("%d passed, %d failed\n", rows - failed, failed);
  return failed;
}
