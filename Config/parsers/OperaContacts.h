// The addresses of an Opera contact file ("contacts.adr").
//
// Contract: the text is searched up to its first NUL byte.  Every field
// "MAIL=" (any letter case, also at the end of a longer key such as
// "EMAIL=") gives the run of bytes after it up to, not including, the next
// apostrophe, carriage return or the end of the text.  A run that holds the
// byte 0x02 is cut there into pieces, empty pieces dropped.  Every run or
// piece goes to the sink, in text order, whose list keeps only texts with "@"
// that are not yet listed.  Nothing here touches the platform; a failure of
// the pattern facility leaves as the facility's own exception.
#ifndef CORVANE_CONFIG_PARSERS_OPERACONTACTS_H
#define CORVANE_CONFIG_PARSERS_OPERACONTACTS_H

#include <string>

#include "Config/parsers/AddressSink.h"

namespace corvane {

// Adds the addresses of one contact file's text to the address list: every
// "MAIL=" field (case ignored) up to an apostrophe or a carriage return, in
// the order and with the bytes two pattern searches per field would find,
// from one pass over the text, bytes compared as the pattern facility
// compares them (PatternBytes.h).
void ExtractOperaAddresses(const std::string& text, const AddressSink& add);

// Adds each non-empty 0x02-separated piece of one field value.
void AddSeparatedAddresses(const std::string& value, const AddressSink& add);

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_OPERACONTACTS_H
