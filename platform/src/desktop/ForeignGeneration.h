// What another application holds on the desktop's clipboard, X11's CLIPBOARD or a Wayland
// compositor's selection alike: its list of targets, read once, and each flavor's bytes once they
// have been asked for, within one time for the whole read. It never changes: a new owner, or new
// content from the same owner, is another generation.
#pragma once

#include "desktop/MimeFlavors.h"
#include "desktop/SelectionTransfer.h"
#include "scrap/ClipboardBackend.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::desktop {

class AnswerFile;

// How the desktop reaches the application that holds its clipboard.
class ClipboardOwner {
public:
    virtual ~ClipboardOwner() = default;
    // The targets the owner offers (MIME types, and on X11 the selection's own names); a failure
    // when it does not list them soon: a menu is waiting.
    virtual Result<std::vector<std::string>> ListTargets() = 0;
    // Asks for the target and hands the answer to sink as it arrives, at most most bytes, within
    // the patience given; a failure whose reason is kOverallTimeRanOut when the overall time ran
    // out.
    virtual Result<void> Receive(const std::string& target, AnswerSink& sink, size_t most,
                                 const TransferPatience& patience) = 0;
};

class ForeignGeneration final : public scrap::ClipboardGeneration {
public:
    // The owner must outlive the generation.
    explicit ForeignGeneration(ClipboardOwner& owner);
    ~ForeignGeneration() override;

    OSStatus Refresh() override;
    size_t Count() const override { return mEntries.size(); }
    const scrap::ManifestEntry& EntryAt(size_t index) const override { return mEntries[index]; }
    OSStatus Put(ScrapFlavorType, ScrapFlavorFlags, Size, const void*) override;
    OSStatus Fetch(size_t index) override;
    OSStatus ReadData(size_t index, Size* byteCount, void* destination) override;

private:
    // Reads the flavor's bytes from the owner, within the whole read's time.
    Result<void> FetchFromOwner(size_t index);

    ClipboardOwner& mOwner;
    bool mLoaded = false;
    // Why the owner's list of targets could not be had: it is not asked again.
    std::optional<std::string> mListingFailure;
    // When every flavor must have come, set as the first is asked for: an owner that answers
    // slowly or not at all, target after target, cannot hold a reader longer than this in all.
    std::optional<std::chrono::steady_clock::time_point> mOverall;
    bool mToldTimeRanOut = false;
    std::vector<TargetFlavor> mFlavors;
    std::vector<scrap::ManifestEntry> mEntries;
    // Each flavor's bytes once fetched: text converted in memory, anything else as the owner
    // answered it, in a file of its own.
    std::vector<std::optional<std::string>> mBytes;
    std::vector<std::unique_ptr<AnswerFile>> mFiles;
    // Why a flavor could not be read: it is not asked for again.
    std::vector<std::optional<std::string>> mFailures;
};

}  // namespace platform::desktop
