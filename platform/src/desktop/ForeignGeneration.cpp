#include "desktop/ForeignGeneration.h"

#include "base/ErrnoStatus.h"
#include "base/Warnings.h"
#include "desktop/AnswerFile.h"
#include "desktop/DesktopClipboard.h"
#include "scrap/ScrapError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform::desktop {
namespace {

using scrap::FailScrap;
using scrap::FlavorLabel;

// How long a whole read of another application's clipboard may take, all its flavors together.
std::chrono::milliseconds gWholeReadPatience{30000};

}  // namespace

ForeignGeneration::ForeignGeneration(ClipboardOwner& owner) : mOwner(owner) {}

ForeignGeneration::~ForeignGeneration() = default;

OSStatus ForeignGeneration::Put(ScrapFlavorType, ScrapFlavorFlags, Size, const void*)
{
    return FailScrap(badScrapRefErr, "another application holds the clipboard: it must be cleared first");
}

OSStatus ForeignGeneration::Refresh()
{
    if (mLoaded) {
        return noErr;
    }
    // The list is what a menu looks at as it opens: an owner that does not give it soon holds up
    // no menu, and is not asked again.
    if (!mListingFailure) {
        Result<std::vector<std::string>> targets = mOwner.ListTargets();
        if (targets.Ok()) {
            mFlavors = FlavorsForTargets(targets.Value());
            for (const TargetFlavor& flavor : mFlavors) {
                mEntries.push_back(scrap::ManifestEntry{flavor.type, 0, 0});
            }
            mBytes.resize(mFlavors.size());
            mFiles.resize(mFlavors.size());
            mFailures.resize(mFlavors.size());
            mLoaded = true;
            return noErr;
        }
        mListingFailure = targets.Reason();
        ReportWarning("the desktop's clipboard was taken as empty: " + targets.Reason());
    }
    return FailScrap(internalScrapErr, "the clipboard's flavors could not be read: " + *mListingFailure);
}

OSStatus ForeignGeneration::Fetch(size_t index)
{
    if (mBytes[index] || mFiles[index]) {
        return noErr;
    }
    if (!mFailures[index]) {
        Result<void> fetched = FetchFromOwner(index);
        if (fetched.Ok()) {
            return noErr;
        }
        const std::string& why = fetched.Reason();
        mFailures[index] = why;
        // Once the time is out every flavor not read yet fails alike: the user hears of it once.
        if (why != kOverallTimeRanOut) {
            ReportWarning(FlavorLabel(mFlavors[index].type) +
                          " of the desktop's clipboard could not be read and was left out: " + why);
        } else if (!mToldTimeRanOut) {
            mToldTimeRanOut = true;
            ReportWarning("the desktop's clipboard was read in part: " + why + " (more than " +
                          std::to_string((gWholeReadPatience.count() + 999) / 1000) +
                          " s); what it had not given by then was left out");
        }
    }
    return FailScrap(internalScrapErr, FlavorLabel(mFlavors[index].type) + " could not be read: " + *mFailures[index]);
}

Result<void> ForeignGeneration::FetchFromOwner(size_t index)
{
    if (!mOverall) {
        mOverall = std::chrono::steady_clock::now() + gWholeReadPatience;
    }
    if (std::chrono::steady_clock::now() >= *mOverall) {
        return Failure{internalScrapErr, 0, kOverallTimeRanOut};
    }
    TransferPatience patience;
    patience.overall = *mOverall;
    if (std::optional<std::string> header = KeptAnswerHeader(mFlavors[index])) {
        auto file = std::make_unique<AnswerFile>();
        if (Result<void> opened = file->Open(*header); !opened.Ok()) {
            return opened;
        }
        Result<void> received =
            mOwner.Receive(mFlavors[index].target, *file, kMaxSelectionAnswerBytes - header->size(), patience);
        if (!received.Ok()) {
            return received;
        }
        mEntries[index].size = static_cast<Size>(file->Size());
        mFiles[index] = std::move(file);
        return {};
    }
    StringSink answer;
    if (Result<void> received = mOwner.Receive(mFlavors[index].target, answer, kMaxSelectionAnswerBytes, patience);
        !received.Ok()) {
        return received;
    }
    std::optional<std::string> bytes = FlavorBytesFromTarget(mFlavors[index], std::move(answer.answer));
    if (!bytes) {
        return Failure{internalScrapErr, 0, "it is not valid text"};
    }
    mEntries[index].size = static_cast<Size>(bytes->size());
    mBytes[index] = std::move(bytes);
    return {};
}

OSStatus ForeignGeneration::ReadData(size_t index, Size* byteCount, void* destination)
{
    if (mFiles[index]) {
        const size_t count = std::min(static_cast<size_t>(*byteCount), mFiles[index]->Size());
        if (!mFiles[index]->ReadInto(destination, count)) {
            return FailScrap(internalScrapErr, FlavorLabel(mFlavors[index].type) + " could not be read: " +
                                                   ErrnoReason("its kept copy", errno));
        }
        *byteCount = static_cast<Size>(count);
        return noErr;
    }
    const std::string& bytes = *mBytes[index];
    const size_t count = std::min(static_cast<size_t>(*byteCount), bytes.size());
    if (count > 0) {
        std::memcpy(destination, bytes.data(), count);
    }
    *byteCount = static_cast<Size>(count);
    return noErr;
}

void SetWholeReadPatienceForTesting(std::chrono::milliseconds patience)
{
    gWholeReadPatience = patience;
}

}  // namespace platform::desktop
