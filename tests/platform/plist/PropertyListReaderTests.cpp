// Reading XML property lists: the original platform's own layout, every value type, integers at
// the edges of the 64-bit range, and input that is malformed, truncated or hostile.
#include "PlistTestSupport.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <climits>
#include <random>
#include <string>

using namespace plisttest;

namespace {

// Written by hand the way the original platform lays out a preferences file: XML prolog, DOCTYPE,
// tab indents, Base64 in lines of several lengths (64 characters, one long line, short lines).
const char kOriginalLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>Blob</key>
	<data>
	AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4v
	MDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5f
	</data>
	<key>CLIP_LIST</key>
	<array>
		<dict>
			<key>FILENAME</key>
			<string>Greeting</string>
			<key>FLAVORS</key>
			<array>
				<string>utxt</string>
				<string>TEXT</string>
			</array>
			<key>NAME</key>
			<string>Greeting</string>
			<key>SUBMENU</key>
			<string>/Stashwell/Work</string>
		</dict>
		<dict>
			<key>FILENAME</key>
			<string>Café &amp; “quotes” 😀</string>
			<key>NAME</key>
			<string>Café &amp; “quotes” 😀</string>
			<key>SECURE</key>
			<true/>
			<key>USE_PLAIN_TEXT</key>
			<false/>
		</dict>
	</array>
	<key>LongLine</key>
	<data>
	AAcOFRwjKjE4P0ZNVFtiaXB3foWMk5qhqK+2vcTL0tng5+71/AMKERgfJi00O0JJUFdeZWxzeoGIj5adpKuyucDHztXc4+rx+P8GDRQbIikwNz5FTFNaYWhvdn2Ei5KZoKeutbzDytHY3+bt9PsCCRAXHiUsMzpBSE9WXWRrcnmAh46VnKOqsbi/xs3U2+Lp8Pf+BQwTGiEoLzY9REtSWWBnbnV8g4qRmJ+mrbS7wsnQ197l7PP6AQgPFh0kKzI5QEdOVVxjanF4f4aNlJuiqbC3vsXM09rh6O/2/QQLEhkgJy41PENKUVhfZm10e4KJkJeepayzusHIz9bd5Ovy+QAHDhUcIyoxOD9GTVRbYmlwd36FjJOaoaivtr3Ey9LZ4Ofu9fwDChEYHyYt
	</data>
	<key>Negative</key>
	<integer>-42</integer>
	<key>Ratio</key>
	<real>0.5</real>
	<key>ShortLines</key>
	<data>U3Rh
c2h3
ZWxs
IGtl
ZXBzIGNsaXBz</data>
	<key>Stamp</key>
	<date>2026-12-06T08:15:00Z</date>
	<key>VERSION</key>
	<integer>1</integer>
</dict>
</plist>
)";

std::string Wrap(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

long long IntegerOf(CFTypeRef number)
{
    SInt64 value = 0;
    EXPECT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt64Type, &value));
    return value;
}

TEST(PropertyListReader, ReadsTheOriginalPlatformsLayout)
{
    std::string error;
    auto root = Parse(kOriginalLayout, kCFPropertyListImmutable, &error);
    ASSERT_TRUE(root) << error;
    ASSERT_EQ(CFGetTypeID(root.Get()), CFDictionaryGetTypeID());
    EXPECT_EQ(CFDictionaryGetCount(static_cast<CFDictionaryRef>(root.Get())), 8);

    std::string blob;
    for (int i = 0; i < 96; ++i) {
        blob += static_cast<char>(i);
    }
    EXPECT_EQ(Bytes(Get(root.Get(), "Blob")), blob);
    std::string longLine;
    for (int i = 0; i < 300; ++i) {
        longLine += static_cast<char>((i * 7) % 256);
    }
    EXPECT_EQ(Bytes(Get(root.Get(), "LongLine")), longLine);
    EXPECT_EQ(Bytes(Get(root.Get(), "ShortLines")), "Stashwell keeps clips");
    EXPECT_EQ(IntegerOf(Get(root.Get(), "VERSION")), 1);
    EXPECT_EQ(IntegerOf(Get(root.Get(), "Negative")), -42);
    double ratio = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(Get(root.Get(), "Ratio")), kCFNumberFloat64Type, &ratio);
    EXPECT_EQ(ratio, 0.5);
    // 2026-12-06T08:15:00Z in seconds since 2001-01-01T00:00:00Z.
    EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(Get(root.Get(), "Stamp"))), 818237700.0);

    auto clips = static_cast<CFArrayRef>(Get(root.Get(), "CLIP_LIST"));
    ASSERT_EQ(CFArrayGetCount(clips), 2);
    CFTypeRef first = CFArrayGetValueAtIndex(clips, 0);
    EXPECT_EQ(Utf8(Get(first, "SUBMENU")), "/Stashwell/Work");
    auto flavors = static_cast<CFArrayRef>(Get(first, "FLAVORS"));
    ASSERT_EQ(CFArrayGetCount(flavors), 2);
    EXPECT_EQ(Utf8(CFArrayGetValueAtIndex(flavors, 1)), "TEXT");
    CFTypeRef second = CFArrayGetValueAtIndex(clips, 1);
    EXPECT_EQ(Utf8(Get(second, "NAME")), "Café & “quotes” 😀");
    EXPECT_EQ(Get(second, "SECURE"), kCFBooleanTrue);
    EXPECT_EQ(Get(second, "USE_PLAIN_TEXT"), kCFBooleanFalse);
    EXPECT_EQ(Get(second, "SUBMENU"), nullptr);
}

TEST(PropertyListReader, AcceptsAByteOrderMarkCommentsAndCharacterReferences)
{
    auto value = Parse("\xEF\xBB\xBF" + Wrap("<!-- a comment --><string>&#x263A;&#65;&lt;&amp;&gt;</string>"));
    ASSERT_TRUE(value);
    EXPECT_EQ(Utf8(value.Get()), "\u263A" "A<&>");
}

TEST(PropertyListReader, IntegersKeepTheirSignAcrossTheSignedRangeAndAboveItAreRefusedNotWrapped)
{
    auto values = Parse(Wrap("<array><integer>-1</integer><integer>-9223372036854775808</integer>"
                            "<integer>9223372036854775807</integer><integer>0</integer>"
                            "<integer>4294967296</integer></array>"));
    ASSERT_TRUE(values);
    auto array = static_cast<CFArrayRef>(values.Get());
    ASSERT_EQ(CFArrayGetCount(array), 5);
    EXPECT_EQ(IntegerOf(CFArrayGetValueAtIndex(array, 0)), -1);
    EXPECT_EQ(IntegerOf(CFArrayGetValueAtIndex(array, 1)), LLONG_MIN);
    EXPECT_EQ(IntegerOf(CFArrayGetValueAtIndex(array, 2)), LLONG_MAX);
    EXPECT_EQ(IntegerOf(CFArrayGetValueAtIndex(array, 3)), 0);
    EXPECT_EQ(IntegerOf(CFArrayGetValueAtIndex(array, 4)), 4294967296LL);
    EXPECT_FALSE(CFNumberIsFloatType(static_cast<CFNumberRef>(CFArrayGetValueAtIndex(array, 0))));

    // These share their 64 bits with -1 and INT64_MIN: reading them as such would change the value.
    for (const char* text : {"18446744073709551615", "9223372036854775808"}) {
        std::string error;
        auto value = Parse(Wrap(std::string("<integer>") + text + "</integer>"), kCFPropertyListImmutable, &error);
        EXPECT_FALSE(value) << text;
        EXPECT_NE(error.find("range"), std::string::npos) << error;
    }
}

TEST(PropertyListReader, RefusesWhatIsNotAPropertyListWithAReason)
{
    const char* bodies[] = {
        "<uid>5</uid>",                          // keyed-archive identifiers are not property lists
        "<array><string>a</string>",             // unclosed
        "<string>\xff\xfe</string>",             // not UTF-8
        "<string>&#xD800;</string>",             // a lone surrogate
        "<string>caf&eacute;</string>",          // an entity XML does not define
        "<dict><string>a</string></dict>",       // a value without a key
        "",
    };
    for (const char* body : bodies) {
        std::string error;
        auto value = Parse(Wrap(body), kCFPropertyListImmutable, &error);
        EXPECT_FALSE(value) << body;
        EXPECT_FALSE(error.empty()) << body;
    }
    std::string error;
    EXPECT_FALSE(Parse("bplist00\x01\x02", kCFPropertyListImmutable, &error));
    EXPECT_NE(error.find("binary"), std::string::npos);
    EXPECT_FALSE(Parse("", kCFPropertyListImmutable, &error));
    EXPECT_FALSE(error.empty());
}

TEST(PropertyListReader, NullOrWrongInputAnswersAnErrorString)
{
    CFStringRef error = nullptr;
    EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, nullptr, 0, &error), nullptr);
    ASSERT_NE(error, nullptr);
    CFRelease(error);
    auto notData = String("<plist><string>x</string></plist>");
    error = nullptr;
    EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, static_cast<CFDataRef>(notData.Get()), 0, &error), nullptr);
    ASSERT_NE(error, nullptr);
    CFRelease(error);
    // Without an error pointer nothing is handed out.
    EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, nullptr, 0, nullptr), nullptr);
}

TEST(PropertyListReader, DeepNestingIsRefusedBeforeTheParserRecurses)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<array>";
    }
    for (int i = 0; i < 100000; ++i) {
        deep += "</array>";
    }
    std::string error;
    EXPECT_FALSE(Parse(Wrap(deep), kCFPropertyListImmutable, &error));
    EXPECT_NE(error.find("nested"), std::string::npos) << error;

    std::string fine;
    for (int i = 0; i < 100; ++i) {
        fine += "<array>";
    }
    fine += "<dict/><array/>";  // empty elements do not count as levels
    for (int i = 0; i < 100; ++i) {
        fine += "</array>";
    }
    EXPECT_TRUE(Parse(Wrap(fine)));
}

TEST(PropertyListReader, InputAboveTheSizeCapIsRefusedUnread)
{
    // Data over untouched anonymous pages: the cap must be checked before any byte is read.
    size_t size = static_cast<size_t>(kPlatformPropertyListMaxBytes) + 1;
    void* pages = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    auto data = AdoptCF<CFTypeRef>(CFDataCreateWithBytesNoCopy(nullptr, static_cast<const UInt8*>(pages),
                                                               static_cast<CFIndex>(size), kCFAllocatorNull));
    CFStringRef error = nullptr;
    EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, static_cast<CFDataRef>(data.Get()), 0, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(Utf8(error).find("larger"), std::string::npos) << Utf8(error);
    CFRelease(error);
    data.Reset();
    munmap(pages, size);
}

// Every value the reader returns for damaged input must be a whole, valid property list: this
// walks it, touching every element.
void Walk(CFTypeRef value, int& elements)
{
    ++elements;
    CFTypeID type = CFGetTypeID(value);
    if (type == CFArrayGetTypeID()) {
        auto array = static_cast<CFArrayRef>(value);
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            Walk(CFArrayGetValueAtIndex(array, i), elements);
        }
    } else if (type == CFDictionaryGetTypeID()) {
        auto dictionary = static_cast<CFDictionaryRef>(value);
        CFIndex count = CFDictionaryGetCount(dictionary);
        std::vector<const void*> keys(static_cast<size_t>(count));
        std::vector<const void*> values(static_cast<size_t>(count));
        CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
        for (CFIndex i = 0; i < count; ++i) {
            EXPECT_EQ(CFGetTypeID(keys[static_cast<size_t>(i)]), CFStringGetTypeID());
            Walk(values[static_cast<size_t>(i)], elements);
        }
    } else {
        EXPECT_TRUE(type == CFStringGetTypeID() || type == CFNumberGetTypeID() || type == CFBooleanGetTypeID() ||
                    type == CFDataGetTypeID() || type == CFDateGetTypeID());
    }
}

TEST(PropertyListReader, EveryTruncationOfAValidFileIsRefusedOrWhole)
{
    std::string full = kOriginalLayout;
    int refused = 0;
    for (size_t length = 0; length < full.size(); ++length) {
        auto value = Parse(full.substr(0, length));
        if (value) {
            int elements = 0;
            Walk(value.Get(), elements);
        } else {
            ++refused;
        }
    }
    // Everything short of the closing tags is incomplete.
    EXPECT_GT(refused, static_cast<int>(full.size()) - 20);
    EXPECT_TRUE(Parse(full));
}

}  // namespace
