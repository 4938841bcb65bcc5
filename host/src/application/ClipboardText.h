// The text an editor pastes from the shared clipboard.
#pragma once

#include <Carbon/Carbon.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace cmhost {

// The clipboard's text, read once as the clipboard holds it: its 'utxt' flavor (UTF-16 in host
// order, a leading byte-order mark skipped) when it has one, else its 'TEXT' flavor as Mac OS
// Roman. It is turned into UTF-8 only where it is written, so that a paste of many megabytes is
// held once as the flavor and once in the document, never a third time on the way. The flavor is
// read into a Memory Manager block, which takes a large flavor's pages from the clipboard's own
// file instead of copying them.
class ClipboardText {
public:
    // A text larger than a clip's flavor can be (its size counted in 32 signed bits) is not read.
    static constexpr Size kMaxTextBytes = INT32_MAX;

    // nullopt when the clipboard holds no text or cannot be read; when its text is too large to
    // paste, also the reason in refusal.
    static std::optional<ClipboardText> Copy(std::string* refusal);

    // The length of the text in UTF-8, and the text written there (UTF8Length() bytes). A lone
    // surrogate becomes '?', so a damaged text still pastes.
    size_t UTF8Length() const { return mUTF8Length; }
    void WriteUTF8(char* destination) const;

private:
    struct DisposeBlock {
        void operator()(char* block) const { DisposePtr(block); }
    };

    const UniChar* Units() const { return reinterpret_cast<const UniChar*>(mBlock.get()); }
    // Counts the text's UTF-8 length, and notes a leading byte-order mark.
    void Measure();

    std::unique_ptr<char, DisposeBlock> mBlock;  // the flavor's bytes
    size_t mSize = 0;
    bool mUnicode = false;  // 'utxt' rather than 'TEXT'
    size_t mFirstUnit = 0;  // 1 when the 'utxt' starts with a byte-order mark
    size_t mUTF8Length = 0;
};

}  // namespace cmhost
