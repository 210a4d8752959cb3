#include "Config/parsers/MorkScan.h"

namespace corvane {

void ScanMorkAddresses(const std::string& text, const AddressSink& add) {
  const std::string::size_type npos = std::string::npos;
  const std::string::size_type header_dot = text.find('.');
  std::string::size_type dot = header_dot == npos ? npos : text.find('.', header_dot + 1);
  while (dot != npos) {
    const std::string::size_type close = text.find(')', dot + 1);
    const std::string::size_type equals = text.rfind('=', dot - 1);  // dot > 0 here
    if (close == npos || equals == npos) return;
    const std::string candidate = text.substr(equals + 1, close - equals - 1);
    if (candidate.find_first_of("${()<>") != npos) return;
    add(candidate);
    dot = text.find('.', close + 2);
  }
}

}  // namespace corvane
