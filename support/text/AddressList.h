// The address list that the white- and black-list exports write: every
// accepted address followed by CR LF.
#ifndef CORVANE_SUPPORT_TEXT_ADDRESSLIST_H
#define CORVANE_SUPPORT_TEXT_ADDRESSLIST_H

#include <string>

namespace corvane {

// Appends address + CR LF to list, unless the address holds no "@", or it is
// shorter than the list and occurs in it anywhere (byte for byte).
void AddAddress(const std::string& address, std::string& list);

}  // namespace corvane

#endif  // CORVANE_SUPPORT_TEXT_ADDRESSLIST_H
