// Immutable and mutable strings of UTF-16 units, and their conversion to and from bytes.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFData.h>

#include <stdarg.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef UInt32 CFStringEncoding;

enum {
    kCFStringEncodingMacRoman = 0,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingUnicode = 0x0100,
    kCFStringEncodingUTF16 = 0x0100,
    kCFStringEncodingUTF8 = 0x08000100,
    kCFStringEncodingUTF16BE = 0x10000100,
    kCFStringEncodingUTF16LE = 0x14000100,
    kCFStringEncodingInvalidId = 0xffffffffU
};

// A constant string: immortal, never counted as a live object, one object per distinct text.
// The text is UTF-8.
#define CFSTR(cStr) CFStringMakeConstantString("" cStr "")
CFStringRef CFStringMakeConstantString(const char* cStr);

CFTypeID CFStringGetTypeID(void);

// Creation (+1). NULL when the bytes are not valid in the encoding.
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding);
// isExternalRepresentation: the bytes may start with a byte-order mark (UTF-16: U+FEFF in either
// byte order, which then decides the byte order; UTF-8: EF BB BF), which is not part of the text.
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars, CFIndex numChars);
CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
// printf-style formatting (+1): the C conversions with their flags, width, precision and length
// modifiers, positional arguments (%1$@), %@ for the description of an object (a string inserts
// its text, NULL gives "(null)"), %C for a UniChar and %S for a NUL-terminated UniChar array.
// %s takes UTF-8 (bytes that are not UTF-8 are read as Mac OS Roman). %n writes nothing. An
// unknown conversion is copied into the result as it stands. formatOptions is ignored.
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format,
                                                 va_list arguments);

// Mutable strings (+1). maxLength 0 means unlimited; otherwise a change that would make the string
// longer than maxLength units is refused and leaves the string as it was. A mutable copy of a
// string already longer than maxLength is NULL.
CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex maxLength);
CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength, CFStringRef theString);
void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString);
void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars, CFIndex numChars);
void CFStringAppendCString(CFMutableStringRef theString, const char* cStr, CFStringEncoding encoding);

// Access.
CFIndex CFStringGetLength(CFStringRef theString);
UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx);
void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
// The string's own UTF-16 storage, valid while the string lives and is not mutated; may be NULL.
const UniChar* CFStringGetCharactersPtr(CFStringRef theString);
// Converts into a NUL-terminated buffer. False when the buffer is too small or a character cannot
// be represented in the encoding.
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize, CFStringEncoding encoding);
// Converts the range into bytes; lossByte 0 stops at the first character that cannot be
// represented, any other value stands in for it. Returns the number of characters converted;
// usedBufLen receives the bytes written (or needed, when buffer is NULL).
CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding, UInt8 lossByte,
                         Boolean isExternalRepresentation, UInt8* buffer, CFIndex maxBufLen, CFIndex* usedBufLen);
// The bytes of the whole string in the encoding (+1). UTF-16 starts with U+FEFF in host order.
// NULL when a character cannot be represented and lossByte is 0.
CFDataRef CFStringCreateExternalRepresentation(CFAllocatorRef alloc, CFStringRef theString,
                                               CFStringEncoding encoding, UInt8 lossByte);
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
CFStringEncoding CFStringGetSystemEncoding(void);

#ifdef __cplusplus
}
#endif
