// The value of one hexadecimal digit, as the .strings reader and the UUID parser read them.
#pragma once

namespace platform {

// 0 to 15 for 0-9, a-f and A-F; -1 for any other unit.
constexpr int HexDigitValue(char16_t unit)
{
    if (unit >= u'0' && unit <= u'9') {
        return unit - u'0';
    }
    if (unit >= u'a' && unit <= u'f') {
        return unit - u'a' + 10;
    }
    if (unit >= u'A' && unit <= u'F') {
        return unit - u'A' + 10;
    }
    return -1;
}

}  // namespace platform
