// Keychain objects and the keychain-level calls.
#include "base/PathParts.h"
#include "security/KeychainFile.h"
#include "security/PasswordPrompt.h"
#include "security/SecurityObjects.h"

#include <Security/SecKeychain.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace platform::security {
namespace {

bool KeychainsEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    return static_cast<const OpaqueSecKeychainRef*>(a)->path == static_cast<const OpaqueSecKeychainRef*>(b)->path;
}

CFHashCode KeychainHash(const RuntimeBase* object)
{
    return std::hash<std::string>{}(static_cast<const OpaqueSecKeychainRef*>(object)->path);
}

std::string DescribeKeychain(const RuntimeBase* object)
{
    return "<SecKeychain " + static_cast<const OpaqueSecKeychainRef*>(object)->path + ">";
}

const RuntimeClass kKeychainClass{kKeychainTypeID, "SecKeychain", &FinalizeAs<OpaqueSecKeychainRef>, &KeychainsEqual,
                                  &KeychainHash, &DescribeKeychain};

// The keychain's path, or NULL when keychain is not one. This system keeps no default keychain,
// so NULL is not one either.
const std::string* PathOf(SecKeychainRef keychain)
{
    if (!IsType(keychain, kKeychainTypeID)) {
        return nullptr;
    }
    return &keychain->path;
}

std::string AbsolutePath(const char* path)
{
    if (path[0] == '/') {
        return path;
    }
    char folder[PATH_MAX];
    if (::getcwd(folder, sizeof folder) == nullptr) {
        return path;
    }
    return std::string(folder) + "/" + path;
}

// The path with every link along it resolved, links the user made included: a keychain file (or
// its folder) moved elsewhere and linked back is read and written where it really is, so each
// rewrite replaces the file beside the link's target and leaves the link a link, and the unlocked
// key is named by the target's identity. A file not there yet resolves through its folder.
std::string ResolvedPath(const std::string& path)
{
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0) {
        return ResolveUserPath(path);
    }
    // A link whose keychain is not there yet names where it is to be made: its target (a few links
    // deep at most, so that a loop of links ends).
    std::string at = path;
    for (int hop = 0; hop < 8; ++hop) {
        struct stat link {};
        char destination[PATH_MAX];
        if (::lstat(at.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            break;
        }
        const ssize_t length = ::readlink(at.c_str(), destination, sizeof destination - 1);
        if (length <= 0) {
            break;
        }
        const std::string named(destination, static_cast<size_t>(length));
        at = named[0] == '/' ? named : FolderOf(at) + "/" + named;
    }
    std::string folder = ResolveUserPath(FolderOf(at));
    return (folder == "/" ? folder : folder + "/") + NameOf(at);
}

// Whether the path can name a file at all: shorter than PATH_MAX with its terminating NUL, and
// no component longer than NAME_MAX. Checked before anything is asked, so that nobody types a
// password for a keychain that cannot exist.
bool PathFits(const std::string& path)
{
    if (path.size() >= PATH_MAX) {
        return false;
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end - start > NAME_MAX) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

SecKeychainRef NewKeychainObject(std::string path)
{
    return CreateInstance<OpaqueSecKeychainRef>(nullptr, kKeychainClass, std::move(path));
}

}  // namespace platform::security

using namespace platform;
using namespace platform::security;

CFTypeID SecKeychainGetTypeID(void)
{
    RegisterRuntimeClass(kKeychainClass);
    return kKeychainTypeID;
}

OSStatus SecKeychainOpen(const char* pathName, SecKeychainRef* keychain)
{
    if (pathName == nullptr || pathName[0] == '\0' || keychain == nullptr) {
        return errSecParam;
    }
    std::string path = ResolvedPath(AbsolutePath(pathName));
    if (!PathFits(path)) {
        return errSecParam;
    }
    *keychain = NewKeychainObject(std::move(path));
    return *keychain != nullptr ? OSStatus{noErr} : OSStatus{errSecAllocate};
}

OSStatus SecKeychainCreate(const char* pathName, UInt32 passwordLength, const void* password, Boolean promptUser,
                           SecAccessRef initialAccess, SecKeychainRef* keychain)
{
    if (pathName == nullptr || pathName[0] == '\0' || keychain == nullptr ||
        (!promptUser && password == nullptr && passwordLength > 0)) {
        return errSecParam;
    }
    std::string path = ResolvedPath(AbsolutePath(pathName));
    if (!PathFits(path)) {
        return errSecParam;
    }
    // A keychain that exists already is never replaced: its creator answers errSecDuplicateKeychain
    // (as the file's no-replace rename does for one that appears meanwhile), so that the caller
    // opens the keychain there. Told before any password is asked for a keychain that cannot be made.
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        return errSecDuplicateKeychain;
    }
    OSStatus status = noErr;
    if (promptUser) {
        SecretBuffer typed;
        status = AskPassword(kPlatformPasswordCreate, path, 1, typed);
        if (status == noErr) {
            status = CreateKeychainFile(path, typed.Bytes());
        }
    } else {
        status = CreateKeychainFile(path, std::span<const uint8_t>(static_cast<const uint8_t*>(password), passwordLength));
    }
    if (status != noErr) {
        return status;
    }
    *keychain = NewKeychainObject(path);
    return *keychain != nullptr ? OSStatus{noErr} : OSStatus{errSecAllocate};
}

OSStatus SecKeychainCopySettings(SecKeychainRef keychain, SecKeychainSettings* outSettings)
{
    const std::string* path = PathOf(keychain);
    if (path == nullptr) {
        return errSecInvalidKeychain;
    }
    if (outSettings == nullptr) {
        return errSecParam;
    }
    Result<KeychainSnapshot> snapshot = ReadKeychainPreamble(*path);
    if (!snapshot.Ok()) {
        return snapshot.Status();
    }
    // Every field is filled whatever version the caller's record held: a zero-filled record
    // comes back complete, ready to be changed and written back.
    const KeychainSettingsRecord& settings = snapshot->preamble.header.settings;
    outSettings->version = SEC_KEYCHAIN_SETTINGS_VERS1;
    outSettings->lockOnSleep = settings.lockOnSleep;
    outSettings->useLockInterval = settings.useLockInterval;
    outSettings->lockInterval = settings.lockInterval;
    return noErr;
}

OSStatus SecKeychainSetSettings(SecKeychainRef keychain, const SecKeychainSettings* newSettings)
{
    const std::string* path = PathOf(keychain);
    if (path == nullptr) {
        return errSecInvalidKeychain;
    }
    if (newSettings == nullptr || newSettings->version != SEC_KEYCHAIN_SETTINGS_VERS1) {
        return errSecParam;
    }
    KeychainSettingsRecord settings{SEC_KEYCHAIN_SETTINGS_VERS1, newSettings->lockOnSleep != 0,
                                    newSettings->useLockInterval != 0, newSettings->lockInterval};
    return SetKeychainSettings(*path, settings);
}

OSStatus SecKeychainGetStatus(SecKeychainRef keychain, SecKeychainStatus* keychainStatus)
{
    const std::string* path = PathOf(keychain);
    if (path == nullptr) {
        return keychain == nullptr ? errSecNoDefaultKeychain : errSecInvalidKeychain;
    }
    if (keychainStatus == nullptr) {
        return errSecParam;
    }
    Result<uint32_t> bits = KeychainStatusBits(*path);
    if (!bits.Ok()) {
        return bits.Status();
    }
    *keychainStatus = bits.Value();
    return noErr;
}

OSStatus SecKeychainLock(SecKeychainRef keychain)
{
    const std::string* path = PathOf(keychain);
    if (path == nullptr) {
        return keychain == nullptr ? errSecNoDefaultKeychain : errSecInvalidKeychain;
    }
    return LockKeychainFile(*path);
}

OSStatus SecKeychainUnlock(SecKeychainRef keychain, UInt32 passwordLength, const void* password, Boolean usePassword)
{
    const std::string* path = PathOf(keychain);
    if (path == nullptr) {
        return keychain == nullptr ? errSecNoDefaultKeychain : errSecInvalidKeychain;
    }
    if (!usePassword) {
        return UnlockByPrompt(*path);
    }
    if (password == nullptr && passwordLength > 0) {
        return errSecParam;
    }
    return UnlockWithPassword(*path, std::span<const uint8_t>(static_cast<const uint8_t*>(password), passwordLength));
}
