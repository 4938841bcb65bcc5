// The Resource Manager's string lists, as far as callers of GetIndString need them.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// The index-th string (from 1) of the string-list resource strListID, as a length-prefixed
// string. This platform keeps only data forks, so there are no string-list resources: theString
// always comes back empty (length byte 0), which callers take as "not found". NULL does nothing.
void GetIndString(Str255 theString, SInt16 strListID, SInt16 index);

#ifdef __cplusplus
}
#endif
