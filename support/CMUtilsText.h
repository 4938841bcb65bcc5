// Text out of the host's context descriptor, and conversions of strings into UTF-16 buffers, UTF-8
// buffers and Unicode-text descriptors; hexadecimal dumps and small development aids.
//
// Buffers handed out here come from the standard allocator: the caller frees them with free.
// Running out of memory for such a buffer throws memFullErr (-108) as a 32-bit integer, which the
// plug-in's entry points catch. Every other failure answers NULL, false or a status.
#pragma once

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

namespace CMUtils {

// How CreateCFStringFromAEDesc treats line ends. Any other value leaves them alone.
enum {
    kLineEndingsUnchanged = 0,
    kLineFeedsToReturns = 1,  // every line feed (10) becomes a carriage return (13)
    kReturnsToLineFeeds = 2   // every carriage return (13) becomes a line feed (10)
};

// Whether the descriptor holds, or can be coerced to, non-empty text ('utxt' tried before 'TEXT').
// A list is not taken apart: it is coerced as a whole like any other type.
Boolean AEDescHasTextData(const AEDesc& desc);

// The descriptor's text as a new string (+1), or NULL when it holds none. 'utxt' loses a leading
// byte-order mark in host order; 'TEXT' is read in the system encoding; other types are coerced to
// 'utxt' (and only if that fails, to 'TEXT'). lineEndingMode is one of the values above.
CFStringRef CreateCFStringFromAEDesc(const AEDesc& desc, SInt32 lineEndingMode);

// The string's UTF-16 units in a new buffer (free it), not terminated; at least one unit long so
// that an empty string still gives a buffer. *outLength (when given) receives the number of units.
// NULL for a NULL string, *outLength then untouched.
UniChar* CreateUTF16DataFromCFString(CFStringRef str, UInt32* outLength);

// Makes outDesc a new 'utxt' descriptor of the string's units, without byte-order mark or
// terminator; the caller disposes it. paramErr for a NULL string, else AECreateDesc's status.
OSStatus CreateUniTextDescFromCFString(CFStringRef str, AEDesc& outDesc);

// The string as a new NUL-terminated UTF-8 buffer (free it); *outLength (when given) receives the
// bytes before the terminator, 0 on failure. NULL for a NULL or empty string or a failed
// conversion.
char* CreateUTF8CStringFromCFString(CFStringRef str, UInt32* outLength);

// Writes count bytes as upper-case hexadecimal pairs, with a blank after every groupSize bytes (0:
// no blanks), and a NUL that outCount does not count. out needs room for
// 2 * count + count / groupSize + 1 characters.
void BufToHex(const UInt8* bytes, char* out, UInt32 count, UInt32& outCount, UInt8 groupSize);

// Replace, in place, every occurrence of one character within the given length.
void ReplaceCharacters(char* chars, SInt32 length, char find, char replacement);
void ReplaceUnicodeCharacters(UniChar* chars, UInt32 count, UniChar find, UniChar replacement);

// Development aids: the string's description on standard error (nothing for NULL); the number as
// decimal text handed to the debugger break with message.
void DebugCFString(CFStringRef str);
void DebugLongNumber(SInt32 number);

}  // namespace CMUtils
