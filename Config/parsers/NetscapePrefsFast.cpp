// The one-pass reader and the one-copy rewrite of prefs.js texts; the
// literal methods they must agree with are in NetscapePrefs.cpp.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Config/parsers/NetscapePrefs.h"
#include "Config/parsers/PatternBytes.h"

namespace corvane {

namespace {

const char kLineStart[] = "user_pref(\"";  // 11 bytes
const char kServerStem[] = "mail?server?server";  // 18 bytes, '?' any byte
const std::size_t kLineStartSize = sizeof(kLineStart) - 1;
const std::size_t kServerStemSize = sizeof(kServerStem) - 1;

// The preference names an account's lines are looked up by.
const char* const kAccountNames[] = {"type", "realhostname", "userName", "realuserName"};
const int kAccountNameCount = 4;

// Every position of `text` below `end` where "user_pref(\"" begins, case
// ignored, in text order.
std::vector<std::size_t> LineStarts(const std::string& text, std::size_t end,
                                    const PatternBytes& bytes) {
  std::vector<std::size_t> starts;
  const char* data = text.data();
  std::size_t at = kLineStartSize - 2;  // where the "(" of a first line would be
  while (at < end) {
    const std::size_t paren = bytes.Find(data, at, end, '(');
    if (paren == end) break;
    if (bytes.Matches(data, paren - 9, end, kLineStart))
      starts.push_back(paren - 9);
    at = paren + 1;
  }
  return starts;
}

// The end of `",\s*"value"` at `at` (after the closing quote), or 0 when the
// text there is not that with a non-empty value before `end`.
std::size_t ValueEnd(const char* text, std::size_t at, std::size_t end,
                     const PatternBytes& bytes) {
  if (!bytes.Matches(text, at, end, "\",")) return 0;
  at += 2;
  while (at < end && bytes.Space(text[at])) ++at;
  if (!bytes.Matches(text, at, end, "\"")) return 0;
  ++at;
  const std::size_t closing = bytes.Find(text, at, end, '"');
  if (closing == end || closing == at) return 0;
  return closing + 1;
}

// The hostname line beginning at `start` (with its stem already checked),
// searched below `end`: its end, or 0.  The number is the longest digit run
// the pattern can give back to its "." and still match.
std::size_t HostnameLineEnd(const char* text, std::size_t start, std::size_t end,
                            const PatternBytes& bytes) {
  const std::size_t digits = start + kLineStartSize + kServerStemSize;
  std::size_t run = 0;
  while (digits + run < end && bytes.Digit(text[digits + run])) ++run;
  for (std::size_t taken = run; taken >= 1; --taken) {
    const std::size_t name = digits + taken + 1;  // after the byte the "." takes
    if (name > end) continue;
    if (!bytes.Matches(text, name, end, "hostname")) continue;
    const std::size_t line_end = ValueEnd(text, name + 8, end, bytes);
    if (line_end != 0) return line_end;
  }
  return 0;
}

struct Span {
  std::size_t start;
  std::size_t end;
};

// The account lines of the text: per number text and preference name, the
// spans their pattern matches at, in text order.
class AccountLines {
 public:
  void Add(const std::string& number, int name, Span span) {
    lines_[Key(number, name)].push_back(span);
  }
  // The line the literal search finds exactly once, else "".
  std::string Single(const std::string& text, const std::string& number, int name) const {
    const auto found = lines_.find(Key(number, name));
    if (found == lines_.end()) return std::string();
    const std::vector<Span>& spans = found->second;
    // A search resumes after each match; a second match is any one that
    // starts at or after the end of the first.
    if (spans.back().start >= spans.front().end) return std::string();
    return text.substr(spans.front().start, spans.front().end - spans.front().start);
  }

 private:
  static std::string Key(const std::string& number, int name) {
    return number + static_cast<char>('0' + name);
  }
  std::unordered_map<std::string, std::vector<Span>> lines_;
};

// Whether `number` could be the decimal form of an int ("-" and digits).
bool IsNumberText(const std::string& number) {
  std::size_t i = number[0] == '-' ? 1 : 0;
  if (i == number.size()) return false;
  for (; i < number.size(); ++i)
    if (number[i] < '0' || number[i] > '9') return false;
  return true;
}

bool IsMailType(const std::string& type) { return type == "pop3" || type == "imap"; }

}  // namespace

void ReadServerList(const std::string& text, MailServerList& servers) {
  const PatternBytes bytes;
  const char* data = text.data();
  const std::size_t whole = text.size();
  const std::size_t searched = std::strlen(text.c_str());  // hostnames: up to the first NUL

  std::vector<Span> hostnames;
  AccountLines accounts;
  std::size_t resume = 0;  // where the hostname search goes on after a match
  const std::size_t longest_number = 11;  // "-2147483648"
  for (const std::size_t start : LineStarts(text, whole, bytes)) {
    const std::size_t stem = start + kLineStartSize;
    if (!bytes.Matches(data, stem, whole, kServerStem)) continue;
    if (start >= resume && start < searched) {
      const std::size_t end = HostnameLineEnd(data, start, searched, bytes);
      if (end != 0) {
        hostnames.push_back({start, end});
        resume = end;
      }
    }
    // The number as the search sees it: folded, compared with its decimal form.
    const std::size_t number = stem + kServerStemSize;
    std::string folded;
    for (std::size_t size = 1; size <= longest_number && number + size < whole; ++size) {
      folded += static_cast<char>(bytes.Fold(data[number + size - 1]));
      if (!IsNumberText(folded)) {
        if (folded == "-") continue;
        break;
      }
      const std::size_t name = number + size + 1;  // after the byte the "." takes
      for (int n = 0; n < kAccountNameCount; ++n) {
        if (!bytes.Matches(data, name, whole, kAccountNames[n])) continue;
        const std::size_t end =
            ValueEnd(data, name + std::strlen(kAccountNames[n]), whole, bytes);
        if (end != 0) accounts.Add(folded, n, {start, end});
      }
    }
  }

  for (const Span& found : hostnames) {
    const std::string line = text.substr(found.start, found.end - found.start);
    MailServerPrefs record;
    int number = 0;
    if (std::sscanf(line.c_str(), "user_pref(\"mail.server.server%d", &number) != 1) continue;
    std::string digits = std::to_string(number);
    for (char& c : digits) c = static_cast<char>(bytes.Fold(c));
    const std::string type = ExtractPrefValue(accounts.Single(text, digits, 0));
    if (!IsMailType(type)) continue;
    record.realhostname_line = accounts.Single(text, digits, 1);
    record.username_line = accounts.Single(text, digits, 2);
    record.realusername_line = accounts.Single(text, digits, 3);
    record.server_number = number;
    record.hostname_line = line;
    record.type = type;
    servers.push_back(record);
  }
}

namespace {

struct Replacement {
  const std::string* old_text;
  const std::string* new_text;
  std::size_t at;
};

// The replacements of ApplyRebuiltLines, in the order they are made.
std::vector<Replacement> ReplacementsOf(const MailServerList& servers) {
  std::vector<Replacement> made;
  auto add = [&made](const std::string& old_text, const std::string& new_text) {
    if (!old_text.empty() && !new_text.empty()) made.push_back({&old_text, &new_text, 0});
  };
  for (const MailServerPrefs& record : servers) {
    add(record.hostname_line, record.new_hostname_line);
    add(record.username_line, record.new_username_line);
    add(record.realusername_line, record.new_realusername_line);
    add(record.realhostname_line, record.new_realhostname_line);
  }
  return made;
}

// True when `line` begins with "user_pref(\"" (case ignored) and holds it
// nowhere else.
bool OneLineStart(const std::string& line, const PatternBytes& bytes) {
  if (!bytes.Matches(line.data(), 0, line.size(), kLineStart)) return false;
  for (std::size_t at = 1; at + kLineStartSize <= line.size(); ++at)
    if (bytes.Matches(line.data(), at, line.size(), kLineStart)) return false;
  return true;
}

// The end of the fourth double quote from `at`, or npos.
std::size_t FourthQuoteEnd(const char* text, std::size_t at, std::size_t end) {
  for (int quotes = 0; quotes < 4; ++quotes) {
    const void* quote = std::memchr(text + at, '"', end - at);
    if (quote == nullptr) return std::string::npos;
    at = static_cast<const char*>(quote) - text + 1;
  }
  return at;
}

// Finds where each replacement's first occurrence in `text` is; false when
// the one-copy rewrite cannot be shown to give the literal result.
bool PlaceReplacements(const std::string& text, std::vector<Replacement>& made,
                       const PatternBytes& bytes) {
  // Lines and rebuilt lines: one line start each, and none a prefix of
  // another (a found line could then be found where a rebuilt one went in).
  std::vector<const std::string*> lines;
  for (const Replacement& r : made) {
    if (!OneLineStart(*r.old_text, bytes) || !OneLineStart(*r.new_text, bytes)) return false;
    // A found line ends at its fourth quote: then it can be looked up by
    // the text from a line start to the fourth quote after it.
    if (FourthQuoteEnd(r.old_text->data(), 0, r.old_text->size()) != r.old_text->size())
      return false;
    lines.push_back(r.old_text);
    lines.push_back(r.new_text);
  }
  std::sort(lines.begin(), lines.end(),
            [](const std::string* a, const std::string* b) { return *a < *b; });
  for (std::size_t i = 1; i < lines.size(); ++i)
    if (lines[i]->compare(0, lines[i - 1]->size(), *lines[i - 1]) == 0) return false;

  // The first occurrence of each found line: it begins at a line start.
  std::unordered_map<std::string, std::size_t> first;
  for (const Replacement& r : made) first.emplace(*r.old_text, std::string::npos);
  for (const std::size_t start : LineStarts(text, text.size(), bytes)) {
    const std::size_t end = FourthQuoteEnd(text.data(), start, text.size());
    if (end == std::string::npos) continue;
    const auto found = first.find(text.substr(start, end - start));
    if (found != first.end() && found->second == std::string::npos) found->second = start;
  }
  for (Replacement& r : made) r.at = first[*r.old_text];

  // The occurrences replaced must not overlap.
  std::vector<const Replacement*> placed;
  for (const Replacement& r : made)
    if (r.at != std::string::npos) placed.push_back(&r);
  std::sort(placed.begin(), placed.end(),
            [](const Replacement* a, const Replacement* b) { return a->at < b->at; });
  for (std::size_t i = 1; i < placed.size(); ++i)
    if (placed[i]->at < placed[i - 1]->at + placed[i - 1]->old_text->size()) return false;
  return true;
}

}  // namespace

void ApplyRebuiltLines(const MailServerList& servers, std::string& text) {
  std::vector<Replacement> made = ReplacementsOf(servers);
  if (made.empty()) return;
  const PatternBytes bytes;
  if (!PlaceReplacements(text, made, bytes)) {
    ApplyRebuiltLinesLiteral(servers, text);
    return;
  }
  std::sort(made.begin(), made.end(),
            [](const Replacement& a, const Replacement& b) { return a.at < b.at; });
  std::string result;
  std::size_t size = text.size();
  for (const Replacement& r : made)
    if (r.at != std::string::npos) size = size - r.old_text->size() + r.new_text->size();
  result.reserve(size);
  std::size_t copied = 0;
  for (const Replacement& r : made) {
    if (r.at == std::string::npos) continue;
    result.append(text, copied, r.at - copied);
    result += *r.new_text;
    copied = r.at + r.old_text->size();
  }
  result.append(text, copied, std::string::npos);
  text.swap(result);
}

}  // namespace corvane
