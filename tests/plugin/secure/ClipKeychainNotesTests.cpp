// Secure notes in the clip keychain: their form as keychain items, and adding, finding, reading
// and deleting them by name.
#include "ClipKeychainTesting.h"

#include "support/CFObj.h"

#include <Security/Security.h>

#include <cstring>
#include <string>

namespace keychaintest {
namespace {

class SecureNotesTest : public ClipKeychainTest {
protected:
    void SetUp() override
    {
        ClipKeychainTest::SetUp();
        CreateKeychain();
        mKeychain = new ClipKeychain(KeychainPath().c_str());
    }
    void TearDown() override
    {
        if (mKeychain != nullptr) {
            mKeychain->Lock();
            delete mKeychain;
        }
        ClipKeychainTest::TearDown();
    }

    std::string Read(CFStringRef name) { return ReadNote(*mKeychain, name); }

    ClipKeychain* mKeychain = nullptr;
};

// The item's class and its three attributes, as stored.
struct NoteForm {
    SecItemClass itemClass = 0;
    std::string service, description;
    UInt32 type = 0;
    UInt32 typeLength = 0;
};

NoteForm FormOf(SecKeychainItemRef item)
{
    UInt32 tags[] = {kSecServiceItemAttr, kSecDescriptionItemAttr, kSecTypeItemAttr, kSecAccountItemAttr,
                     kSecLabelItemAttr};
    SecKeychainAttribute attributes[5] = {};
    for (int i = 0; i < 5; ++i) {
        attributes[i].tag = tags[i];
    }
    SecKeychainAttributeList list = {5, attributes};
    NoteForm form;
    EXPECT_EQ(SecKeychainItemCopyContent(item, &form.itemClass, &list, nullptr, nullptr), noErr);
    form.service.assign(static_cast<const char*>(attributes[0].data), attributes[0].length);
    form.description.assign(static_cast<const char*>(attributes[1].data), attributes[1].length);
    form.typeLength = attributes[2].length;
    if (attributes[2].length == 4) {
        std::memcpy(&form.type, attributes[2].data, 4);
    }
    EXPECT_EQ(attributes[3].length, 0u) << "no account";
    EXPECT_EQ(attributes[4].length, 0u) << "no label";
    SecKeychainItemFreeContent(&list, nullptr);
    return form;
}

TEST_F(SecureNotesTest, ANoteIsAGenericPasswordNamedByItsServiceAndMarkedAsASecureNote)
{
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR("Bank"), CFSTR("abc")), noErr);
    EXPECT_EQ(Read(CFSTR("Bank")), "abc");

    CFObj<SecKeychainItemRef> item(mKeychain->FindSecureNote(CFSTR("Bank")));
    ASSERT_NE(item.Get(), nullptr);
    NoteForm form = FormOf(item);
    EXPECT_EQ(form.itemClass, static_cast<SecItemClass>('genp'));
    EXPECT_EQ(form.service, "Bank");
    EXPECT_EQ(form.description, "secure note");
    EXPECT_EQ(form.typeLength, 4u);
    EXPECT_EQ(form.type, static_cast<UInt32>('note'));

    // Its access: named after the note, decryption granted to no application without asking.
    SecAccessRef accessRef = nullptr;
    ASSERT_EQ(SecKeychainItemCopyAccess(item, &accessRef), noErr);
    CFObj<SecAccessRef> access(accessRef);
    CFArrayRef entriesRef = nullptr;
    ASSERT_EQ(SecAccessCopySelectedACLList(access, CSSM_ACL_AUTHORIZATION_DECRYPT, &entriesRef), noErr);
    CFObj<CFArrayRef> entries(entriesRef);
    ASSERT_GT(CFArrayGetCount(entries), 0);
    for (CFIndex i = 0; i < CFArrayGetCount(entries); ++i) {
        auto entry = static_cast<SecACLRef>(const_cast<void*>(CFArrayGetValueAtIndex(entries, i)));
        CFArrayRef applications = nullptr;
        CFStringRef description = nullptr;
        CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR prompt = {};
        ASSERT_EQ(SecACLCopySimpleContents(entry, &applications, &description, &prompt), noErr);
        CFObj<CFArrayRef> applicationsOwner(applications);
        CFObj<CFStringRef> descriptionOwner(description);
        EXPECT_EQ(applications, nullptr);
        EXPECT_EQ(TextOf(description), "Bank");
        EXPECT_EQ(prompt.version, 0x0101);
        EXPECT_EQ(prompt.flags, 0);
    }
}

TEST_F(SecureNotesTest, NotesAreFoundByTheirWholeNameOnly)
{
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR("Bank"), "one", 3), noErr);
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR("Bank account"), "two", 3), noErr);
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR("bank"), "three", 5), noErr);
    CFObj<CFStringRef> accented(CreateString("Caf\xC3\xA9 \xF0\x9F\x94\x91"));
    ASSERT_EQ(mKeychain->AddSecureNote(accented.Get(), "four", 4), noErr);
    EXPECT_EQ(Read(CFSTR("Bank")), "one");
    EXPECT_EQ(Read(CFSTR("bank")), "three");
    EXPECT_EQ(Read(accented.Get()), "four");
    EXPECT_EQ(Read(CFSTR("Ban")), "<none>");
    EXPECT_EQ(Read(CFSTR("")), "<none>");
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR(""), "empty name", 10), noErr);
    EXPECT_EQ(Read(CFSTR("")), "empty name");

    EXPECT_EQ(mKeychain->DeleteSecureNote(CFSTR("Bank")), noErr);
    EXPECT_EQ(Read(CFSTR("Bank")), "<none>");
    EXPECT_EQ(Read(CFSTR("Bank account")), "two");
    EXPECT_EQ(mKeychain->DeleteSecureNote(CFSTR("Bank")), errSecItemNotFound);
}

TEST_F(SecureNotesTest, ANullNameStoresUnderTheDefaultAndFindsNothing)
{
    ASSERT_EQ(mKeychain->AddSecureNote(nullptr, "default", 7), noErr);
    EXPECT_EQ(Read(CFSTR("Stashwell Secure Note")), "default");
    UInt32 length = 42;
    EXPECT_EQ(mKeychain->ReadSecureNote(nullptr, length), nullptr);
    EXPECT_EQ(length, 42u);
    EXPECT_EQ(mKeychain->FindSecureNote(nullptr), nullptr);
    EXPECT_EQ(mKeychain->DeleteSecureNote(nullptr), errSecItemNotFound);
    EXPECT_EQ(Read(CFSTR("Stashwell Secure Note")), "default");
}

TEST_F(SecureNotesTest, OnlyStringsAndDataAreStoredAndStringsWhole)
{
    const std::string before = testsupport::ReadFile(KeychainPath());
    EXPECT_EQ(mKeychain->AddSecureNote(CFSTR("Null"), static_cast<CFTypeRef>(nullptr)), noErr);
    SInt32 value = 7;
    CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value));
    EXPECT_EQ(mKeychain->AddSecureNote(CFSTR("Number"), number.Get()), noErr);
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), before) << "nothing was stored";
    EXPECT_EQ(mKeychain->FindSecureNote(CFSTR("Null")), nullptr);
    EXPECT_EQ(mKeychain->FindSecureNote(CFSTR("Number")), nullptr);

    const UInt8 bytes[] = {0x00, 0xFF, 0x80, 0x0A};
    CFObj<CFDataRef> data(CFDataCreate(kCFAllocatorDefault, bytes, sizeof bytes));
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR("Data"), data.Get()), noErr);
    EXPECT_EQ(Read(CFSTR("Data")), std::string("\x00\xFF\x80\x0A", 4));

    // Strings are stored whole: a NUL inside a text is part of it: a C-string conversion would cut the note there.
    const UniChar units[] = {'a', 0, 'b', 0xE9};
    CFObj<CFStringRef> withNul(CFStringCreateWithCharacters(kCFAllocatorDefault, units, 4));
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR("Nul"), withNul.Get()), noErr);
    EXPECT_EQ(Read(CFSTR("Nul")), std::string("a\0b\xC3\xA9", 5));

    // An empty text is an empty note, found as one.
    ASSERT_EQ(mKeychain->AddSecureNote(CFSTR("Empty"), CFSTR("")), noErr);
    CFObj<SecKeychainItemRef> empty(mKeychain->FindSecureNote(CFSTR("Empty")));
    EXPECT_NE(empty.Get(), nullptr);

    // A text that has no UTF-8 form is refused, not stored as something else.
    const UniChar lone[] = {'x', 0xD800};
    CFObj<CFStringRef> unpaired(CFStringCreateWithCharacters(kCFAllocatorDefault, lone, 2));
    EXPECT_NE(mKeychain->AddSecureNote(CFSTR("Lone"), unpaired.Get()), noErr);
    EXPECT_EQ(mKeychain->FindSecureNote(CFSTR("Lone")), nullptr);
}

}  // namespace
}  // namespace keychaintest
