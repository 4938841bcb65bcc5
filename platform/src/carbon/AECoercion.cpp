// Coercion between descriptor types. The only conversions the system needs are between its text
// types: 'TEXT' (Mac OS Roman, the system encoding), 'utxt' (UTF-16 in host order) and, one way,
// 'utf8'. Every other pair fails with errAECoercionFail, unless the program installed a handler.
#include <Carbon/AEDataModel.h>

#include "carbon/AECoercionHandlers.h"
#include "carbon/AEDataStorage.h"
#include "text/Encodings.h"

#include <cstring>
#include <string>
#include <string_view>

using namespace platform;

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

// 'utxt' bytes as units. A leading byte-order mark in host order is not text and is dropped; an
// odd last byte is half a unit and is ignored. A mark in the other order is left alone: 'utxt' is
// host order by definition.
std::u16string UnitsOfUnicodeText(const std::uint8_t* bytes, Size size)
{
    std::u16string units(static_cast<size_t>(size) / 2, u'\0');
    if (!units.empty()) {
        std::memcpy(units.data(), bytes, units.size() * sizeof(char16_t));
    }
    if (!units.empty() && units.front() == kByteOrderMark) {
        units.erase(0, 1);
    }
    return units;
}

// The text of a descriptor's bytes as UTF-16, or false when the type holds no text or the bytes
// are not valid in its encoding.
bool DecodeTextBytes(DescType type, const void* data, Size size, std::u16string& units)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::string_view view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    switch (type) {
    case typeChar:
        return DecodeText(view, kCFStringEncodingMacRoman, false, units);
    case typeUnicodeText:
        units = UnitsOfUnicodeText(bytes, size);
        return true;
    case typeUTF8Text:
        // As an external representation, so that a leading UTF-8 byte-order mark is dropped too.
        return DecodeText(view, kCFStringEncodingUTF8, true, units);
    default:
        return false;
    }
}

bool IsSupportedCoercion(DescType from, DescType to)
{
    switch (to) {
    case typeChar:
        return from == typeUnicodeText || from == typeUTF8Text;
    case typeUnicodeText:
        return from == typeChar || from == typeUTF8Text;
    default:
        return false;
    }
}

// Makes *result the text in the wanted type: 'utxt' without a byte-order mark, or 'TEXT', which
// fails when a character has no Mac OS Roman byte (nothing is silently replaced).
OSErr CreateTextDesc(const std::u16string& units, DescType toType, AEDesc* result)
{
    if (toType == typeUnicodeText) {
        return AECreateDesc(typeUnicodeText, units.data(), static_cast<Size>(units.size() * sizeof(char16_t)),
                            result);
    }
    std::string bytes;
    if (!EncodeAllText(units, kCFStringEncodingMacRoman, 0, false, bytes)) {
        return errAECoercionFail;
    }
    return AECreateDesc(typeChar, bytes.data(), static_cast<Size>(bytes.size()), result);
}

// The coercions the system knows itself; the arguments are already checked.
OSErr CoerceBytes(DescType typeCode, const void* dataPtr, Size dataSize, DescType toType, AEDesc* result)
{
    if (!IsSupportedCoercion(typeCode, toType)) {
        return errAECoercionFail;
    }
    return GuardAllocation([&] {
        std::u16string units;
        if (!DecodeTextBytes(typeCode, dataPtr, dataSize, units)) {
            return static_cast<OSErr>(errAECoercionFail);
        }
        return CreateTextDesc(units, toType, result);
    });
}

}  // namespace

OSErr AECoerceDesc(const AEDesc* theAEDesc, DescType toType, AEDesc* result)
{
    if (theAEDesc == nullptr || result == nullptr) {
        return paramErr;
    }
    if (toType == theAEDesc->descriptorType || toType == typeWildCard) {
        return AEDuplicateDesc(theAEDesc, result);
    }
    // The result is made aside first: result may be the descriptor being coerced, whose old store
    // is freed once the new one exists (nothing else can reach it afterwards).
    AEDesc coerced{typeNull, nullptr};
    OSErr err = noErr;
    if (!RunInstalledCoercion(theAEDesc, toType, &coerced, &err)) {
        if (ListStorage(theAEDesc) != nullptr) {
            // Lists and records are not taken apart: none of them is text.
            err = errAECoercionFail;
        } else {
            const OpaqueAEDataStorage* storage = theAEDesc->dataHandle;
            const void* bytes = storage != nullptr ? storage->bytes.data() : nullptr;
            Size size = storage != nullptr ? static_cast<Size>(storage->bytes.size()) : 0;
            err = CoerceBytes(theAEDesc->descriptorType, bytes, size, toType, &coerced);
        }
    }
    if (result == theAEDesc) {
        if (err != noErr) {
            return err;
        }
        AEDisposeDesc(result);
    }
    *result = coerced;
    return err;
}
