// An answer from the application that holds the clipboard, kept in an anonymous memory file instead
// of this process's heap. A large flavor read from the desktop's clipboard is then held once: a read
// of it whole into a large block becomes a mapping of the file's pages (FileBackedBlocks.h), and a
// clip package made from that block is written from the file inside the kernel.
#pragma once

#include "base/ScopedFd.h"
#include "desktop/SelectionTransfer.h"

#include <string>
#include <string_view>

namespace platform::desktop {

class AnswerFile final : public AnswerSink {
public:
    // Makes the file, holding header first; a failure when none can be made.
    Result<void> Open(std::string_view header);
    Result<void> Take(std::string_view piece) override;

    size_t Size() const { return mSize; }
    // Copies the first length bytes (at most Size()) into destination, or puts the file's pages in
    // the place of a large block of exactly the file's size. False, with errno set, when the file
    // cannot be read.
    bool ReadInto(void* destination, size_t length) const;

private:
    ScopedFd mFd;
    size_t mSize = 0;
};

}  // namespace platform::desktop
