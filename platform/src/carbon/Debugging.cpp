// The debugger break with a message: here only the message, on standard error.
#include <Carbon/Debugging.h>

#include <cstdio>
#include <string>

void DebugStr(ConstStr255Param debuggerMsg)
{
    std::string line;
    if (debuggerMsg != nullptr) {
        line.assign(reinterpret_cast<const char*>(debuggerMsg + 1), debuggerMsg[0]);
    }
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
