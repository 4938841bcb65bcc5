#include "subcommands/ClipboardCommand.h"

#include "CFOwner.h"
#include "PathParts.h"
#include "RegularFile.h"
#include "application/Desktop.h"
#include "common/PlatformWarnings.h"
#include "common/TextConversion.h"

#include <Carbon/Scrap.h>
#include <CoreFoundation/CoreFoundation.h>
#include <PlatformHost.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

namespace cmhost {
namespace {

// What a human-readable listing shows of each flavor at most.
constexpr Size kPreviewBytes = 48;

// The platform's reason for the last clipboard failure, or the status when it gave none.
std::string ClipboardFailure(OSStatus status)
{
    platform::CFOwner<CFStringRef> reason = platform::AdoptCF(PlatformCopyLastClipboardError());
    if (reason)
        return UTF8FromString(reason.Get());
    return "the clipboard answered status " + std::to_string(status);
}

int Fail(std::ostream& err, OSStatus status)
{
    err << "cmhost: clipboard: " << ClipboardFailure(status) << "\n";
    return 1;
}

// The bytes of UTF-8 text in Mac OS Roman, or nullopt when a character has no form there (or the
// text is not UTF-8).
std::optional<std::string> MacRomanFromUTF8(const std::string& text)
{
    platform::CFOwner<CFStringRef> string = CreateStringFromUTF8(text);
    if (!string)
        return std::nullopt;
    CFIndex length = CFStringGetLength(string.Get());
    std::string bytes(static_cast<size_t>(length), '\0');
    CFIndex used = 0;
    CFIndex converted = CFStringGetBytes(string.Get(), CFRangeMake(0, length), kCFStringEncodingMacRoman, 0, false,
                                         reinterpret_cast<UInt8*>(bytes.data()), length, &used);
    if (converted != length)
        return std::nullopt;
    bytes.resize(static_cast<size_t>(used));
    return bytes;
}

std::optional<FourCharCode> ParseType(const std::string& text, std::string* error)
{
    std::optional<std::string> bytes = MacRomanFromUTF8(text);
    if (!bytes || bytes->empty() || bytes->size() > 4) {
        *error = "the flavor type \"" + text + "\" is not one to four characters of Mac OS Roman";
        return std::nullopt;
    }
    bytes->resize(4, ' ');
    FourCharCode type = 0;
    for (unsigned char byte : *bytes)
        type = (type << 8) | byte;
    return type;
}

std::optional<std::string> TextBytes(FourCharCode type, const std::string& text, const std::string& typeName,
                                     std::string* error)
{
    if (type == kScrapFlavorTypeUnicode) {
        std::optional<std::vector<UniChar>> units = UTF16FromUTF8(text);
        if (!units) {
            *error = "the text for '" + typeName + "' is not valid UTF-8";
            return std::nullopt;
        }
        units->insert(units->begin(), 0xFEFF);
        return std::string(reinterpret_cast<const char*>(units->data()), units->size() * sizeof(UniChar));
    }
    if (type == kScrapFlavorTypeText) {
        std::optional<std::string> bytes = MacRomanFromUTF8(text);
        if (!bytes)
            *error = "the text for 'TEXT' has a character that Mac OS Roman cannot hold";
        return bytes;
    }
    if (!CreateStringFromUTF8(text)) {
        *error = "the text for '" + typeName + "' is not valid UTF-8";
        return std::nullopt;
    }
    return text;
}

// A flavor's bytes are counted in 32 signed bits wherever a clip holds them (its blocks, its
// package's reader), so a larger file could never be a clip's flavor: it is refused before a byte
// of it is read.
constexpr size_t kMaxFlavorFileBytes = INT32_MAX;

// The bytes of a flavor given as @FILE: a regular file only, so that a FIFO named by mistake is
// refused rather than waited on. nullopt, with the reason in error, when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, const std::string& typeName, std::string* error)
{
    platform::Result<std::string> bytes = platform::ReadRegularFile(platform::ResolveUserPath(path), kMaxFlavorFileBytes);
    if (bytes.Status() == fsDataTooBigErr) {
        *error = "the file \"" + path + "\" for '" + typeName + "' is larger than " +
                 std::to_string(kMaxFlavorFileBytes) + " bytes, the most a flavor can hold";
        return std::nullopt;
    }
    if (!bytes.Ok()) {
        *error = "cannot read the file \"" + path + "\" for '" + typeName + "'";
        return std::nullopt;
    }
    return std::move(bytes.Value());
}

std::string Hex(const unsigned char* bytes, size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        hex.push_back(kDigits[bytes[i] >> 4]);
        hex.push_back(kDigits[bytes[i] & 0xF]);
    }
    return hex;
}

// The start of a text flavor as the user would read it, or nullopt for other types.
std::optional<std::string> TextPreview(FourCharCode type, const std::string& bytes)
{
    std::string text;
    if (type == kScrapFlavorTypeText) {
        text = UTF8FromMacRoman(bytes.data(), bytes.size());
    } else if (type == kScrapFlavorTypeUnicode) {
        std::vector<UniChar> units(bytes.size() / sizeof(UniChar));
        std::copy(bytes.data(), bytes.data() + units.size() * sizeof(UniChar), reinterpret_cast<char*>(units.data()));
        if (!units.empty() && units[0] == 0xFEFF)
            units.erase(units.begin());
        text = UTF8FromUTF16(units.data(), units.size());
    } else {
        return std::nullopt;
    }
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

struct ShownFlavor {
    ScrapFlavorInfo info;
    Size size = 0;
    std::string bytes;  // the flavor, or its first bytes
};

int Show(bool json, std::ostream& out, std::ostream& err)
{
    ScrapRef scrap = nullptr;
    OSStatus status = GetCurrentScrap(&scrap);
    UInt32 count = 0;
    if (status == noErr)
        status = GetScrapFlavorCount(scrap, &count);
    std::vector<ScrapFlavorInfo> infos(count);
    if (status == noErr && count > 0)
        status = GetScrapFlavorInfoList(scrap, &count, infos.data());
    if (status != noErr)
        return Fail(err, status);
    infos.resize(count);

    std::vector<ShownFlavor> flavors;
    for (const ScrapFlavorInfo& info : infos) {
        ShownFlavor flavor;
        flavor.info = info;
        status = GetScrapFlavorSize(scrap, info.flavorType, &flavor.size);
        if (status != noErr)
            return Fail(err, status);
        Size wanted = json ? (flavor.size <= kClipboardJSONHexLimit ? flavor.size : 0)
                           : std::min(flavor.size, kPreviewBytes);
        flavor.bytes.resize(static_cast<size_t>(wanted));
        Size got = wanted;
        if (wanted > 0) {
            status = GetScrapFlavorData(scrap, info.flavorType, &got, flavor.bytes.data());
            if (status != noErr)
                return Fail(err, status);
        }
        flavor.bytes.resize(static_cast<size_t>(got));
        flavors.push_back(std::move(flavor));
    }

    // The clipboard has been read: whatever the platform had to tell about it comes first.
    std::vector<std::string> warnings = TakePlatformWarnings();
    PrintWarnings(warnings, err);
    if (json) {
        // Ordered, so that each record reads type, flags, size, hex, as users expect to see it.
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const ShownFlavor& flavor : flavors) {
            nlohmann::ordered_json item = {{"type", FourCharCodeString(flavor.info.flavorType)},
                                   {"flags", flavor.info.flavorFlags},
                                   {"size", flavor.size}};
            if (flavor.size <= kClipboardJSONHexLimit)
                item["hex"] = Hex(reinterpret_cast<const unsigned char*>(flavor.bytes.data()), flavor.bytes.size());
            list.push_back(std::move(item));
        }
        nlohmann::ordered_json report = {{"flavors", list}};
        if (const std::string desktop = DesktopName(); !desktop.empty())
            report["desktop"] = desktop;
        report["warnings"] = warnings;
        out << report.dump() << "\n";
        return 0;
    }
    if (flavors.empty()) {
        out << "The clipboard is empty.\n";
        return 0;
    }
    out << "The clipboard holds " << flavors.size() << (flavors.size() == 1 ? " flavor" : " flavors")
        << ", in its order:\n";
    for (const ShownFlavor& flavor : flavors) {
        out << "  '" << FourCharCodeString(flavor.info.flavorType) << "'  " << flavor.size
            << (flavor.size == 1 ? " byte" : " bytes");
        if (flavor.info.flavorFlags & kScrapFlavorMaskSenderOnly)
            out << "  sender only";
        bool cut = flavor.size > static_cast<Size>(flavor.bytes.size());
        if (std::optional<std::string> text = TextPreview(flavor.info.flavorType, flavor.bytes))
            out << "  " << *text;
        else if (!flavor.bytes.empty())
            out << "  " << Hex(reinterpret_cast<const unsigned char*>(flavor.bytes.data()), flavor.bytes.size());
        out << (cut ? "..." : "") << "\n";
    }
    return 0;
}

// Clears the clipboard and puts the flavors, then checks that the generation holds exactly them.
// badScrapRefErr when another process got in the way.
OSStatus PutFlavors(const std::vector<FlavorArgument>& flavors)
{
    OSStatus status = ClearCurrentScrap();
    ScrapRef scrap = nullptr;
    if (status == noErr)
        status = GetCurrentScrap(&scrap);
    for (size_t i = 0; status == noErr && i < flavors.size(); ++i) {
        status = PutScrapFlavor(scrap, flavors[i].type, kScrapFlavorMaskNone, static_cast<Size>(flavors[i].bytes.size()),
                                flavors[i].bytes.data());
    }
    if (status != noErr)
        return status;
    UInt32 count = static_cast<UInt32>(flavors.size()) + 1;
    std::vector<ScrapFlavorInfo> infos(count);
    status = GetScrapFlavorInfoList(scrap, &count, infos.data());
    if (status != noErr)
        return status;
    if (count != flavors.size())
        return badScrapRefErr;
    for (size_t i = 0; i < flavors.size(); ++i) {
        if (infos[i].flavorType != flavors[i].type)
            return badScrapRefErr;
    }
    return noErr;
}

int Set(const std::vector<std::string>& arguments, std::ostream& err)
{
    // Every argument is read before the clipboard is touched, so a bad one changes nothing.
    std::vector<FlavorArgument> flavors;
    std::set<FourCharCode> types;
    for (const std::string& argument : arguments) {
        std::string error;
        std::optional<FlavorArgument> flavor = ParseFlavorArgument(argument, &error);
        if (!flavor) {
            err << "cmhost: clipboard set: " << error << "\n";
            return 2;
        }
        if (!types.insert(flavor->type).second) {
            err << "cmhost: clipboard set: the type '" << FourCharCodeString(flavor->type) << "' is given twice\n";
            return 2;
        }
        flavors.push_back(std::move(*flavor));
    }
    // Another process may clear the clipboard between our clear and our puts (our reference goes
    // stale), or take the generation we cleared and put into it too (a type turns up twice, or
    // flavors we did not put): then the clipboard is cleared and filled again, so what is left is
    // one process's flavors, whole.
    // Two processes that collide and start again at once collide again: each waits a random while,
    // longer at each try, so that one of them gets through.
    constexpr int kTries = 50;
    OSStatus status = noErr;
    std::minstd_rand random(static_cast<unsigned>(::getpid()) ^ std::random_device{}());
    for (int attempt = 0; attempt < kTries; ++attempt) {
        status = PutFlavors(flavors);
        if (status != badScrapRefErr && status != duplicateScrapFlavorErr)
            break;
        const unsigned most = 200u * static_cast<unsigned>(attempt + 1);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % most));
    }
    if (status == badScrapRefErr || status == duplicateScrapFlavorErr) {
        err << "cmhost: clipboard: other processes kept changing the clipboard while it was being set\n";
        return 1;
    }
    if (status != noErr)
        return Fail(err, status);
    return 0;
}

}  // namespace

std::optional<FlavorArgument> ParseFlavorArgument(const std::string& argument, std::string* error)
{
    size_t equals = argument.find('=');
    if (equals == std::string::npos) {
        *error = "\"" + argument + "\" is not TYPE=text:STRING, TYPE=hex:HEX or TYPE=@FILE";
        return std::nullopt;
    }
    std::string typeName = argument.substr(0, equals);
    std::string value = argument.substr(equals + 1);
    std::optional<FourCharCode> type = ParseType(typeName, error);
    if (!type)
        return std::nullopt;
    FlavorArgument flavor;
    flavor.type = *type;
    if (value.rfind("text:", 0) == 0) {
        std::optional<std::string> bytes = TextBytes(*type, value.substr(5), typeName, error);
        if (!bytes)
            return std::nullopt;
        flavor.bytes = std::move(*bytes);
    } else if (value.rfind("hex:", 0) == 0) {
        std::optional<std::string> bytes = BytesFromHex(value.substr(4));
        if (!bytes) {
            *error = "the bytes for '" + typeName + "' are not an even number of hexadecimal digits";
            return std::nullopt;
        }
        flavor.bytes = std::move(*bytes);
    } else if (value.rfind('@', 0) == 0) {
        std::optional<std::string> bytes = ReadWholeFile(value.substr(1), typeName, error);
        if (!bytes)
            return std::nullopt;
        flavor.bytes = std::move(*bytes);
    } else {
        *error = "the value for '" + typeName + "' must begin with text:, hex: or @";
        return std::nullopt;
    }
    return flavor;
}

int RunClipboardCommand(const ClipboardRequest& request, std::ostream& out, std::ostream& err)
{
    switch (request.action) {
    case ClipboardAction::Show:
        return Show(request.json, out, err);
    case ClipboardAction::Clear: {
        OSStatus status = ClearCurrentScrap();
        return status == noErr ? 0 : Fail(err, status);
    }
    case ClipboardAction::Set:
        return Set(request.flavors, err);
    }
    return 2;
}

}  // namespace cmhost
