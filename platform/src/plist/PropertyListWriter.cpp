// From Core Foundation objects to a libplist tree, and from there to XML text.
#include "plist/PropertyListWriter.h"

#include "cf/StringObject.h"
#include "plist/PlistNode.h"
#include "plist/PropertyListReader.h"
#include "text/Unicode.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFNumber.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace platform::plist {
namespace {

class TreeBuilder {
public:
    explicit TreeBuilder(std::string& error) : mError(error) {}

    std::optional<PlistNode> Build(CFTypeRef value, int depth)
    {
        if (value == nullptr) {
            return Fail("a value is NULL");
        }
        if (depth > kMaxNestingDepth) {
            return Fail("containers are nested too deeply");
        }
        CFTypeID type = CFGetTypeID(value);
        if (type == CFStringGetTypeID()) {
            auto text = StringText(static_cast<CFStringRef>(value));
            if (!text) {
                return std::nullopt;
            }
            return PlistNode::MakeString(*text);
        }
        if (type == CFNumberGetTypeID()) {
            auto number = static_cast<CFNumberRef>(value);
            if (CFNumberIsFloatType(number)) {
                Float64 real = 0;
                CFNumberGetValue(number, kCFNumberFloat64Type, &real);
                return PlistNode::MakeReal(real);
            }
            SInt64 integer = 0;
            CFNumberGetValue(number, kCFNumberSInt64Type, &integer);
            return PlistNode::MakeInteger(integer);
        }
        if (type == CFBooleanGetTypeID()) {
            return PlistNode::MakeBoolean(CFBooleanGetValue(static_cast<CFBooleanRef>(value)));
        }
        if (type == CFDataGetTypeID()) {
            auto data = static_cast<CFDataRef>(value);
            return PlistNode::MakeData(std::string_view(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                                                        static_cast<size_t>(CFDataGetLength(data))));
        }
        if (type == CFDateGetTypeID()) {
            auto date = PlistNode::MakeDate(CFDateGetAbsoluteTime(static_cast<CFDateRef>(value)));
            if (!date) {
                return Fail("a date is out of range");
            }
            return date;
        }
        if (type == CFArrayGetTypeID()) {
            return BuildArray(static_cast<CFArrayRef>(value), depth);
        }
        if (type == CFDictionaryGetTypeID()) {
            return BuildDictionary(static_cast<CFDictionaryRef>(value), depth);
        }
        return Fail("a value is not a property-list type");
    }

private:
    std::optional<PlistNode> Fail(const char* reason)
    {
        if (mError.empty()) {
            mError = reason;
        }
        return std::nullopt;
    }

    std::optional<std::string> StringText(CFStringRef string)
    {
        const std::u16string& units = StringUnits(string);
        if (units.find(u'\0') != std::u16string::npos) {
            Fail("a string holds the character U+0000");
            return std::nullopt;
        }
        if (!IsWellFormedUTF16(units)) {
            Fail("a string holds an unpaired surrogate");
            return std::nullopt;
        }
        return EncodeUTF8(units);
    }

    std::optional<PlistNode> BuildArray(CFArrayRef array, int depth)
    {
        PlistNode node = PlistNode::MakeArray();
        CFIndex count = CFArrayGetCount(array);
        for (CFIndex i = 0; i < count; ++i) {
            auto item = Build(CFArrayGetValueAtIndex(array, i), depth + 1);
            if (!item) {
                return std::nullopt;
            }
            node.Append(std::move(*item));
        }
        return node;
    }

    std::optional<PlistNode> BuildDictionary(CFDictionaryRef dictionary, int depth)
    {
        CFIndex count = CFDictionaryGetCount(dictionary);
        std::vector<const void*> keys(static_cast<size_t>(count));
        std::vector<const void*> values(static_cast<size_t>(count));
        CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
        std::vector<std::pair<const std::u16string*, size_t>> order;
        order.reserve(keys.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == nullptr || CFGetTypeID(keys[i]) != CFStringGetTypeID()) {
                return Fail("a dictionary key is not a string");
            }
            order.emplace_back(&StringUnits(static_cast<CFStringRef>(keys[i])), i);
        }
        // Keys are written in the order of their UTF-16 units, so the same dictionary always gives
        // the same text.
        std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return *a.first < *b.first; });
        PlistNode node = PlistNode::MakeDictionary();
        for (const auto& [units, index] : order) {
            auto key = StringText(static_cast<CFStringRef>(keys[index]));
            if (!key) {
                return std::nullopt;
            }
            auto value = Build(values[index], depth + 1);
            if (!value) {
                return std::nullopt;
            }
            node.Set(*key, std::move(*value));
        }
        return node;
    }

    std::string& mError;
};

}  // namespace

Result<std::string> WriteXMLPropertyList(CFPropertyListRef value)
{
    Result<PlistNode> tree = BuildTree(value);
    if (!tree.Ok()) {
        return tree.Error();
    }
    std::string xml = FormatXML(tree.Value());
    if (xml.empty()) {
        return Failure{ioErr, 0, "the XML text could not be made"};
    }
    return xml;
}

Result<PlistNode> BuildTree(CFPropertyListRef value)
{
    std::string error;
    TreeBuilder builder(error);
    std::optional<PlistNode> tree = builder.Build(value, 0);
    if (!tree) {
        // A value XML cannot carry is the caller's mistake.
        return Failure{paramErr, 0, std::move(error)};
    }
    return std::move(*tree);
}

}  // namespace platform::plist
