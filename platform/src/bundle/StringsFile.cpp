// The ".strings" parser. It works on UTF-16 units; every step consumes at least one unit or
// stops, so no input can make it loop.
#include "bundle/StringsFile.h"

#include "base/RegularFile.h"
#include "text/HexDigits.h"
#include "text/Unicode.h"

#include <optional>

namespace platform {
namespace {

std::u16string DecodeUTF16(std::string_view bytes, bool bigEndian)
{
    std::u16string units;
    units.reserve(bytes.size() / 2);
    // An odd final byte is half a unit: it is dropped.
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        units.push_back(static_cast<char16_t>((high << 8) | low));
    }
    return units;
}

std::u16string DecodeTableText(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        return DecodeUTF16(bytes.substr(2), false);
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        return DecodeUTF16(bytes.substr(2), true);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    std::u16string units;
    DecodeUTF8(bytes, units, false);
    return units;
}

bool IsUnquotedCharacter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'.' || c == u'-' || c == u'/' || c == u'$' || c == u':';
}

class StringsParser {
public:
    explicit StringsParser(const std::u16string& text) : mText(text) {}

    void Parse(StringsParseResult& result)
    {
        for (;;) {
            if (!SkipSpaceAndComments()) {
                return Fail(result);
            }
            if (AtEnd()) {
                return;
            }
            std::optional<std::u16string> key = ReadToken();
            if (!key) {
                return Fail(result);
            }
            if (!SkipSpaceAndComments()) {
                return Fail(result);
            }
            std::u16string value = *key;  // `"key";` alone maps the key to itself
            if (Peek() == u'=') {
                ++mPos;
                if (!SkipSpaceAndComments()) {
                    return Fail(result);
                }
                std::optional<std::u16string> read = ReadToken();
                if (!read) {
                    return Fail(result);
                }
                value = std::move(*read);
                if (!SkipSpaceAndComments()) {
                    return Fail(result);
                }
            }
            if (Peek() != u';') {
                mError = "expected ';'";
                return Fail(result);
            }
            ++mPos;
            result.entries.insert_or_assign(std::move(*key), std::move(value));
        }
    }

private:
    bool AtEnd() const { return mPos >= mText.size(); }
    char16_t Peek(size_t ahead = 0) const { return mPos + ahead < mText.size() ? mText[mPos + ahead] : u'\0'; }

    void Fail(StringsParseResult& result)
    {
        size_t line = 1;
        for (size_t i = 0; i < mPos && i < mText.size(); ++i) {
            line += mText[i] == u'\n' ? 1 : 0;
        }
        result.complete = false;
        result.error = "line " + std::to_string(line) + ": " + (mError.empty() ? "unexpected text" : mError);
    }

    bool StartsComment() const { return Peek() == u'/' && (Peek(1) == u'*' || Peek(1) == u'/'); }

    // False on a comment that never ends.
    bool SkipSpaceAndComments()
    {
        while (!AtEnd()) {
            char16_t c = Peek();
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' || c == 0xFEFF) {
                ++mPos;
            } else if (Peek() == u'/' && Peek(1) == u'/') {
                while (!AtEnd() && Peek() != u'\n' && Peek() != u'\r') {
                    ++mPos;
                }
            } else if (Peek() == u'/' && Peek(1) == u'*') {
                size_t end = mText.find(u"*/", mPos + 2);
                if (end == std::u16string::npos) {
                    mError = "comment without an end";
                    return false;
                }
                mPos = end + 2;
            } else {
                return true;
            }
        }
        return true;
    }

    std::optional<std::u16string> ReadToken()
    {
        if (Peek() == u'"' && !AtEnd()) {
            return ReadQuoted();
        }
        std::u16string token;
        while (!AtEnd() && IsUnquotedCharacter(Peek()) && !StartsComment()) {
            token.push_back(Peek());
            ++mPos;
        }
        if (token.empty()) {
            mError = AtEnd() ? "unexpected end of file" : "expected a quoted or plain string";
            return std::nullopt;
        }
        return token;
    }

    std::optional<std::u16string> ReadQuoted()
    {
        ++mPos;  // the opening quote
        std::u16string text;
        while (!AtEnd()) {
            char16_t c = mText[mPos++];
            if (c == u'"') {
                return text;
            }
            if (c != u'\\') {
                text.push_back(c);
                continue;
            }
            if (AtEnd()) {
                break;
            }
            if (!ReadEscape(text)) {
                return std::nullopt;
            }
        }
        mError = "string without a closing quote";
        return std::nullopt;
    }

    // After a backslash: appends the character the escape stands for.
    bool ReadEscape(std::u16string& text)
    {
        char16_t c = mText[mPos++];
        switch (c) {
        case u'n': text.push_back(u'\n'); return true;
        case u't': text.push_back(u'\t'); return true;
        case u'r': text.push_back(u'\r'); return true;
        case u'a': text.push_back(u'\a'); return true;
        case u'b': text.push_back(u'\b'); return true;
        case u'f': text.push_back(u'\f'); return true;
        case u'v': text.push_back(u'\v'); return true;
        case u'U':
        case u'u': {
            unsigned value = 0;
            for (int i = 0; i < 4; ++i) {
                int digit = HexDigitValue(Peek());
                if (digit < 0) {
                    mError = "\\U needs four hexadecimal digits";
                    return false;
                }
                value = value * 16 + static_cast<unsigned>(digit);
                ++mPos;
            }
            text.push_back(static_cast<char16_t>(value));
            return true;
        }
        default:
            break;
        }
        if (c >= u'0' && c <= u'7') {
            // Up to three octal digits, as in C: "\0" is U+0000, "\101" is 'A'.
            unsigned value = static_cast<unsigned>(c - u'0');
            for (int i = 0; i < 2 && Peek() >= u'0' && Peek() <= u'7'; ++i) {
                value = value * 8 + static_cast<unsigned>(Peek() - u'0');
                ++mPos;
            }
            text.push_back(static_cast<char16_t>(value));
            return true;
        }
        // \" \\ \' and any other escaped character stand for themselves.
        text.push_back(c);
        return true;
    }

    const std::u16string& mText;
    size_t mPos = 0;
    std::string mError;
};

}  // namespace

StringsParseResult ParseStringsData(std::string_view bytes)
{
    StringsParseResult result;
    std::u16string text = DecodeTableText(bytes);
    StringsParser(text).Parse(result);
    return result;
}

bool ReadStringsFile(const std::string& path, StringsParseResult& result)
{
    Result<std::string> bytes = ReadRegularFile(path, kMaxStringsFileBytes);
    if (!bytes.Ok()) {
        result = StringsParseResult{};
        result.complete = false;
        result.error = bytes.Reason();
        return false;
    }
    result = ParseStringsData(bytes.Value());
    return true;
}

}  // namespace platform
