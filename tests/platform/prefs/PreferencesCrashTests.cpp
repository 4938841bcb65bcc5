// Saving the clip list as the plug-in does (read it, add one record, set it, synchronize), in a
// process killed at random moments of its run: afterwards the file holds the list before the save or
// the list after it, every record whole, the other keys untouched, and nothing put aside as
// unreadable.
#include "PreferencesTestSupport.h"

#include "support/KillLoop.h"

using namespace plisttest;

namespace {

constexpr int kFirstRecords = 400;

std::string NameOf(long index)
{
    // Long names make the file large enough for a save to take many writes.
    return "clip " + std::to_string(index) + std::string(120, static_cast<char>('a' + index % 26));
}

CFOwner<CFTypeRef> Record(long index)
{
    auto name = String(NameOf(index));
    auto number = Integer(index);
    const void* keys[] = {CFSTR("NAME"), CFSTR("SUBMENU"), CFSTR("INDEX")};
    const void* values[] = {name.Get(), CFSTR("/Stashwell/Work"), number.Get()};
    return AdoptCF<CFTypeRef>(
        CFDictionaryCreate(nullptr, keys, values, 3, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
}

// The writer: the stored list with one more record at its end.
int AppendOneRecord()
{
    platform::prefs::ResetPreferencesForTesting();
    CFPropertyListRef stored = CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp);
    if (stored == nullptr || CFGetTypeID(stored) != CFArrayGetTypeID()) {
        return 2;
    }
    CFMutableArrayRef list = CFArrayCreateMutableCopy(nullptr, 0, static_cast<CFArrayRef>(stored));
    CFRelease(stored);
    auto record = Record(CFArrayGetCount(list));
    CFArrayAppendValue(list, record.Get());
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list, kApp);
    CFRelease(list);
    return CFPreferencesAppSynchronize(kApp) ? 0 : 3;
}

// The number of records the stored list holds when it is exactly records 0..n-1, whole; -1 when
// the list is missing or any record differs from what was saved.
long WholeListLength()
{
    platform::prefs::ResetPreferencesForTesting();
    CFPropertyListRef stored = CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp);
    if (stored == nullptr) {
        return -1;
    }
    auto owner = AdoptCF<CFTypeRef>(stored);
    if (CFGetTypeID(stored) != CFArrayGetTypeID()) {
        return -1;
    }
    auto list = static_cast<CFArrayRef>(stored);
    CFIndex count = CFArrayGetCount(list);
    for (CFIndex i = 0; i < count; ++i) {
        CFTypeRef record = CFArrayGetValueAtIndex(list, i);
        if (IntegerValue(Get(record, "INDEX")) != i || Utf8(Get(record, "NAME")) != NameOf(i) ||
            Utf8(Get(record, "SUBMENU")) != "/Stashwell/Work") {
            return -1;
        }
    }
    return count;
}

std::string StoredVersion()
{
    CFPropertyListRef version = CFPreferencesCopyAppValue(CFSTR("PREFS_VERSION"), kApp);
    auto owner = AdoptCF<CFTypeRef>(version);
    return Utf8(version);
}

class PreferencesCrash : public PreferencesTest {};

TEST_F(PreferencesCrash, ClipListSaveKilledAnywhereLeavesTheListBeforeOrAfter)
{
    {
        auto list = AdoptCF<CFTypeRef>(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
        for (long i = 0; i < kFirstRecords; ++i) {
            auto record = Record(i);
            CFArrayAppendValue(static_cast<CFMutableArrayRef>(const_cast<void*>(list.Get())), record.Get());
        }
        CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kApp);
        CFPreferencesSetAppValue(CFSTR("PREFS_VERSION"), CFSTR("kept"), kApp);
        ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    }
    ASSERT_EQ(WholeListLength(), kFirstRecords);

    long expected = kFirstRecords;
    testsupport::KillAtRandomMoments(
        "save run", 3, 40, 20261206, [](int) { return AppendOneRecord(); },
        [&](int, const testsupport::ChildEnd& end) {
            long length = WholeListLength();
            EXPECT_TRUE(length == expected || length == expected + 1)
                << "the list holds " << length << " records, expected " << expected << " or " << expected + 1;
            if (!end.killed) {
                EXPECT_EQ(length, expected + 1) << "a writer that finished must have saved";
            }
            EXPECT_EQ(StoredVersion(), "kept");
            bool grew = length == expected + 1;
            expected = length;
            return grew;
        });
    ASSERT_FALSE(HasFailure());
    EXPECT_TRUE(NamesStartingWith("org.stashwell.cmplugin.plist.unreadable").empty())
        << "a killed writer left a file the reader could not use";

    // The next whole save clears the temporaries the killed writers left.
    ASSERT_EQ(testsupport::RunChildAndKill(AppendOneRecord, -1).exitStatus, 0);
    EXPECT_EQ(WholeListLength(), expected + 1);
    EXPECT_TRUE(NamesStartingWith("org.stashwell.cmplugin.plist.tmp-").empty());
}

}  // namespace
