// Builds command lists the way a plug-in writes them, for tests of what the host reads back.
#pragma once

#include "common/ScopedAEDesc.h"

#include <Carbon/Carbon.h>

#include <string>

namespace hosttest {

class MenuRecordBuilder {
public:
    MenuRecordBuilder() { AECreateList(nullptr, 0, true, mRecord.Out()); }

    // A 'cfst' name: the record holds a new string reference, which passes to the reader.
    MenuRecordBuilder& CFStringName(const char* utf8)
    {
        CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, utf8, kCFStringEncodingUTF8);
        AEPutKeyPtr(mRecord.Mutable(), keyAEName, typeCFStringRef, &name, sizeof name);
        return *this;
    }
    MenuRecordBuilder& UnicodeName(const std::u16string& units)
    {
        AEPutKeyPtr(mRecord.Mutable(), keyAEName, typeUnicodeText, units.data(),
                    static_cast<Size>(units.size() * sizeof(char16_t)));
        return *this;
    }
    // Bytes in Mac OS Roman.
    MenuRecordBuilder& CharName(const std::string& bytes)
    {
        AEPutKeyPtr(mRecord.Mutable(), keyAEName, typeChar, bytes.data(), static_cast<Size>(bytes.size()));
        return *this;
    }
    MenuRecordBuilder& RawName(DescType type, const void* data, Size size)
    {
        AEPutKeyPtr(mRecord.Mutable(), keyAEName, type, data, size);
        return *this;
    }
    MenuRecordBuilder& Long(AEKeyword key, SInt32 value)
    {
        AEPutKeyPtr(mRecord.Mutable(), key, typeSInt32, &value, sizeof value);
        return *this;
    }
    MenuRecordBuilder& Command(SInt32 id) { return Long(keyContextualMenuCommandID, id); }
    MenuRecordBuilder& Submenu(const AEDescList& list)
    {
        AEPutKeyDesc(mRecord.Mutable(), keyContextualMenuSubmenu, &list);
        return *this;
    }
    // Appends the record to the list. A record may be appended once only: its 'cfst' reference
    // belongs to one reader.
    void AppendTo(AEDescList* list) { AEPutDesc(list, 0, &mRecord.Get()); }

private:
    cmhost::ScopedAEDesc mRecord;
};

inline cmhost::ScopedAEDesc NewList()
{
    cmhost::ScopedAEDesc list;
    AECreateList(nullptr, 0, false, list.Out());
    return list;
}

}  // namespace hosttest
