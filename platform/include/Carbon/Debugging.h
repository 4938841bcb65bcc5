// The debugger break with a message. There is no low-level debugger here: the message is written
// to standard error and the program goes on.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// Writes the length-prefixed message and a newline to standard error. NULL writes an empty line.
void DebugStr(ConstStr255Param debuggerMsg);

#ifdef __cplusplus
}
#endif
