// The content of one clip while the plug-in works with it: flavors (a four-character type with the
// bytes of one representation), kept in ascending order of the type code so that everything made
// from a set (the clipboard, the type strings, the flavor files, the content dictionary) comes out
// in the same order. Each flavor is a Memory Manager block that knows its size; a block of no
// bytes never enters a set. The set owns its blocks and frees them when it goes away, wiped first
// when they are a secure clip's.
#pragma once

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

#include <map>

class ClipKeychain;

class FlavorSet : public std::map<UInt32, Ptr> {
public:
    // The most flavors a clip keeps: the most the clipboard holds, so that every clip can be
    // pasted whole.
    static constexpr UInt32 kMaxClipFlavors = 256;

    FlavorSet();
    virtual ~FlavorSet();

    FlavorSet(const FlavorSet&) = delete;
    FlavorSet& operator=(const FlavorSet&) = delete;

    // Clipboard exchange. Reading leaves out flavors too large to hold as a block, and notes that
    // in mLeftOutTooLarge. Putting tries every flavor and answers the first failure: the clipboard
    // then does not hold the whole set; *flavorsPut (when given) counts the flavors it does hold.
    void ReadFromClibpoard();
    OSStatus PutToClipboard(UInt32* flavorsPut = nullptr);
    Boolean AnyContentAvailable();
    static Boolean IsAnythingInClipboard();
    static CFDataRef ReadOneFlavorFromClipboard(UInt32 flavorType);

    // Flavors from text: 'utxt' (byte-order mark, then UTF-16 in host order) and 'TEXT' (system
    // encoding, when every character can be represented).
    void CreateFromCFString(CFStringRef text);
    void CreateFromUTF8Text(const UInt8* bytes, UInt32 length);

    // Type strings: the four bytes of a type decoded as Mac OS Roman.
    CFMutableArrayRef CreateFlavorTypeStringsArray();
    static CFStringRef CreateCFStringFromFourCharCode(UInt32 flavorType);
    static UInt32 CreateFourCharCodeFromCFString(CFStringRef string);

    // Clip packages in the clips folder.
    static OSStatus GetStashwellFolderRef(FSRef* folderRef);
    // The clips folder when it exists; nothing is created (fnfErr otherwise).
    static OSStatus FindStashwellFolderRef(FSRef* folderRef);
    static OSStatus GetClipPackageRef(CFStringRef clipFileName, FSRef* packageRef);
    // Writes one flavor file per stored flavor. A flavor whose type cannot be a file name (a ':' or
    // a NUL in it) is left out of the set and the package. Answers noErr only when every file was
    // written whole; otherwise the first failure, and the caller must not record the clip.
    OSStatus SaveToFiles(const FSRef* packageRef);
    // Reads the flavor files the type strings name. A file that is missing, empty, too large or
    // short is skipped; one that cannot be opened or measured stops the reading there. Either way
    // mLeftOutOnRead becomes true, so that a clip is never pasted in part.
    void ReadFromFiles(const FSRef* packageRef, CFArrayRef typeStrings);
    static OSStatus DeleteFiles(const FSRef* packageRef);
    static void FourCharCodeToFileName(UInt32 flavorType, HFSUniStr255* name);
    static void FileNameToFourCharCode(const HFSUniStr255* name, UInt32* flavorType);
    static CFDataRef ReadOneFlavorFromFile(CFStringRef clipFileName, CFStringRef flavorFileName);

    // The secure-note payload.
    CFDictionaryRef CreateTemporaryContentDict();
    CFStringRef CreateCFStringContent();
    void CreateFromXMLData(CFDataRef xmlData);
    // Reads the note through the keychain, which the secure room keeps: defined there.
    void ReadFromKeychain(CFStringRef noteName, ClipKeychain* keychain);

    // The proposed name of a new clip; hasText becomes true when the set holds 'utxt' or 'TEXT'.
    // *fromContent (when given) tells whether the name is the text's own first words rather than
    // one of the fixed names ("New Text Clip", "New Picture Clip", ...).
    CFStringRef CreateDefaultNameString(Boolean& hasText, Boolean* fromContent = nullptr);

    // When true, only 'utxt' and 'TEXT' are stored (flavor files, type strings, content
    // dictionary) and a secure note is read as text.
    Boolean mUsePlainText;
    // True once ReadFromClibpoard left out a flavor too large to be held.
    Boolean mLeftOutTooLarge;
    // True once ReadFromClibpoard found more flavors than a clip can keep, and read none.
    Boolean mTooManyFlavors;
    // True once ReadFromFiles did not read a flavor that its list names.
    Boolean mLeftOutOnRead;
    // True when the set holds a secure clip's content (read from its note, or to be stored as
    // one): every block is then wiped before it is freed.
    Boolean mHoldsSecret;

protected:
    // Stores a block under a type unless the set already holds that type, in which case the block
    // offered is disposed of. Takes the block over in every case.
    void StoreFlavor(UInt32 flavorType, Ptr block);

private:
    // Frees a block of the set, wiped first when the set holds a secret.
    void DisposeFlavorBlock(Ptr block);
};
