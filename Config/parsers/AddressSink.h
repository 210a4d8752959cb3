// Where the address-book parsers put the addresses they find.
//
// Contract: a parser calls the sink once per address text it finds, in text
// order, and leaves the list rule (an "@" required, repeats and tails of
// listed addresses dropped) to the list behind the sink.  IntoList gives the
// sink of an indexed list (the exports) or of a plain list (the reference
// the indexed one is checked against); the list must outlive the sink.
#ifndef CORVANE_CONFIG_PARSERS_ADDRESSSINK_H
#define CORVANE_CONFIG_PARSERS_ADDRESSSINK_H

#include <functional>
#include <string>

#include "support/text/AddressList.h"
#include "support/text/IndexedAddressList.h"

namespace corvane {

using AddressSink = std::function<void(const std::string& address)>;

inline AddressSink IntoList(IndexedAddressList& list) {
  return [&list](const std::string& address) { list.Add(address); };
}

inline AddressSink IntoList(std::string& list) {
  return [&list](const std::string& address) { AddAddress(address, list); };
}

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_ADDRESSSINK_H
