// Reading Eudora's nickname files ("NNdbase.txt") for the white-list export.
//
// Contract: a nickname entry is "alias", white space, the nickname (up to a
// blank or an apostrophe), white space and the address text, which runs to
// the next carriage return or apostrophe ("alias" in any case).  Every other
// text is ignored.  Addresses go into an address list through the sink (AddressSink.h), so
// text without "@" and text already in the list are dropped.  Boost.Regex
// failures (a pattern that cannot be compiled, a match too complex) leave as
// its exceptions; the caller turns them into a result code.
#ifndef CORVANE_CONFIG_PARSERS_EUDORANICKNAMES_H
#define CORVANE_CONFIG_PARSERS_EUDORANICKNAMES_H

#include <string>

#include "Config/parsers/AddressSink.h"

namespace corvane {

// The two patterns, byte for byte: each bracket expression of the address
// text holds an apostrophe, a backslash, a carriage return and an apostrophe.
extern const char kNicknameEntryPattern[];
extern const char kNicknameAddressPattern[];

// Adds the addresses of every alias entry of one nickname file's text to the
// list, entries in the order they appear: the literal method (every entry
// collected first, the address pattern compiled again for each).
void ParseNicknamesLiteral(const std::string& text, const AddressSink& add);

// The same addresses in the same order: both patterns compiled once, the
// entry pattern tried only where "alias" begins (case ignored as the pattern
// facility ignores it, PatternBytes.h).  On texts where the literal search
// gives up (the facility's complexity limit) this one may still answer;
// where this one's search gives up, the literal method does the rest of the
// text, so it answers wherever the literal method answers.
void ParseNicknames(const std::string& text, const AddressSink& add);

// Adds each piece of an address text cut at every ","; pieces are passed on
// unchanged (a blank after a comma stays), and no empty piece is passed.
void SplitAddresses(const std::string& addresses, const AddressSink& add);

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_EUDORANICKNAMES_H
