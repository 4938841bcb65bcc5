#include "support/CMUtilsRecords.h"

#include "support/MemoryOwners.h"
#include "support/StAEDesc.h"

namespace CMUtils {
namespace {

// A new empty record in record, or the status of its creation.
OSStatus CreateRecord(StAEDesc& record)
{
    return AECreateList(nullptr, 0, true, record);
}

// The command id, and the attribute and modifier bits when they are not 0.
OSStatus PutCommandFields(StAEDesc& record, SInt32 commandID, UInt32 attributes, UInt32 modifiers)
{
    OSStatus err = AEPutKeyPtr(record, keyContextualMenuCommandID, typeSInt32, &commandID, sizeof commandID);
    if (err == noErr && attributes != 0) {
        SInt32 value = static_cast<SInt32>(attributes);
        err = AEPutKeyPtr(record, keyContextualMenuAttributes, typeSInt32, &value, sizeof value);
    }
    if (err == noErr && modifiers != 0) {
        SInt32 value = static_cast<SInt32>(modifiers);
        err = AEPutKeyPtr(record, keyContextualMenuModifiers, typeSInt32, &value, sizeof value);
    }
    return err;
}

// A record whose name is the given bytes of the given type, followed by the command fields.
OSStatus AppendCommandRecord(AEDescList* commandList, DescType nameType, const void* nameData, Size nameSize,
                             SInt32 commandID, UInt32 attributes, UInt32 modifiers)
{
    StAEDesc record;
    OSStatus err = CreateRecord(record);
    if (err == noErr) {
        err = AEPutKeyPtr(record, keyAEName, nameType, nameData, nameSize);
    }
    if (err == noErr) {
        err = PutCommandFields(record, commandID, attributes, modifiers);
    }
    if (err == noErr) {
        err = AEPutDesc(commandList, 0, record);
    }
    return err;
}

// A submenu record: the name bytes of the given type, then the nested list.
OSStatus AppendSubmenuRecord(AEDescList* commandList, DescType nameType, const void* nameData, Size nameSize,
                             const AEDescList* submenuList)
{
    StAEDesc record;
    OSStatus err = CreateRecord(record);
    if (err == noErr) {
        err = AEPutKeyPtr(record, keyAEName, nameType, nameData, nameSize);
    }
    if (err == noErr) {
        err = AEPutKeyDesc(record, keyContextualMenuSubmenu, submenuList);
    }
    if (err == noErr) {
        err = AEPutDesc(commandList, 0, record);
    }
    return err;
}

// The UTF-16 units of a string: its own storage when it hands it out, otherwise a copy held by
// buffer. An empty string gives a valid pointer to no units, so that it still names an item.
const UniChar* StringUnits(CFStringRef string, AStdMalloc<UniChar>& buffer, UniCharCount& length)
{
    static const UniChar kNoUnits[1] = {0};
    CFIndex count = CFStringGetLength(string);
    length = static_cast<UniCharCount>(count);
    if (count == 0) {
        return kNoUnits;
    }
    if (const UniChar* units = CFStringGetCharactersPtr(string)) {
        return units;
    }
    buffer.AllocateAndCopy(nullptr, static_cast<UInt32>(count), kMemObjNoClear);
    CFStringGetCharacters(string, CFRangeMake(0, count), buffer.Get());
    return buffer.Get();
}

}  // namespace

OSStatus AddCommandToAEDescList(CFStringRef name, SInt32 commandID, Boolean useCFString, AEDescList* commandList,
                                UInt32 attributes, UInt32 modifiers)
{
    if (!useCFString) {
        return AddCommandToAEDescList_Compatible(name, commandID, commandList, attributes, modifiers);
    }
    if (name == nullptr || commandList == nullptr) {
        return paramErr;
    }
    OSStatus err =
        AppendCommandRecord(commandList, typeCFStringRef, &name, sizeof name, commandID, attributes, modifiers);
    // The record now in the list carries the string; its reader releases it. A record that did not
    // make it into the list takes no reference, so nothing is left to leak.
    if (err == noErr) {
        CFRetain(name);
    }
    return err;
}

OSStatus AddCommandToAEDescList_Compatible(CFStringRef name, SInt32 commandID, AEDescList* commandList,
                                           UInt32 attributes, UInt32 modifiers)
{
    if (name == nullptr) {
        return paramErr;
    }
    AStdMalloc<UniChar> buffer;
    UniCharCount length = 0;
    const UniChar* units = StringUnits(name, buffer, length);
    return AddCommandToAEDescList(units, length, commandID, commandList, attributes, modifiers);
}

OSStatus AddCommandToAEDescList(const UniChar* name, UniCharCount length, SInt32 commandID, AEDescList* commandList,
                                UInt32 attributes, UInt32 modifiers)
{
    if (name == nullptr || commandList == nullptr) {
        return paramErr;
    }
    return AppendCommandRecord(commandList, typeUnicodeText, name, static_cast<Size>(length * sizeof(UniChar)),
                               commandID, attributes, modifiers);
}

OSStatus AddCommandToAEDescList(ConstStr255Param name, SInt32 commandID, AEDescList* commandList, UInt32 attributes,
                                UInt32 modifiers)
{
    if (name == nullptr || commandList == nullptr) {
        return paramErr;
    }
    return AppendCommandRecord(commandList, typeChar, name + 1, name[0], commandID, attributes, modifiers);
}

OSStatus AddResCommand(AEDescList* commandList, SInt16 stringListID, SInt16 index, SInt32 commandID,
                       UInt32 attributes, UInt32 modifiers)
{
    Str255 text;
    GetIndString(text, stringListID, index);
    if (text[0] == 0) {
        return resNotFound;
    }
    return AddCommandToAEDescList(text, commandID, commandList, attributes, modifiers);
}

OSStatus AddSubmenu(AEDescList* commandList, CFStringRef name, const AEDescList* submenuList)
{
    if (name == nullptr) {
        return paramErr;
    }
    AStdMalloc<UniChar> buffer;
    UniCharCount length = 0;
    const UniChar* units = StringUnits(name, buffer, length);
    return AddSubmenu(commandList, units, length, submenuList);
}

OSStatus AddSubmenu(AEDescList* commandList, const UniChar* name, UniCharCount length, const AEDescList* submenuList)
{
    if (name == nullptr || commandList == nullptr) {
        return paramErr;
    }
    return AppendSubmenuRecord(commandList, typeUnicodeText, name, static_cast<Size>(length * sizeof(UniChar)),
                               submenuList);
}

OSStatus AddSubmenu(AEDescList* commandList, SInt16 stringListID, SInt16 index, const AEDescList* submenuList)
{
    Str255 text;
    GetIndString(text, stringListID, index);
    if (text[0] == 0) {
        return resNotFound;
    }
    if (commandList == nullptr) {
        return paramErr;
    }
    return AppendSubmenuRecord(commandList, typeChar, text + 1, text[0], submenuList);
}

void ReleaseCommandNames(const AEDescList* commandList)
{
    long count = 0;
    if (commandList == nullptr || AECountItems(commandList, &count) != noErr) {
        return;
    }
    for (long index = 1; index <= count; ++index) {
        StAEDesc record;
        AEKeyword key = 0;
        if (AEGetNthDesc(commandList, index, typeWildCard, &key, record) != noErr) {
            continue;
        }
        DescType type = typeNull;
        CFStringRef name = nullptr;
        Size size = 0;
        if (AEGetKeyPtr(record, keyAEName, typeWildCard, &type, &name, sizeof name, &size) == noErr &&
            type == typeCFStringRef && size == sizeof name && name != nullptr) {
            CFRelease(name);
        }
        StAEDesc submenu;
        if (AEGetKeyDesc(record, keyContextualMenuSubmenu, typeWildCard, submenu) == noErr) {
            ReleaseCommandNames(submenu);
        }
    }
}

OSStatus GetFSRef(const AEDesc& desc, FSRef& outRef)
{
    if (desc.dataHandle == nullptr || desc.descriptorType == typeNull) {
        return fnfErr;
    }
    if (desc.descriptorType == typeFSRef) {
        // A reference of any other size is damaged, and half of one must never pass for a file.
        if (AEGetDescDataSize(&desc) != static_cast<Size>(sizeof outRef)) {
            return errAECorruptData;
        }
        return AEGetDescData(&desc, &outRef, sizeof outRef);
    }
    StAEDesc coerced;
    OSStatus err = AECoerceDesc(&desc, typeFSRef, coerced);
    if (err != noErr) {
        return err;
    }
    return GetFSRef(*coerced.Get(), outRef);
}

Boolean ProcessObjectList(const AEDescList* list, UInt32& ioFlags, ProcessObjectProc proc, void* context)
{
    ioFlags &= 0x00FFFFFF;
    long count = 0;
    if (list == nullptr || proc == nullptr || AECountItems(list, &count) != noErr) {
        return false;
    }
    if (count > 1) {
        ioFlags |= kProcessObjectListHasSeveralItems;
    }
    Boolean anySucceeded = false;
    for (long index = 1; index <= count; ++index) {
        StAEDesc item;
        AEKeyword key = 0;
        FSRef ref;
        if (AEGetNthDesc(list, index, typeWildCard, &key, item) != noErr || GetFSRef(*item.Get(), ref) != noErr) {
            continue;
        }
        SInt32 result = proc(&ref, context);
        if (result == noErr) {
            anySucceeded = true;
            if ((ioFlags & kProcessObjectStopAtFirstSuccess) != 0) {
                break;
            }
        } else if (result == userCanceledErr) {
            break;
        } else {
            ioFlags |= kProcessObjectSomeCallbackFailed;
        }
    }
    return anySucceeded;
}

}  // namespace CMUtils
