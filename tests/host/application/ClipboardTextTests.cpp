// The clipboard's text as an editor pastes it: converted a run of ASCII at a time, and otherwise a
// character at a time, it must say exactly what the platform's own conversion says, wherever a
// character beyond ASCII, a surrogate pair or a lone surrogate falls against those runs.
#include "application/ClipboardText.h"

#include "common/TextConversion.h"
#include "support/TempDir.h"

#include <Carbon/Carbon.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace {

std::optional<std::string> PasteOf(ScrapFlavorType type, const void* data, Size size)
{
    EXPECT_EQ(ClearCurrentScrap(), noErr);
    ScrapRef scrap = nullptr;
    EXPECT_EQ(GetCurrentScrap(&scrap), noErr);
    EXPECT_EQ(PutScrapFlavor(scrap, type, kScrapFlavorMaskNone, size, data), noErr);
    std::string refusal;
    std::optional<cmhost::ClipboardText> text = cmhost::ClipboardText::Copy(&refusal);
    EXPECT_EQ(refusal, "");
    if (!text)
        return std::nullopt;
    std::string utf8(text->UTF8Length(), '\0');
    text->WriteUTF8(utf8.data());
    return utf8;
}

TEST(ClipboardText, SaysWhatThePlatformsConversionSaysWhereverTheRunsEnd)
{
    testsupport::ScopedStorageEnvironment storage;
    // A run is 64 units: each case puts something other than ASCII across or beside its edges.
    struct Case {
        const char* what;
        size_t at;  // where the units go into a long ASCII text
        std::vector<UniChar> units;
    };
    const Case cases[] = {
        {"only ASCII", 0, {}},
        {"a pair across a run's end", 63, {0xD83D, 0xDE00}},
        {"a pair at a run's start", 64, {0xD83D, 0xDE00}},
        {"two- and three-byte characters", 10, {0x00E9, 0x20AC, 0x0800, 0x07FF}},
        {"a lone high surrogate last", 200, {0xD83D}},
        {"a lone low surrogate", 5, {0xDE00, 'x'}},
        {"a high surrogate before another", 70, {0xD83D, 0xD83D, 0xDE00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<UniChar> units(200, 'a');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<UniChar>('a' + i % 26);
        units.insert(units.begin() + static_cast<std::ptrdiff_t>(c.at), c.units.begin(), c.units.end());
        const std::string expected = cmhost::UTF8FromUTF16(units.data(), units.size());
        // With and without a byte-order mark, which is never part of the text.
        EXPECT_EQ(PasteOf(kScrapFlavorTypeUnicode, units.data(), static_cast<Size>(units.size() * 2)), expected);
        units.insert(units.begin(), 0xFEFF);
        EXPECT_EQ(PasteOf(kScrapFlavorTypeUnicode, units.data(), static_cast<Size>(units.size() * 2)), expected);
    }
    // Mac OS Roman, every byte.
    std::string roman;
    for (int byte = 1; byte < 256; ++byte)
        roman += static_cast<char>(byte);
    EXPECT_EQ(PasteOf(kScrapFlavorTypeText, roman.data(), static_cast<Size>(roman.size())),
              cmhost::UTF8FromMacRoman(roman.data(), roman.size()));
}

}  // namespace
