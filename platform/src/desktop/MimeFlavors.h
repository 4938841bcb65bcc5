// How clipboard flavors and the X11 selection's targets stand for each other. Text is converted:
// 'utxt' (UTF-16) is UTF8_STRING and text/plain;charset=utf-8, 'TEXT' (the system encoding, Mac OS
// Roman) is STRING (Latin-1) and text/plain (UTF-8). The other known flavors are their MIME types,
// byte for byte. Any other MIME target is kept as a flavor of its own whose bytes lead with the
// target's name, and a flavor of a type no MIME type stands for travels under a private target
// named after its type, so that everything a clipboard held comes back whole.
#pragma once

#include <Carbon/Scrap.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::desktop {

// Targets that are the selection's machinery (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS…) or
// aliases of text that the text targets already give: never content.
// So is the type by which a clipboard server of ours marks its offer on a Wayland compositor (this
// prefix and the server's token).
bool IsMachineryTarget(std::string_view target);
inline constexpr std::string_view kServerMarkPrefix = "application/x-stashwell-server-";

// One flavor that a selection's targets give: its type and the target to ask for it.
struct TargetFlavor {
    ScrapFlavorType type = 0;
    std::string target;
};

// The flavors that the owner's targets give, one per type, in the owner's order; for text, the
// first target of each type's preference (UTF8_STRING before text/plain;charset=utf-8, STRING before
// text/plain). Targets that are neither known, MIME types nor private flavor targets give nothing.
std::vector<TargetFlavor> FlavorsForTargets(const std::vector<std::string>& targets);

// What comes before the owner's answer in a flavor's bytes when the flavor keeps the answer as it
// is (nothing, or a foreign target's name); nullopt for text, which is converted whole.
std::optional<std::string> KeptAnswerHeader(const TargetFlavor& flavor);

// A flavor's bytes from what the owner answered for its target; nullopt when the answer cannot be
// converted (text that is not valid in its encoding). An answer kept as it is moves into the
// flavor, so that a large one is never held twice.
std::optional<std::string> FlavorBytesFromTarget(const TargetFlavor& flavor, std::string answer);

// A flavor a clipboard holds, as it is offered: its type, and for a kept foreign target the
// target's name (read from the flavor's bytes).
struct OfferedFlavor {
    ScrapFlavorType type = 0;
    std::string foreignTarget;
};

// Every target the flavors are offered as, each once, with the flavor that gives it. The text
// targets of one text flavor stand in for the other's when a clipboard holds only one of them.
std::vector<std::pair<std::string, ScrapFlavorType>> TargetsForFlavors(const std::vector<OfferedFlavor>& flavors);

// Whether a flavor goes out under a target it gives as its bytes are (after a foreign flavor's
// leading name): false for text converted to the target's encoding.
bool TargetKeepsFlavorBytes(ScrapFlavorType type, std::string_view target);

// What a flavor's bytes are under a target it gives (as TargetsForFlavors paired them); nullopt
// when the text cannot be converted. Bytes that go out as they are, or after a foreign flavor's
// leading name, are the flavor's own, moved: a large answer is never held twice.
std::optional<std::string> TargetBytesFromFlavor(ScrapFlavorType type, std::string_view target, std::string bytes);

// A kept foreign target: its flavor's type (made from the name, and so the same in every clip) and
// the flavor's bytes (the name, a NUL, then the content).
ScrapFlavorType ForeignFlavorType(std::string_view target);
std::string ForeignFlavorBytes(std::string_view target, std::string_view content);
// The name and content of a foreign flavor's bytes; nullopt when they are not such bytes.
std::optional<std::pair<std::string_view, std::string_view>> SplitForeignFlavor(std::string_view bytes);
bool IsForeignFlavorType(ScrapFlavorType type);

}  // namespace platform::desktop
