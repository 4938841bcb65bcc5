// printf-style formatting into strings, with %@ for objects and positional arguments.
//
// The format is parsed completely before any argument is read, so that every argument is read
// with the type its conversion names, in the order of the argument list, whether the conversions
// use positions (%2$@) or not. Conversions that are not understood are copied into the result as
// they stand and read no argument.
#include "cf/StringFormat.h"

#include "base/CFOwner.h"
#include "cf/StringObject.h"

#include "text/Encodings.h"
#include "text/MacRoman.h"
#include "text/Unicode.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>
#include <string>
#include <vector>

using namespace platform;

namespace {

// Widths and precisions beyond this are clamped: a format must not make the process allocate
// gigabytes of padding.
constexpr int kMaxFieldSize = 1 << 16;

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kIntMax, kSize, kPtrDiff, kLongDouble };

enum class ArgType { kUnknown, kInt, kLong, kLongLong, kIntMax, kSize, kPtrDiff, kDouble, kLongDouble, kPointer };

struct Conversion {
    size_t begin = 0;  // the units of the whole conversion in the format, from '%'
    size_t end = 0;
    bool literal = false;  // plain text (or an unknown conversion): copy begin..end
    std::string flags;
    int width = -1;
    int precision = -1;
    int widthArg = -1;  // argument indices of '*' fields
    int precisionArg = -1;
    int arg = -1;
    Length length = Length::kNone;
    char16_t kind = 0;
};

struct Argument {
    ArgType type = ArgType::kUnknown;
    std::intmax_t integer = 0;
    double real = 0;
    long double longReal = 0;
    const void* pointer = nullptr;
};

bool IsDigit(char16_t unit)
{
    return unit >= '0' && unit <= '9';
}

// Reads a decimal number at pos; -1 when there is none.
int ReadNumber(std::u16string_view format, size_t& pos)
{
    if (pos >= format.size() || !IsDigit(format[pos])) {
        return -1;
    }
    long value = 0;
    while (pos < format.size() && IsDigit(format[pos])) {
        value = std::min<long>(value * 10 + (format[pos] - '0'), kMaxFieldSize);
        ++pos;
    }
    return static_cast<int>(value);
}

// Reads "n$" at pos; the zero-based position, or -1 (pos unchanged) when there is none.
int ReadPosition(std::u16string_view format, size_t& pos)
{
    size_t probe = pos;
    int number = ReadNumber(format, probe);
    if (number < 1 || probe >= format.size() || format[probe] != '$') {
        return -1;
    }
    pos = probe + 1;
    return number - 1;
}

Length ReadLength(std::u16string_view format, size_t& pos)
{
    auto next = [&](char16_t unit) {
        if (pos < format.size() && format[pos] == unit) {
            ++pos;
            return true;
        }
        return false;
    };
    if (next('h')) {
        return next('h') ? Length::kChar : Length::kShort;
    }
    if (next('l')) {
        return next('l') ? Length::kLongLong : Length::kLong;
    }
    if (next('q')) {
        return Length::kLongLong;
    }
    if (next('j')) {
        return Length::kIntMax;
    }
    if (next('z')) {
        return Length::kSize;
    }
    if (next('t')) {
        return Length::kPtrDiff;
    }
    if (next('L')) {
        return Length::kLongDouble;
    }
    return Length::kNone;
}

bool IsIntegerKind(char16_t kind)
{
    return kind == 'd' || kind == 'i' || kind == 'u' || kind == 'o' || kind == 'x' || kind == 'X';
}

bool IsRealKind(char16_t kind)
{
    return std::u16string_view(u"fFeEgGaA").find(kind) != std::u16string_view::npos;
}

ArgType TypeOf(const Conversion& conversion)
{
    char16_t kind = conversion.kind;
    if (IsIntegerKind(kind)) {
        switch (conversion.length) {
        case Length::kLong:
            return ArgType::kLong;
        case Length::kLongLong:
            return ArgType::kLongLong;
        case Length::kIntMax:
            return ArgType::kIntMax;
        case Length::kSize:
            return ArgType::kSize;
        case Length::kPtrDiff:
            return ArgType::kPtrDiff;
        default:
            return ArgType::kInt;  // char and short arrive promoted to int
        }
    }
    if (IsRealKind(kind)) {
        return conversion.length == Length::kLongDouble ? ArgType::kLongDouble : ArgType::kDouble;
    }
    if (kind == 'c' || kind == 'C') {
        return ArgType::kInt;
    }
    if (kind == 's' || kind == 'S' || kind == '@' || kind == 'p' || kind == 'n') {
        return ArgType::kPointer;
    }
    return ArgType::kUnknown;
}

// Splits the format into literal runs and conversions, numbering the arguments of the conversions
// (types[i] is the type of argument i; a position no conversion names stays kUnknown).
std::vector<Conversion> Parse(std::u16string_view format, std::vector<ArgType>& types)
{
    std::vector<Conversion> pieces;
    int nextArg = 0;
    auto claim = [&](int index, ArgType type) {
        if (index >= static_cast<int>(types.size())) {
            types.resize(static_cast<size_t>(index) + 1, ArgType::kUnknown);
        }
        if (types[static_cast<size_t>(index)] == ArgType::kUnknown) {
            types[static_cast<size_t>(index)] = type;
        }
    };
    auto literal = [&](size_t begin, size_t end) {
        if (begin < end) {
            Conversion text;
            text.literal = true;
            text.begin = begin;
            text.end = end;
            pieces.push_back(text);
        }
    };
    size_t pos = 0;
    while (pos < format.size()) {
        size_t percent = format.find(u'%', pos);
        if (percent == std::u16string_view::npos) {
            literal(pos, format.size());
            break;
        }
        literal(pos, percent);
        if (percent + 1 < format.size() && format[percent + 1] == '%') {
            literal(percent + 1, percent + 2);
            pos = percent + 2;
            continue;
        }
        Conversion c;
        c.begin = percent;
        size_t at = percent + 1;
        c.arg = ReadPosition(format, at);
        while (at < format.size() && std::u16string_view(u"-+ #0'").find(format[at]) != std::u16string_view::npos) {
            c.flags.push_back(static_cast<char>(format[at++]));
        }
        if (at < format.size() && format[at] == '*') {
            ++at;
            c.widthArg = ReadPosition(format, at);
            if (c.widthArg < 0) {
                c.widthArg = -2;  // numbered below, in argument order
            }
        } else {
            c.width = ReadNumber(format, at);
        }
        if (at < format.size() && format[at] == '.') {
            ++at;
            if (at < format.size() && format[at] == '*') {
                ++at;
                c.precisionArg = ReadPosition(format, at);
                if (c.precisionArg < 0) {
                    c.precisionArg = -2;
                }
            } else {
                c.precision = std::max(ReadNumber(format, at), 0);
            }
        }
        c.length = ReadLength(format, at);
        if (at >= format.size()) {
            literal(percent, format.size());  // a conversion cut off by the end of the format
            break;
        }
        c.kind = format[at++];
        c.end = at;
        ArgType type = TypeOf(c);
        if (type == ArgType::kUnknown) {
            literal(c.begin, c.end);
            pos = at;
            continue;
        }
        if (c.widthArg == -2) {
            c.widthArg = nextArg++;
        }
        if (c.precisionArg == -2) {
            c.precisionArg = nextArg++;
        }
        if (c.arg < 0) {
            c.arg = nextArg++;
        }
        if (c.widthArg >= 0) {
            claim(c.widthArg, ArgType::kInt);
        }
        if (c.precisionArg >= 0) {
            claim(c.precisionArg, ArgType::kInt);
        }
        claim(c.arg, type);
        pieces.push_back(c);
        pos = at;
    }
    return pieces;
}

// Reads the arguments in order, up to the first position whose type no conversion gave (an
// argument of unknown type cannot be skipped safely).
std::vector<Argument> FetchArguments(const std::vector<ArgType>& types, va_list arguments)
{
    std::vector<Argument> values;
    va_list list;
    va_copy(list, arguments);
    for (ArgType type : types) {
        Argument value;
        value.type = type;
        switch (type) {
        case ArgType::kUnknown:
            va_end(list);
            return values;
        case ArgType::kInt:
            value.integer = va_arg(list, int);
            break;
        case ArgType::kLong:
            value.integer = va_arg(list, long);
            break;
        case ArgType::kLongLong:
            value.integer = va_arg(list, long long);
            break;
        case ArgType::kIntMax:
            value.integer = va_arg(list, std::intmax_t);
            break;
        case ArgType::kSize:
            value.integer = static_cast<std::intmax_t>(va_arg(list, size_t));
            break;
        case ArgType::kPtrDiff:
            value.integer = va_arg(list, std::ptrdiff_t);
            break;
        case ArgType::kDouble:
            value.real = va_arg(list, double);
            break;
        case ArgType::kLongDouble:
            value.longReal = va_arg(list, long double);
            break;
        case ArgType::kPointer:
            value.pointer = va_arg(list, const void*);
            break;
        }
        values.push_back(value);
    }
    va_end(list);
    return values;
}

// An integer argument cut to the size its length modifier names, signed or not.
std::intmax_t SignedValue(std::intmax_t value, Length length)
{
    switch (length) {
    case Length::kChar:
        return static_cast<signed char>(value);
    case Length::kShort:
        return static_cast<short>(value);
    case Length::kNone:
        return static_cast<int>(value);
    case Length::kSize:
        return static_cast<std::intmax_t>(static_cast<std::make_signed_t<size_t>>(value));
    default:
        return value;
    }
}

std::uintmax_t UnsignedValue(std::intmax_t value, Length length)
{
    switch (length) {
    case Length::kChar:
        return static_cast<unsigned char>(value);
    case Length::kShort:
        return static_cast<unsigned short>(value);
    case Length::kNone:
        return static_cast<unsigned int>(value);
    case Length::kLong:
        return static_cast<unsigned long>(value);
    case Length::kSize:
        return static_cast<size_t>(value);
    default:
        return static_cast<std::uintmax_t>(value);
    }
}

template <class... Values>
std::string PrintC(const std::string& format, Values... values)
{
    int size = std::snprintf(nullptr, 0, format.c_str(), values...);
    if (size <= 0) {
        return std::string();
    }
    std::string out(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), format.c_str(), values...);
    out.resize(static_cast<size_t>(size));
    return out;
}

std::u16string Widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// Bytes of a C string argument: UTF-8 when they are valid UTF-8, otherwise Mac OS Roman.
std::u16string DecodeCString(const char* text, int precision)
{
    size_t length = precision >= 0 ? strnlen(text, static_cast<size_t>(precision)) : std::strlen(text);
    std::string_view bytes(text, length);
    std::u16string units;
    if (!DecodeText(bytes, kCFStringEncodingUTF8, false, units)) {
        DecodeText(bytes, kCFStringEncodingMacRoman, false, units);
    }
    return units;
}

std::u16string ObjectText(CFTypeRef object, int precision)
{
    std::u16string units;
    if (object == nullptr) {
        units = u"(null)";
    } else if (IsType(object, kStringTypeID)) {
        units = StringUnits(static_cast<CFStringRef>(object));
    } else {
        CFOwner<CFStringRef> description = AdoptCF(CFCopyDescription(object));
        if (description) {
            units = StringUnits(description.Get());
        }
    }
    if (precision >= 0 && units.size() > static_cast<size_t>(precision)) {
        units.resize(static_cast<size_t>(precision));
    }
    return units;
}

std::u16string Pad(std::u16string text, int width, bool leftJustify)
{
    if (width > 0 && text.size() < static_cast<size_t>(width)) {
        size_t padding = static_cast<size_t>(width) - text.size();
        text.insert(leftJustify ? text.size() : 0, padding, u' ');
    }
    return text;
}

// The text of one conversion whose argument was read.
std::u16string Render(const Conversion& c, const Argument& value, int width, int precision)
{
    bool leftJustify = c.flags.find('-') != std::string::npos;
    std::string conversion = "%" + c.flags;
    if (width >= 0) {
        conversion += std::to_string(width);
    }
    if (precision >= 0) {
        conversion += "." + std::to_string(precision);
    }
    switch (c.kind) {
    case 'd':
    case 'i':
        return Widen(PrintC(conversion + "j" + static_cast<char>(c.kind), SignedValue(value.integer, c.length)));
    case 'u':
    case 'o':
    case 'x':
    case 'X':
        return Widen(PrintC(conversion + "j" + static_cast<char>(c.kind), UnsignedValue(value.integer, c.length)));
    case 'c':
        return Pad(std::u16string(1, MacRomanToUnicode(static_cast<unsigned char>(value.integer))), width, leftJustify);
    case 'C':
        return Pad(std::u16string(1, static_cast<char16_t>(value.integer)), width, leftJustify);
    case 'p': {
        auto address = reinterpret_cast<std::uintptr_t>(value.pointer);
        return Pad(Widen(PrintC("0x%jx", static_cast<std::uintmax_t>(address))), width, leftJustify);
    }
    case 's': {
        const auto* text = static_cast<const char*>(value.pointer);
        return Pad(text == nullptr ? u"(null)" : DecodeCString(text, precision), width, leftJustify);
    }
    case 'S': {
        const auto* text = static_cast<const char16_t*>(value.pointer);
        std::u16string units = u"(null)";
        if (text != nullptr) {
            units.clear();
            for (size_t i = 0; text[i] != 0 && (precision < 0 || i < static_cast<size_t>(precision)); ++i) {
                units.push_back(text[i]);
            }
        }
        return Pad(units, width, leftJustify);
    }
    case '@':
        return Pad(ObjectText(value.pointer, precision), width, leftJustify);
    case 'n':
        return std::u16string();  // writing through an argument is never done
    default:
        if (value.type == ArgType::kLongDouble) {
            return Widen(PrintC(conversion + "L" + static_cast<char>(c.kind), value.longReal));
        }
        return Widen(PrintC(conversion + static_cast<char>(c.kind), value.real));
    }
}

}  // namespace

namespace platform {

std::u16string FormatUnits(std::u16string_view format, va_list arguments)
{
    std::vector<ArgType> types;
    std::vector<Conversion> pieces = Parse(format, types);
    std::vector<Argument> values = FetchArguments(types, arguments);
    auto available = [&](int index) { return index < 0 || static_cast<size_t>(index) < values.size(); };
    std::u16string out;
    for (const Conversion& c : pieces) {
        if (c.literal || !available(c.arg) || !available(c.widthArg) || !available(c.precisionArg)) {
            out.append(format.substr(c.begin, c.end - c.begin));
            continue;
        }
        Conversion adjusted = c;
        int width = c.width;
        int precision = c.precision;
        if (c.widthArg >= 0) {
            auto requested = static_cast<int>(values[static_cast<size_t>(c.widthArg)].integer);
            if (requested < 0) {
                adjusted.flags.push_back('-');  // a negative width asks for left justification
                requested = requested == std::numeric_limits<int>::min() ? kMaxFieldSize : -requested;
            }
            width = std::min(requested, kMaxFieldSize);
        }
        if (c.precisionArg >= 0) {
            auto requested = static_cast<int>(values[static_cast<size_t>(c.precisionArg)].integer);
            precision = requested < 0 ? -1 : std::min(requested, kMaxFieldSize);  // negative: as if absent
        }
        out += Render(adjusted, values[static_cast<size_t>(c.arg)], width, precision);
    }
    return out;
}

}  // namespace platform

extern "C" {

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format,
                                                 va_list arguments)
{
    (void)formatOptions;
    return CreateStringFromUTF16(alloc, FormatUnits(StringUnits(format), arguments));
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    CFStringRef result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, arguments);
    va_end(arguments);
    return result;
}

}  // extern "C"
