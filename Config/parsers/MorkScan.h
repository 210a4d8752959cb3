// The address book export's scan of a Mork ("abook.mab") text.
//
// Contract: the text is not parsed as Mork.  Every value that lies between
// an "=" and a ")" and holds a dot is a candidate; the first dot of the text
// (the header's version number) is never used.  Candidates go to the sink (AddressSink.h),
// whose list keeps those with an "@" and drops repeats.  A candidate that holds
// any of "$ { ( ) < >" ends the scan of the whole text (it is not skipped).
// After a candidate ending at ")" at offset c the next dot is looked for
// from c + 2.  Nothing is read outside the text, whatever its bytes.
#ifndef CORVANE_CONFIG_PARSERS_MORKSCAN_H
#define CORVANE_CONFIG_PARSERS_MORKSCAN_H

#include <string>

#include "Config/parsers/AddressSink.h"

namespace corvane {

void ScanMorkAddresses(const std::string& text, const AddressSink& add);

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_MORKSCAN_H
