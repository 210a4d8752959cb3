#include "support/text/AddressList.h"

namespace corvane {

void AddAddress(const std::string& address, std::string& list) {
  if (address.find('@') == std::string::npos) return;
  if (address.size() < list.size() && list.find(address) != std::string::npos) return;
  list += address;
  list += "\r\n";
}

}  // namespace corvane
