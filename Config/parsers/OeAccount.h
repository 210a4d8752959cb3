// The account files of Windows Mail and Windows Live Mail (*.oeaccount): XML
// in UTF-16LE with a byte-order mark, one element per account value, named
// as the Outlook Express registry values with "_" for blanks:
//   <POP3_Server type="SZ">pop.example.com</POP3_Server>
//
// Contract: ReadOeAccountValue answers the text of the first element `name`
// (its units narrowed as NarrowUtf16Le does), false when the file has no such
// element or its text holds a unit above 255.  WriteOeAccountValue replaces
// that text by `value` (one unit per byte) and keeps every other byte; false,
// with nothing changed, when there is no such element.  No Windows calls.
#ifndef CORVANE_CONFIG_PARSERS_OEACCOUNT_H
#define CORVANE_CONFIG_PARSERS_OEACCOUNT_H

#include <string>

namespace corvane {

bool ReadOeAccountValue(const std::string& bytes, const std::string& name, std::string& value);
bool WriteOeAccountValue(std::string& bytes, const std::string& name, const std::string& value);

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_OEACCOUNT_H
