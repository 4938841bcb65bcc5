// The secure-note payload of a flavor set: the property-list form (type strings to flavor bytes)
// and the text form, written from a set and read back into one, also through a real note.
#include "FlavorSetTesting.h"

#include "plugin/secure/ClipKeychainTesting.h"
#include "support/CFObj.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using flavortesting::BytesOf;
using flavortesting::Contents;
using flavortesting::ContentsOf;
using flavortesting::TestFlavorSet;
using flavortesting::UnitsOf;
using texttest::CreateString;
using texttest::TextOf;

CFDataRef CreateData(const std::string& text)
{
    return CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                        static_cast<CFIndex>(text.size()));
}

std::string BytesOfData(CFTypeRef value)
{
    if (value == nullptr || CFGetTypeID(value) != CFDataGetTypeID()) {
        return "<not data>";
    }
    auto data = static_cast<CFDataRef>(value);
    return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<size_t>(CFDataGetLength(data)));
}

// The property-list payload of the set, as clip creation makes it.
CFDataRef CreatePayload(FlavorSet& set)
{
    CFObj<CFDictionaryRef> content(set.CreateTemporaryContentDict());
    return content.Get() != nullptr ? CFPropertyListCreateXMLData(kCFAllocatorDefault, content.Get()) : nullptr;
}

void ReadXML(FlavorSet& set, const std::string& xml)
{
    CFObj<CFDataRef> data(CreateData(xml));
    set.CreateFromXMLData(data.Get());
}

const std::string kUnicodeHi("\xFF\xFEH\0i\0", 6);

// The dictionary's entries as flavors: each key read back as a type.
Contents ContentsOfDictionary(CFDictionaryRef content)
{
    Contents contents;
    CFIndex count = content != nullptr ? CFDictionaryGetCount(content) : 0;
    std::vector<const void*> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
    if (count > 0) {
        CFDictionaryGetKeysAndValues(content, keys.data(), values.data());
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        contents[FlavorSet::CreateFourCharCodeFromCFString(static_cast<CFStringRef>(keys[i]))] = BytesOfData(values[i]);
    }
    return contents;
}

// One entry per flavor under its type string (bytes of 0x80 and more as Mac OS Roman characters:
// 0xDB is the euro sign), and the same flavors back from the payload; with the plain-text flag,
// only the text flavors.
TEST(FlavorSetPayload, FlavorsBecomeEntriesUnderTheirTypeStringsAndComeBackTheSame)
{
    TestFlavorSet set{
        {'utxt', kUnicodeHi}, {'TEXT', "Hi"}, {0xDB616263, "euro"}, {0x41A5FF20, std::string("\x80\x81", 2)}};
    CFObj<CFDictionaryRef> content(set.CreateTemporaryContentDict());
    ASSERT_NE(content.Get(), nullptr);
    EXPECT_EQ(ContentsOfDictionary(content.Get()), ContentsOf(set));
    CFObj<CFStringRef> euroKey(CreateString("\xE2\x82\xAC" "abc"));
    EXPECT_EQ(BytesOfData(CFDictionaryGetValue(content.Get(), euroKey.Get())), "euro");
    // The values share the set's blocks rather than copying the clip's bytes.
    auto text = static_cast<CFDataRef>(CFDictionaryGetValue(content.Get(), CFSTR("TEXT")));
    EXPECT_EQ(reinterpret_cast<const void*>(CFDataGetBytePtr(text)), static_cast<const void*>(set.at('TEXT')));

    CFObj<CFDataRef> payload(CFPropertyListCreateXMLData(kCFAllocatorDefault, content.Get()));
    ASSERT_NE(payload.Get(), nullptr);
    TestFlavorSet back;
    back.CreateFromXMLData(payload.Get());
    EXPECT_EQ(ContentsOf(back), ContentsOf(set));

    TestFlavorSet plain{{'PICT', "picture"}, {'TEXT', "Hi"}, {'snd ', "sound"}};
    plain.mUsePlainText = true;
    CFObj<CFDictionaryRef> textOnly(plain.CreateTemporaryContentDict());
    EXPECT_EQ(ContentsOfDictionary(textOnly.Get()), (Contents{{'TEXT', "Hi"}}));
    TestFlavorSet empty;
    CFObj<CFDictionaryRef> none(empty.CreateTemporaryContentDict());
    ASSERT_NE(none.Get(), nullptr);
    EXPECT_EQ(CFDictionaryGetCount(none.Get()), 0);
}

TEST(FlavorSetPayload, TheTextComesFromUnicodeFirstThenFromSystemText)
{
    TestFlavorSet unicode;
    CFObj<CFStringRef> abc(CreateString("abc"));
    unicode.CreateFromCFString(abc.Get());
    CFObj<CFStringRef> text(unicode.CreateCFStringContent());
    EXPECT_EQ(UnitsOf(text.Get()), std::u16string(u"\xFEFF" u"abc")) << "the byte-order mark stays part of it";
    EXPECT_EQ(TextOf(text.Get()), "\xEF\xBB\xBF" "abc");

    TestFlavorSet odd{{'utxt', std::string("a\0b\0c", 5)}, {'TEXT', "ignored"}};
    CFObj<CFStringRef> oddText(odd.CreateCFStringContent());
    EXPECT_EQ(UnitsOf(oddText.Get()), u"ab") << "an odd last byte is no unit";

    TestFlavorSet shortUnicode{{'utxt', "x"}, {'TEXT', "caf\x8E"}};  // Mac OS Roman 0x8E is e acute
    CFObj<CFStringRef> systemText(shortUnicode.CreateCFStringContent());
    EXPECT_EQ(TextOf(systemText.Get()), "caf\xC3\xA9");

    TestFlavorSet picture{{'PICT', "picture"}};
    picture.mUsePlainText = true;
    EXPECT_EQ(picture.CreateCFStringContent(), nullptr);
}

TEST(FlavorSetPayload, OnlyDataUnderATypeStringBecomesAFlavor)
{
    TestFlavorSet set;
    ReadXML(set,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<plist version=\"1.0\"><dict>"
            "<key>TEXT</key><string>a string, not data</string>"
            "<key>snd </key><integer>5</integer>"
            "<key>moov</key><dict><key>x</key><data>AAE=</data></dict>"
            "<key>PICT</key><data></data>"
            "<key>utxt</key><data>//5IAGkA</data>"
            "<key>much too long for a type string</key><data>AAE=</data>"
            "<key></key><data>AAE=</data>"
            "</dict></plist>\n");
    EXPECT_EQ(ContentsOf(set), (Contents{{'utxt', kUnicodeHi}}));

    // Two keys that agree in their first four characters make one flavor.
    TestFlavorSet twins;
    ReadXML(twins, "<plist version=\"1.0\"><dict><key>TEXT</key><data>QQ==</data>"
                   "<key>TEXTual</key><data>Qg==</data></dict></plist>");
    EXPECT_EQ(twins.size(), 1u);
    const std::string kept = BytesOf(twins, 'TEXT');
    EXPECT_TRUE(kept == "A" || kept == "B") << kept;
}

TEST(FlavorSetPayload, AnythingButANonEmptyDictionaryYieldsNothing)
{
    const char* payloads[] = {
        "<plist version=\"1.0\"><dict/></plist>",
        "<plist version=\"1.0\"><array><data>AAE=</data></array></plist>",
        "<plist version=\"1.0\"><dict><key>TEXT</key><data>QQ==",
        "",
    };
    for (const char* payload : payloads) {
        TestFlavorSet set;
        ReadXML(set, payload);
        EXPECT_TRUE(set.empty()) << payload;
    }
    TestFlavorSet set;
    set.CreateFromXMLData(nullptr);
    EXPECT_TRUE(set.empty());
}

// Through a real secure note in a keychain of the test's own. (A plain-text note is stored and
// read back through the plug-in's entry points by the secure-clip tests.)
class FlavorSetKeychainPayload : public keychaintest::ClipKeychainTest {
protected:
    void SetUp() override
    {
        ClipKeychainTest::SetUp();
        CreateKeychain();
    }
    void TearDown() override
    {
        LockKeychain();
        ClipKeychainTest::TearDown();
    }
};

// A whole clip read back from its note is the secure-clip tests' round trip; here what the plain-text
// flag changes and what an unreadable note gives.
TEST_F(FlavorSetKeychainPayload, TheFlagDecidesHowTheNoteIsReadAndAMissingNoteGivesNothing)
{
    ClipKeychain keychain(KeychainPath().c_str());
    TestFlavorSet set{{'PICT', std::string("\x00\xFF\x00", 3)}, {'TEXT', "Hi"}};
    CFObj<CFDataRef> payload(CreatePayload(set));
    ASSERT_EQ(keychain.AddSecureNote(CFSTR("all"), payload.Get()), noErr);

    // Read as text, a property-list note is not parsed: its text is the XML itself.
    TestFlavorSet asText;
    asText.mUsePlainText = true;
    asText.ReadFromKeychain(CFSTR("all"), &keychain);
    EXPECT_NE(BytesOf(asText, 'TEXT').find("<plist"), std::string::npos);

    TestFlavorSet nothing;
    nothing.ReadFromKeychain(CFSTR("missing"), &keychain);
    nothing.ReadFromKeychain(nullptr, &keychain);
    nothing.ReadFromKeychain(CFSTR("all"), nullptr);
    EXPECT_TRUE(nothing.empty());
}

}  // namespace
