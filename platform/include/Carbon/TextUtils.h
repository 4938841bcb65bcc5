// Numbers as length-prefixed text.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// Writes theNum in decimal (a leading '-' when negative) into theString as a length-prefixed
// string: the length byte, then the digits.
void NumToString(SInt32 theNum, Str255 theString);

#ifdef __cplusplus
}
#endif
