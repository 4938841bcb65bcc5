// From libplist nodes to Core Foundation objects. Dictionary keys are always immutable strings;
// the mutability option decides containers (1 and 2) and strings and data (2 only).
#include "plist/PropertyListReader.h"

#include "cf/StringObject.h"
#include "CFOwner.h"
#include "plist/PlistNode.h"
#include "text/Unicode.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFNumber.h>

#include <map>
#include <vector>

namespace platform::plist {
namespace {

using Owned = CFOwner<CFTypeRef>;

class Converter {
public:
    Converter(CFAllocatorRef allocator, CFOptionFlags mutability, std::string& error)
        : mAllocator(allocator), mMutability(mutability), mError(error)
    {
    }

    Owned Convert(NodeView node, int depth)
    {
        if (depth > kMaxNestingDepth) {
            return Fail("containers are nested too deeply");
        }
        switch (node.Kind()) {
        case NodeKind::Dictionary:
            return ConvertDictionary(node, depth);
        case NodeKind::Array:
            return ConvertArray(node, depth);
        case NodeKind::String:
            if (!node.IsWholeString()) {
                return Fail("a string holds a NUL character");
            }
            return ConvertString(node.String());
        case NodeKind::Integer: {
            auto value = node.Integer();
            if (!value) {
                return Fail("an integer is out of the 64-bit signed range");
            }
            SInt64 number = *value;
            return Made(CFNumberCreate(mAllocator, kCFNumberSInt64Type, &number));
        }
        case NodeKind::Real: {
            Float64 number = node.Real();
            return Made(CFNumberCreate(mAllocator, kCFNumberFloat64Type, &number));
        }
        case NodeKind::Boolean:
            return Owned::Retain(node.Boolean() ? kCFBooleanTrue : kCFBooleanFalse);
        case NodeKind::Data:
            return ConvertData(node.Data());
        case NodeKind::Date: {
            auto seconds = node.Date();
            if (!seconds) {
                return Fail("a date is out of range");
            }
            return Made(CFDateCreate(mAllocator, *seconds));
        }
        case NodeKind::Other:
            break;
        }
        return Fail("an element is not a property-list value");
    }

private:
    Owned Fail(const char* reason)
    {
        if (mError.empty()) {
            mError = reason;
        }
        return Owned();
    }

    Owned Made(CFTypeRef created) { return created ? Owned::Adopt(created) : Fail("out of memory"); }

    bool ContainersMutable() const { return mMutability == kCFPropertyListMutableContainers || LeavesMutable(); }
    bool LeavesMutable() const { return mMutability == kCFPropertyListMutableContainersAndLeaves; }

    Owned ConvertString(std::string_view utf8)
    {
        std::u16string units;
        if (!DecodeUTF8(utf8, units, true)) {
            return Fail("a string is not valid UTF-8");
        }
        if (LeavesMutable()) {
            return Made(CreateMutableStringFromUTF16(mAllocator, std::move(units), 0));
        }
        return Made(CreateStringFromUTF16(mAllocator, std::move(units)));
    }

    Owned ConvertData(std::string_view bytes)
    {
        const auto* start = reinterpret_cast<const UInt8*>(bytes.data());
        auto length = static_cast<CFIndex>(bytes.size());
        if (!LeavesMutable()) {
            return Made(CFDataCreate(mAllocator, start, length));
        }
        CFMutableDataRef data = CFDataCreateMutable(mAllocator, 0);
        if (data != nullptr) {
            CFDataAppendBytes(data, start, length);
        }
        return Made(data);
    }

    Owned ConvertArray(NodeView node, int depth)
    {
        std::vector<Owned> items;
        std::uint32_t count = node.ArrayCount();
        items.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            Owned item = Convert(node.ArrayItem(i), depth + 1);
            if (!item) {
                return Owned();
            }
            items.push_back(std::move(item));
        }
        if (ContainersMutable()) {
            CFMutableArrayRef array = CFArrayCreateMutable(mAllocator, 0, &kCFTypeArrayCallBacks);
            if (array != nullptr) {
                for (const Owned& item : items) {
                    CFArrayAppendValue(array, item.Get());
                }
            }
            return Made(array);
        }
        std::vector<const void*> values;
        values.reserve(items.size());
        for (const Owned& item : items) {
            values.push_back(item.Get());
        }
        return Made(CFArrayCreate(mAllocator, values.data(), static_cast<CFIndex>(values.size()),
                                  &kCFTypeArrayCallBacks));
    }

    Owned ConvertDictionary(NodeView node, int depth)
    {
        std::vector<Owned> keys;
        std::vector<Owned> values;
        keys.reserve(node.DictionaryCount());
        values.reserve(node.DictionaryCount());
        DictionaryCursor cursor(node);
        std::string_view key;
        NodeView value(nullptr);
        while (cursor.Next(key, value)) {
            Owned keyString = KeyString(key);
            if (!keyString) {
                return Owned();
            }
            Owned converted = Convert(value, depth + 1);
            if (!converted) {
                return Owned();
            }
            keys.push_back(std::move(keyString));
            values.push_back(std::move(converted));
        }
        if (ContainersMutable()) {
            CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
                mAllocator, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
            if (dictionary != nullptr) {
                for (size_t i = 0; i < keys.size(); ++i) {
                    CFDictionarySetValue(dictionary, keys[i].Get(), values[i].Get());
                }
            }
            return Made(dictionary);
        }
        std::vector<const void*> rawKeys;
        std::vector<const void*> rawValues;
        rawKeys.reserve(keys.size());
        rawValues.reserve(keys.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            rawKeys.push_back(keys[i].Get());
            rawValues.push_back(values[i].Get());
        }
        return Made(CFDictionaryCreate(mAllocator, rawKeys.data(), rawValues.data(),
                                       static_cast<CFIndex>(rawKeys.size()), &kCFTypeDictionaryKeyCallBacks,
                                       &kCFTypeDictionaryValueCallBacks));
    }

    // Keys are immutable strings, so every dictionary of one conversion shares one string per key
    // text: a list of records made alike makes each key once, not once per record.
    Owned KeyString(std::string_view utf8)
    {
        if (auto known = mKeys.find(utf8); known != mKeys.end()) {
            return Owned::Retain(known->second.Get());
        }
        std::u16string units;
        if (!DecodeUTF8(utf8, units, true)) {
            return Fail("a dictionary key is not valid UTF-8");
        }
        Owned key = Made(CreateStringFromUTF16(mAllocator, std::move(units)));
        if (key) {
            mKeys.emplace(std::string(utf8), Owned::Retain(key.Get()));
        }
        return key;
    }

    CFAllocatorRef mAllocator;
    CFOptionFlags mMutability;
    std::string& mError;
    std::map<std::string, Owned, std::less<>> mKeys;  // key text -> its string, one reference held
};

// The checks of Converter, on the tree alone: used where only the verdict matters (a preferences
// file read to be kept as a tree), so that no object is made and thrown away.
class Validator {
public:
    explicit Validator(std::string& error) : mError(error) {}

    bool Check(NodeView node, int depth)
    {
        if (depth > kMaxNestingDepth) {
            return Fail("containers are nested too deeply");
        }
        switch (node.Kind()) {
        case NodeKind::Dictionary: {
            DictionaryCursor cursor(node);
            std::string_view key;
            NodeView value(nullptr);
            while (cursor.Next(key, value)) {
                if (!IsUTF8(key)) {
                    return Fail("a dictionary key is not valid UTF-8");
                }
                if (!Check(value, depth + 1)) {
                    return false;
                }
            }
            return true;
        }
        case NodeKind::Array:
            for (std::uint32_t i = 0, count = node.ArrayCount(); i < count; ++i) {
                if (!Check(node.ArrayItem(i), depth + 1)) {
                    return false;
                }
            }
            return true;
        case NodeKind::String:
            if (!node.IsWholeString()) {
                return Fail("a string holds a NUL character");
            }
            return IsUTF8(node.String()) || Fail("a string is not valid UTF-8");
        case NodeKind::Integer:
            return node.Integer().has_value() || Fail("an integer is out of the 64-bit signed range");
        case NodeKind::Date:
            return node.Date().has_value() || Fail("a date is out of range");
        case NodeKind::Real:
        case NodeKind::Boolean:
        case NodeKind::Data:
            return true;
        case NodeKind::Other:
            break;
        }
        return Fail("an element is not a property-list value");
    }

private:
    bool IsUTF8(std::string_view bytes)
    {
        return DecodeUTF8(bytes, mScratch, true);
    }

    bool Fail(const char* reason)
    {
        if (mError.empty()) {
            mError = reason;
        }
        return false;
    }

    std::string& mError;
    std::u16string mScratch;
};

bool StartsWith(std::string_view text, size_t at, std::string_view prefix)
{
    return text.compare(at, prefix.size(), prefix) == 0;
}

// True when the element name that starts at `at` is exactly `name` (followed by '>', '/' or a space).
bool ElementNamed(std::string_view text, size_t at, std::string_view name)
{
    if (!StartsWith(text, at, name)) {
        return false;
    }
    size_t after = at + name.size();
    if (after >= text.size()) {
        return true;
    }
    char c = text[after];
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Text that is not a property list this platform reads is, to whoever asked for it, a damaged file.
Failure Unreadable(std::string reason)
{
    return Failure{ioErr, 0, std::move(reason)};
}

}  // namespace

int ScanNestingDepth(std::string_view xml, int limit)
{
    int depth = 0;
    int deepest = 0;
    size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        // Most tags open or close an element: the character after '<' tells them apart cheaply.
        char next = at + 1 < xml.size() ? xml[at + 1] : '\0';
        if (next == '!' && StartsWith(xml, at, "<!--")) {
            size_t end = xml.find("-->", at + 4);
            at = end == std::string_view::npos ? xml.size() : end + 3;
            continue;
        }
        if (next == '!' && StartsWith(xml, at, "<![CDATA[")) {
            size_t end = xml.find("]]>", at + 9);
            at = end == std::string_view::npos ? xml.size() : end + 3;
            continue;
        }
        bool closing = next == '/';
        size_t nameAt = at + (closing ? 2 : 1);
        char first = nameAt < xml.size() ? xml[nameAt] : '\0';
        bool container = (first == 'a' && ElementNamed(xml, nameAt, "array")) ||
                         (first == 'd' && ElementNamed(xml, nameAt, "dict"));
        size_t close = xml.find('>', at);
        bool selfClosing = close != std::string_view::npos && close > at && xml[close - 1] == '/';
        if (container && closing) {
            depth = depth > 0 ? depth - 1 : 0;
        } else if (container && !selfClosing) {
            ++depth;
            if (depth > deepest) {
                deepest = depth;
                if (deepest > limit) {
                    return deepest;
                }
            }
        }
        at = close == std::string_view::npos ? xml.size() : close + 1;
    }
    return deepest;
}

Result<PlistNode> ParseXMLPropertyList(std::string_view xml)
{
    if (xml.size() > static_cast<size_t>(kPlatformPropertyListMaxBytes)) {
        return Unreadable("the property list is larger than the platform reads");
    }
    if (StartsWith(xml, 0, "\xEF\xBB\xBF")) {
        xml.remove_prefix(3);  // a UTF-8 byte-order mark, which the XML parser does not skip
    }
    if (StartsWith(xml, 0, "bplist")) {
        return Unreadable("binary property lists are not read, only XML ones");
    }
    if (ScanNestingDepth(xml, kMaxNestingDepth) > kMaxNestingDepth) {
        return Unreadable("containers are nested too deeply");
    }
    PlistNode root = ParseXML(xml);
    if (!root) {
        return Unreadable("the data is not a well-formed XML property list");
    }
    return root;
}

Result<CFOwner<CFPropertyListRef>> ConvertTree(CFAllocatorRef allocator, NodeView root, CFOptionFlags mutability)
{
    std::string error;
    Converter converter(allocator, mutability, error);
    CFOwner<CFTypeRef> value = converter.Convert(root, 0);
    if (!value) {
        return Unreadable(error.empty() ? "the property list could not be read" : std::move(error));
    }
    return value;
}

Result<void> ValidateTree(NodeView root)
{
    std::string error;
    if (!Validator(error).Check(root, 0)) {
        return Unreadable(std::move(error));
    }
    return {};
}

Result<CFOwner<CFPropertyListRef>> ReadXMLPropertyList(CFAllocatorRef allocator, std::string_view xml,
                                                       CFOptionFlags mutability)
{
    Result<PlistNode> root = ParseXMLPropertyList(xml);
    if (!root.Ok()) {
        return root.Error();
    }
    return ConvertTree(allocator, root->View(), mutability);
}

}  // namespace platform::plist
