// The form of intent files.
#include "content/ClipIntentFile.h"

// The platform's file base, from its public include folder.
#include "RegularFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace {

// No intent this system writes comes near this; a larger file is read no further.
constexpr size_t kMaxIntentBytes = 4096;

}  // namespace

std::string NewClipIntentName()
{
    std::random_device random;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%08x%08x", random(), random());
    return kClipIntentPrefix + std::string(digits);
}

bool IsClipIntentEntry(std::string_view name)
{
    return name.starts_with(kClipIntentPrefix);
}

bool IsClipIntentWorkFolder(std::string_view name)
{
    return IsClipIntentEntry(name) && name.ends_with(kClipIntentWorkSuffix);
}

int WriteClipIntent(int fd, std::string_view kind, const std::string* target)
{
    std::string text(kind);
    text += '\n';
    if (target != nullptr) {
        text += *target;
        text += '\n';
    }
    if (::ftruncate(fd, 0) != 0) {
        return errno;
    }
    if (const platform::Result<void> written = platform::WriteAllAt(fd, text.data(), text.size(), 0); !written.Ok()) {
        return written.Errno() != 0 ? written.Errno() : EIO;
    }
    return target == nullptr || ::fdatasync(fd) == 0 ? 0 : errno;
}

ClipIntentText ReadClipIntent(int fd)
{
    char bytes[kMaxIntentBytes];
    const ssize_t got = platform::ReadAt(fd, bytes, sizeof bytes, 0);
    const std::string_view contents(bytes, got > 0 ? static_cast<size_t>(got) : 0);
    ClipIntentText text;
    const size_t kindEnd = contents.find('\n');
    text.kind = contents.substr(0, kindEnd);
    if (kindEnd != std::string_view::npos) {
        const std::string_view rest = contents.substr(kindEnd + 1);
        text.target = rest.substr(0, rest.find('\n'));
    }
    return text;
}

std::string HexOfNoteName(std::string_view noteName)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : noteName) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

bool NoteNameOfHex(std::string_view hex, std::string& noteName)
{
    auto value = [](char digit) {
        return digit >= '0' && digit <= '9' ? digit - '0' : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10 : -1;
    };
    if (hex.size() % 2 != 0) {
        return false;
    }
    noteName.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = value(hex[i]);
        const int low = value(hex[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        noteName += static_cast<char>(high * 16 + low);
    }
    return true;
}
