// The writers of the records that carry a menu to the contextual-menu host: one command or one
// submenu becomes one record appended at the end of a descriptor list. Each writer disposes of
// its own record and answers noErr or the status of the first call that failed; a failure loses
// that one record and leaves the list as it was. Also two helpers for lists of file objects.
#pragma once

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

namespace CMUtils {

// A command named by a string. With useCFString the name is written as a string reference
// ('cfst') and receives one extra retain once the record is in the list: that reference belongs
// to whoever reads the record (the host). Without it, as AddCommandToAEDescList_Compatible.
// paramErr for a NULL name or list. attributes and modifiers are written only when not 0.
OSStatus AddCommandToAEDescList(CFStringRef name, SInt32 commandID, Boolean useCFString, AEDescList* commandList,
                                UInt32 attributes, UInt32 modifiers);
// A command whose name is written as UTF-16 text ('utxt'). paramErr for a NULL name.
OSStatus AddCommandToAEDescList_Compatible(CFStringRef name, SInt32 commandID, AEDescList* commandList,
                                           UInt32 attributes, UInt32 modifiers);
// A command named by length UTF-16 units in host order, written as 'utxt' without terminator.
// paramErr for NULL units or a NULL list.
OSStatus AddCommandToAEDescList(const UniChar* name, UniCharCount length, SInt32 commandID, AEDescList* commandList,
                                UInt32 attributes, UInt32 modifiers);
// A command named by a length-prefixed string, written as 'TEXT' (the bytes after the length
// byte). paramErr for a NULL string or list.
OSStatus AddCommandToAEDescList(ConstStr255Param name, SInt32 commandID, AEDescList* commandList, UInt32 attributes,
                                UInt32 modifiers);
// A command named by a string of a string-list resource; resNotFound when there is no such string
// (always, on a platform without resource forks).
OSStatus AddResCommand(AEDescList* commandList, SInt16 stringListID, SInt16 index, SInt32 commandID,
                       UInt32 attributes, UInt32 modifiers);

// A submenu record: the title as 'utxt' and a copy of submenuList under 'cmsb'. paramErr for a
// NULL name.
OSStatus AddSubmenu(AEDescList* commandList, CFStringRef name, const AEDescList* submenuList);
// As above with the title given as length UTF-16 units; paramErr for NULL units or a NULL list.
OSStatus AddSubmenu(AEDescList* commandList, const UniChar* name, UniCharCount length, const AEDescList* submenuList);
// As above with the title from a string-list resource, written as 'TEXT'; resNotFound when there
// is no such string.
OSStatus AddSubmenu(AEDescList* commandList, SInt16 stringListID, SInt16 index, const AEDescList* submenuList);

// Gives back the string references of the 'cfst' names in a list of command and submenu records
// (nested submenus included) whose records will never reach a host. NULL does nothing.
void ReleaseCommandNames(const AEDescList* commandList);

// Reads the file reference a descriptor carries: typeFSRef is read directly (it must hold exactly
// one FSRef, errAECorruptData otherwise), any other type but typeNull is first coerced to
// typeFSRef; a descriptor without data, or typeNull, is fnfErr.
OSStatus GetFSRef(const AEDesc& desc, FSRef& outRef);

// Flags of ProcessObjectList. The caller's own flags live in the low three bytes; the top byte is
// the walk's report.
enum {
    kProcessObjectStopAtFirstSuccess = 0x00010000,  // set by the caller
    kProcessObjectListHasSeveralItems = 0x01000000, // reported
    kProcessObjectSomeCallbackFailed = 0x02000000   // reported
};

// Called for each file object; 0 is a success, userCanceledErr stops the walk, anything else is
// a failure that the walk records and goes past.
typedef SInt32 (*ProcessObjectProc)(const FSRef* ref, void* context);

// Calls proc for every item of the list that names a file object (see GetFSRef), in list order.
// The top byte of ioFlags is cleared first and then reports the walk. False for a NULL list or
// proc, or a list that cannot be counted; otherwise whether any call succeeded.
Boolean ProcessObjectList(const AEDescList* list, UInt32& ioFlags, ProcessObjectProc proc, void* context);

}  // namespace CMUtils
