#include "dialogs/QtUser.h"

namespace popup {

QtUser::QtUser() : mPasswordSource(mPasswords)
{
    const PlatformUIDriver driver = mDriver.Interface();
    PlatformInstallUIDriver(&driver);
}

QtUser::~QtUser()
{
    PlatformInstallUIDriver(nullptr);
}

}  // namespace popup
