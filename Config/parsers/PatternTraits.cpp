#include "Config/parsers/PatternTraits.h"

#include <boost/regex.hpp>

namespace corvane {

void PreparePatternTraits() {
  // Constructing the traits enters the tables of the current locale into the
  // facility's cache; the object is not needed afterwards.
  const boost::regex_traits<char> traits;
  static_cast<void>(traits);
}

}  // namespace corvane
