// String-list resources. Files here have a data fork only, so no resource is ever found.
#include <Carbon/Resources.h>

extern "C" {

void GetIndString(Str255 theString, SInt16 strListID, SInt16 index)
{
    (void)strListID;
    (void)index;
    if (theString != nullptr) {
        theString[0] = 0;
    }
}

}  // extern "C"
