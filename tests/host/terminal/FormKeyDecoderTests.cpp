// Keys of the dialog form: characters as text (whole UTF-8 sequences, malformed ones refused) and
// the editing and moving keys terminals send.
#include "terminal/FormKeyDecoder.h"

#include <gtest/gtest.h>

namespace {

using cmhost::DecodeFormKey;
using cmhost::FormKey;
using cmhost::FormKeyKind;

FormKey Decode(const std::string& bytes, size_t* used)
{
    return DecodeFormKey(bytes, used);
}

TEST(FormKeyDecoder, MultibyteCharactersAreTakenWholeAndMalformedOnesRefused)
{
    size_t used = 0;
    FormKey key = Decode("\xF0\x9F\x98\x80x", &used);
    EXPECT_EQ(key.kind, FormKeyKind::Text);
    EXPECT_EQ(key.text, "\xF0\x9F\x98\x80");
    EXPECT_EQ(used, 4u);
    // Overlong, surrogate, past U+10FFFF, a lone continuation byte, a sequence cut short.
    for (const std::string bad : {"\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xC3", "\xC3x"}) {
        key = Decode(bad, &used);
        EXPECT_EQ(key.kind, FormKeyKind::Other) << testing::PrintToString(bad);
        EXPECT_EQ(used, 1u);
    }
}

// Letters that are menu keys elsewhere are text here; Alt with a key is nothing.
TEST(FormKeyDecoder, EditingAndMovingKeysAndLetters)
{
    const std::pair<std::string, FormKeyKind> cases[] = {
        {"q", FormKeyKind::Text},         {"o", FormKeyKind::Text},           {"j", FormKeyKind::Text},
        {" ", FormKeyKind::Text},         {"~", FormKeyKind::Text},           {"\x1bx", FormKeyKind::Other},
        {"\x1b[A", FormKeyKind::Up},      {"\x1bOB", FormKeyKind::Down},      {"\x1b[C", FormKeyKind::Right},
        {"\x1b[D", FormKeyKind::Left},    {"\x1b[H", FormKeyKind::Home},      {"\x1b[4~", FormKeyKind::End},
        {"\x1b[3~", FormKeyKind::Delete}, {"\x1b[Z", FormKeyKind::BackTab},   {"\t", FormKeyKind::Tab},
        {"\r", FormKeyKind::Enter},       {"\x7f", FormKeyKind::Backspace},   {"\x08", FormKeyKind::Backspace},
        {"\x03", FormKeyKind::Interrupt}, {"\x1b\x1b", FormKeyKind::Escape},  {"\x1b[1;2A", FormKeyKind::Other},
        {"\x01", FormKeyKind::Home},      {"\x05", FormKeyKind::End},         {"\x02", FormKeyKind::Other},
    };
    for (const auto& [bytes, kind] : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        size_t used = 0;
        FormKey key = Decode(bytes + "z", &used);
        EXPECT_EQ(key.kind, kind);
        EXPECT_EQ(used, kind == FormKeyKind::Escape ? 1 : bytes.size());
        if (kind == FormKeyKind::Text) {
            EXPECT_EQ(key.text, bytes);
        }
    }
    size_t used = 0;
    EXPECT_EQ(Decode("\x1b", &used).kind, FormKeyKind::Escape) << "alone, it is the Escape key";
}

}  // namespace
