// The contact files of Windows Contacts (*.contact, one per contact below the
// user's "Contacts" folder): XML in UTF-8, where each e-mail address of the
// contact is the text of an Address element inside an EmailAddress element:
//   <c:EmailAddressCollection>
//     <c:EmailAddress c:ElementID="..."><c:Type>SMTP</c:Type>
//       <c:Address>ada@example.org</c:Address>...</c:EmailAddress>
//     <c:EmailAddress c:ElementID="..." xsi:nil="true"/>
//   </c:EmailAddressCollection>
//
// Contract: ReadContactAddresses hands the sink the text of every such
// Address element in file order, with the blanks around it trimmed and the
// XML character references and the five predefined entities decoded (a
// number above 127 as UTF-8).  Elements are matched by local name, whatever
// their prefix; comments are skipped; an EmailAddress that is empty
// (xsi:nil) gives nothing.  A file in UTF-16LE with a byte-order mark is
// read as well, up to its first unit above 255.  Text from a tag that is not
// closed on is ignored.  No Windows calls; never throws but std::bad_alloc.
#ifndef CORVANE_CONFIG_PARSERS_CONTACTFILE_H
#define CORVANE_CONFIG_PARSERS_CONTACTFILE_H

#include <string>

#include "Config/parsers/AddressSink.h"

namespace corvane {

void ReadContactAddresses(const std::string& bytes, const AddressSink& sink);

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_CONTACTFILE_H
