// Secure notes: each secure clip is one generic-password item of the clip keychain, named by its
// service attribute and marked by the description "secure note" and the type 'note'. Its data is
// the clip's encoded content, exactly as given.
#include "secure/ClipKeychain.h"

#include "support/MemoryOwners.h"

#include <cstdint>
#include <string.h>

namespace {

#define kDefaultNoteName CFSTR("Stashwell Secure Note")

constexpr char kNoteDescription[] = "secure note";
constexpr UInt32 kNoteDescriptionLength = sizeof kNoteDescription - 1;
constexpr FourCharCode kNoteType = 'note';

// The string's UTF-8 bytes, all of them: a NUL inside the text is part of it, where a C-string
// conversion would stop there and store the text cut short. An empty string gives no bytes.
// False when the string cannot be converted (an unpaired surrogate).
bool CopyUTF8Bytes(CFStringRef string, AStdMalloc<char>& bytes, UInt32& length)
{
    length = 0;
    const CFIndex units = CFStringGetLength(string);
    if (units == 0) {
        return true;
    }
    const CFIndex maximum = CFStringGetMaximumSizeForEncoding(units, kCFStringEncodingUTF8);
    if (maximum < 1 || maximum > static_cast<CFIndex>(UINT32_MAX)) {
        return false;
    }
    bytes.AllocateAndCopy(nullptr, static_cast<UInt32>(maximum), kMemObjNoClear);
    CFIndex used = 0;
    const CFIndex converted = CFStringGetBytes(string, CFRangeMake(0, units), kCFStringEncodingUTF8, 0, false,
                                               reinterpret_cast<UInt8*>(bytes.Get()), maximum, &used);
    if (converted != units) {
        explicit_bzero(bytes.Get(), static_cast<size_t>(maximum));
        return false;
    }
    length = static_cast<UInt32>(used);
    return true;
}

// The three attributes that make an item a secure note of that name. The attribute records point
// into name and into the object itself, so it is neither copied nor moved.
class NoteAttributes {
public:
    NoteAttributes(const char* name, UInt32 nameLength)
        : mType(kNoteType),
          mAttributes{{kSecServiceItemAttr, nameLength, const_cast<char*>(name)},
                      {kSecDescriptionItemAttr, kNoteDescriptionLength, const_cast<char*>(kNoteDescription)},
                      {kSecTypeItemAttr, sizeof mType, &mType}},
          mList{3, mAttributes}
    {
    }
    NoteAttributes(const NoteAttributes&) = delete;
    NoteAttributes& operator=(const NoteAttributes&) = delete;

    SecKeychainAttributeList* Get() { return &mList; }

private:
    FourCharCode mType;
    SecKeychainAttribute mAttributes[3];
    SecKeychainAttributeList mList;
};

}  // namespace

SecKeychainItemRef ClipKeychain::FindSecureNote(CFStringRef noteName)
{
    if (mKeychain.Get() == nullptr || noteName == nullptr) {
        mLastReadStatus = mKeychain.Get() == nullptr ? errSecInvalidKeychain : errSecItemNotFound;
        return nullptr;
    }
    AStdMalloc<char> name;
    UInt32 nameLength = 0;
    if (!CopyUTF8Bytes(noteName, name, nameLength)) {
        mLastReadStatus = errSecItemNotFound;
        return nullptr;
    }
    NoteAttributes attributes(name.Get(), nameLength);
    SecKeychainSearchRef searchRef = nullptr;
    mLastReadStatus = SecKeychainSearchCreateFromAttributes(mKeychain.Get(), kSecGenericPasswordItemClass,
                                                            attributes.Get(), &searchRef);
    if (mLastReadStatus != noErr) {
        return nullptr;
    }
    CFObj<SecKeychainSearchRef> search(searchRef);
    SecKeychainItemRef item = nullptr;
    mLastReadStatus = SecKeychainSearchCopyNext(search, &item);
    return mLastReadStatus == noErr ? item : nullptr;
}

void* ClipKeychain::ReadSecureNote(CFStringRef noteName, UInt32& length)
{
    CFObj<SecKeychainItemRef> item(FindSecureNote(noteName));
    if (item.Get() == nullptr) {
        return nullptr;
    }
    UInt32 dataLength = 0;
    void* data = nullptr;
    mLastReadStatus = SecKeychainItemCopyAttributesAndData(item, nullptr, nullptr, nullptr, &dataLength, &data);
    if (mLastReadStatus != noErr) {
        return nullptr;
    }
    length = dataLength;
    return data;
}

OSStatus ClipKeychain::FreeSecureNoteData(void* data)
{
    // Note data belongs to the keychain services, which wipe it as they take it back.
    return SecKeychainItemFreeAttributesAndData(nullptr, data);
}

OSStatus ClipKeychain::DeleteSecureNote(CFStringRef noteName)
{
    if (mKeychain.Get() == nullptr) {
        return errSecInvalidKeychain;
    }
    if (noteName == nullptr) {
        return errSecItemNotFound;
    }
    CFObj<SecKeychainItemRef> item(FindSecureNote(noteName));
    if (item.Get() == nullptr) {
        return errSecItemNotFound;
    }
    return SecKeychainItemDelete(item);
}

OSStatus ClipKeychain::AddSecureNote(CFStringRef noteName, const void* data, UInt32 length)
{
    if (mKeychain.Get() == nullptr) {
        return errSecInvalidKeychain;
    }
    CFStringRef name = noteName != nullptr ? noteName : kDefaultNoteName;

    // The note's access: named after the note, no application trusted without asking.
    CFObj<CFArrayRef> trusted(CFArrayCreate(kCFAllocatorDefault, nullptr, 0, &kCFTypeArrayCallBacks));
    SecAccessRef accessRef = nullptr;
    OSStatus status = SecAccessCreate(name, trusted, &accessRef);
    if (status != noErr) {
        return status;
    }
    if (accessRef == nullptr) {
        return errSecAuthFailed;
    }
    CFObj<SecAccessRef> access(accessRef);
    CFArrayRef entriesRef = nullptr;
    SecAccessCopySelectedACLList(access, CSSM_ACL_AUTHORIZATION_DECRYPT, &entriesRef);
    CFObj<CFArrayRef> entries(entriesRef);
    if (entries.Get() != nullptr) {
        const CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR prompt = {CSSM_ACL_KEYCHAIN_PROMPT_CURRENT_VERSION, 0};
        const CFIndex count = CFArrayGetCount(entries);
        for (CFIndex i = 0; i < count; ++i) {
            CFTypeRef entry = CFArrayGetValueAtIndex(entries, i);
            if (entry != nullptr && CFGetTypeID(entry) == SecACLGetTypeID()) {
                SecACLSetSimpleContents(static_cast<SecACLRef>(const_cast<void*>(entry)), nullptr, name, &prompt);
            }
        }
    }

    AStdMalloc<char> utf8Name;
    UInt32 nameLength = 0;
    if (!CopyUTF8Bytes(name, utf8Name, nameLength)) {
        return paramErr;
    }
    NoteAttributes attributes(utf8Name.Get(), nameLength);
    return SecKeychainItemCreateFromContent(kSecGenericPasswordItemClass, attributes.Get(), length, data, mKeychain,
                                            access, nullptr);
}

OSStatus ClipKeychain::AddSecureNote(CFStringRef noteName, CFTypeRef content)
{
    if (content == nullptr) {
        return noErr;
    }
    if (CFGetTypeID(content) == CFStringGetTypeID()) {
        AStdMalloc<char> bytes;
        UInt32 length = 0;
        // A string that cannot be converted is refused rather than stored as an empty note.
        if (!CopyUTF8Bytes(static_cast<CFStringRef>(content), bytes, length)) {
            return paramErr;
        }
        const OSStatus status = AddSecureNote(noteName, bytes.Get(), length);
        // The note's clear text leaves no copy behind in the freed block.
        if (length > 0) {
            explicit_bzero(bytes.Get(), length);
        }
        return status;
    }
    if (CFGetTypeID(content) == CFDataGetTypeID()) {
        auto data = static_cast<CFDataRef>(content);
        const CFIndex length = CFDataGetLength(data);
        if (length > static_cast<CFIndex>(UINT32_MAX)) {
            return errSecDataTooLarge;
        }
        return AddSecureNote(noteName, CFDataGetBytePtr(data), static_cast<UInt32>(length));
    }
    return noErr;
}
