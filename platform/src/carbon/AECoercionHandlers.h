// Coercions installed by the program (AEInstallCoercionHandler), looked up by pair of types.
#pragma once

#include <Carbon/AEDataModel.h>

namespace platform {

// Runs the handler installed for the pair, if any: true when there was one (*status is then its
// answer, and *result what it made, or typeNull on failure).
bool RunInstalledCoercion(const AEDesc* from, DescType toType, AEDesc* result, OSErr* status);

}  // namespace platform
