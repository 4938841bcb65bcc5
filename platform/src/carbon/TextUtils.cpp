// Numbers as length-prefixed decimal text.
#include <Carbon/TextUtils.h>

#include <cstdio>

void NumToString(SInt32 theNum, Str255 theString)
{
    if (theString == nullptr) {
        return;
    }
    // Widened first, so that the most negative number has a positive counterpart.
    char digits[16];
    int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(theNum));
    theString[0] = static_cast<unsigned char>(length);
    for (int index = 0; index < length; ++index) {
        theString[index + 1] = static_cast<unsigned char>(digits[index]);
    }
}
