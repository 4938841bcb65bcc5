// The in-process preferences state.
//
// State is kept per preferences file (so a process that points XDG_CONFIG_HOME elsewhere starts
// afresh there) as libplist trees, not as Core Foundation objects: a value handed out is always a
// new object of the caller's, and a value set is a snapshot that later changes by the caller do
// not reach.
#include "prefs/PreferencesStore.h"

#include "base/Warnings.h"
#include "cf/StringObject.h"
#include "plist/PropertyListReader.h"
#include "plist/PropertyListWriter.h"
#include "prefs/PreferencesFile.h"
#include "prefs/PreferencesPaths.h"
#include "text/Unicode.h"

#include <CoreFoundation/CFPreferences.h>
#include <CoreFoundation/CFString.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace platform::prefs {
namespace {

struct Domain {
    bool loaded = false;
    plist::PlistNode values;  // the file's root dictionary as last read, or an empty node
    FileIdentity identity;  // the version of the file that values were read from
    ValueMap pending;       // this process's changes; an empty node is a removal
};

std::mutex gMutex;

std::map<std::string, Domain>& Domains()
{
    static auto* domains = new std::map<std::string, Domain>();  // never destroyed: used until exit
    return *domains;
}

// The failures told so far: a menu synchronizes more than once, and the same failure told again
// says nothing new.
std::mutex gToldMutex;

std::set<std::string>& Told()
{
    static auto* told = new std::set<std::string>();  // never destroyed: used until exit
    return *told;
}

// A failure to read or write the preferences is never silent: without the values the clips and
// every other setting vanish from the user's view, and without the write a change is lost.
void TellFailure(const char* what, const std::string& error)
{
    TellOnce(std::string("the preferences could not be ") + what + ": " + error);
}

bool IsString(CFTypeRef value)
{
    return value != nullptr && CFGetTypeID(value) == CFStringGetTypeID();
}

// The file of an application id, or nullopt for an id that is not a usable file name.
std::optional<PreferencesFile> FileFor(CFStringRef applicationID)
{
    if (!IsString(applicationID)) {
        return std::nullopt;
    }
    std::string id;
    if (applicationID == kCFPreferencesCurrentApplication) {
        // This platform has no main bundle identifier of its own: the program's name stands in.
        id = program_invocation_short_name;
    } else {
        const std::u16string& units = StringUnits(applicationID);
        if (!IsWellFormedUTF16(units)) {
            return std::nullopt;  // two such ids could otherwise share one file
        }
        id = EncodeUTF8(units);
    }
    auto folder = PreferencesFolder();
    if (!folder || !IsUsableApplicationID(id)) {
        return std::nullopt;
    }
    return PreferencesFile(*folder, id);
}

// The domain of a file, read on first use. Called with the mutex held.
Domain& DomainFor(PreferencesFile& file)
{
    Domain& domain = Domains()[file.Path()];
    if (!domain.loaded) {
        Result<void> read = file.Read(domain.values, domain.identity);
        domain.loaded = read.Ok();
        if (!domain.loaded) {
            TellFailure("read", read.Reason());
        }
    }
    return domain;
}

}  // namespace

void TellOnce(std::string line)
{
    std::lock_guard<std::mutex> lock(gToldMutex);
    if (Told().insert(line).second) {
        ReportWarning(std::move(line));
    }
}

CFPropertyListRef CopyPreferenceValue(CFStringRef key, CFStringRef applicationID)
{
    auto file = FileFor(applicationID);
    if (!file || !IsString(key)) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    Domain& domain = DomainFor(*file);
    const std::u16string& units = StringUnits(key);
    const plist::PlistNode* node = nullptr;
    if (auto change = domain.pending.find(units); change != domain.pending.end()) {
        node = &change->second;
    } else if (domain.values) {
        if (auto stored = domain.values.View().DictionaryItem(EncodeUTF8(units))) {
            Result<CFOwner<CFPropertyListRef>> value = plist::ConvertTree(nullptr, *stored, kCFPropertyListImmutable);
            return value.Ok() ? value->LeakRef() : nullptr;
        }
        return nullptr;
    }
    if (node == nullptr || !*node) {
        return nullptr;
    }
    Result<CFOwner<CFPropertyListRef>> value = plist::ConvertTree(nullptr, node->View(), kCFPropertyListImmutable);
    return value.Ok() ? value->LeakRef() : nullptr;
}

void SetPreferenceValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID)
{
    auto file = FileFor(applicationID);
    if (!file || !IsString(key)) {
        return;
    }
    plist::PlistNode tree;
    if (value != nullptr) {
        Result<plist::PlistNode> built = plist::BuildTree(value);
        if (!built.Ok()) {
            return;
        }
        tree = std::move(built.Value());
    }
    std::lock_guard<std::mutex> lock(gMutex);
    Domain& domain = DomainFor(*file);
    domain.pending[StringUnits(key)] = std::move(tree);
}

bool SynchronizePreferences(CFStringRef applicationID)
{
    auto file = FileFor(applicationID);
    if (!file) {
        return false;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    Domain& domain = Domains()[file->Path()];
    if (domain.pending.empty()) {
        if (Result<void> read = file->Read(domain.values, domain.identity); !read.Ok()) {
            TellFailure("read", read.Reason());
            return false;
        }
    } else {
        // The changes move into the file's values: pending is cleared whatever the outcome.
        ValueMap changes = std::move(domain.pending);
        domain.pending.clear();
        if (Result<void> merged = file->Merge(std::move(changes), domain.values, domain.identity); !merged.Ok()) {
            // The caller hears of the failure and decides again: changes kept pending would be
            // written by some later synchronize over what other processes stored meanwhile.
            TellFailure("saved", merged.Reason());
            return false;
        }
    }
    domain.loaded = true;
    return true;
}

void ResetPreferencesForTesting()
{
    std::lock_guard<std::mutex> lock(gMutex);
    Domains().clear();
    std::lock_guard<std::mutex> told(gToldMutex);
    Told().clear();
}

void FailNextPreferencesWriteForTesting(int stage)
{
    PreferencesFile::FailNextWriteForTesting(static_cast<WriteStage>(stage));
}

}  // namespace platform::prefs
