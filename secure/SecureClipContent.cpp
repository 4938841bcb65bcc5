// A secure clip's content read from its note: the note's bytes as the keychain hands them out,
// decoded by the flavor set's payload reader without a clear copy of their own.
#include "content/FlavorSet.h"
#include "secure/ClipKeychain.h"
#include "support/CFObj.h"

namespace {

// Note data handed out by the keychain, given back to it on every way out.
class StSecureNoteData {
public:
    StSecureNoteData(ClipKeychain& keychain, CFStringRef noteName)
    {
        mData = keychain.ReadSecureNote(noteName, mLength);
    }
    ~StSecureNoteData()
    {
        if (mData != nullptr) {
            ClipKeychain::FreeSecureNoteData(mData);
        }
    }
    StSecureNoteData(const StSecureNoteData&) = delete;
    StSecureNoteData& operator=(const StSecureNoteData&) = delete;

    const UInt8* Bytes() const { return static_cast<const UInt8*>(mData); }
    UInt32 Length() const { return mLength; }

private:
    void* mData = nullptr;
    UInt32 mLength = 0;
};

}  // namespace

void FlavorSet::ReadFromKeychain(CFStringRef noteName, ClipKeychain* keychain)
{
    if (noteName == nullptr || keychain == nullptr) {
        return;
    }
    mHoldsSecret = true;
    StSecureNoteData note(*keychain, noteName);
    if (note.Bytes() == nullptr) {
        return;
    }
    if (mUsePlainText) {
        CreateFromUTF8Text(note.Bytes(), note.Length());
        return;
    }
    // The parser reads the note's bytes where the keychain handed them out: no clear copy is made.
    CFObj<CFDataRef> xmlData(CFDataCreateWithBytesNoCopy(kCFAllocatorDefault, note.Bytes(),
                                                         static_cast<CFIndex>(note.Length()), kCFAllocatorNull));
    CreateFromXMLData(xmlData);
}
