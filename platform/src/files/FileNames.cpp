// Conversions between File Manager names and on-disk names.
#include "files/FileNames.h"

#include "text/Unicode.h"

#include <algorithm>

namespace platform::files {
namespace {

constexpr UniCharCount kMaxNameUnits = 255;

}  // namespace

OSErr DiskNameFromUnicode(UniCharCount length, const UniChar* units, std::string& diskName)
{
    if (length > 0 && units == nullptr) {
        return paramErr;
    }
    if (length > kMaxNameUnits) {
        return errFSNameTooLong;
    }
    std::u16string name(reinterpret_cast<const char16_t*>(units), length);
    if (name.empty() || name == u"." || name == u"..") {
        return bdNamErr;
    }
    // A NUL would end the name early in every system call; a ':' would read back as '/', so the
    // name would not survive a round trip.
    if (name.find(u'\0') != std::u16string::npos || name.find(u':') != std::u16string::npos) {
        return bdNamErr;
    }
    if (!IsWellFormedUTF16(name)) {
        return bdNamErr;
    }
    std::replace(name.begin(), name.end(), u'/', u':');
    diskName = EncodeUTF8(name);
    return noErr;
}

void UnicodeFromDiskName(std::string_view diskName, HFSUniStr255& name)
{
    std::u16string units;
    DecodeUTF8(diskName, units, false);
    std::replace(units.begin(), units.end(), u':', u'/');
    size_t count = std::min<size_t>(units.size(), kMaxNameUnits);
    name.length = static_cast<UInt16>(count);
    std::copy_n(units.begin(), count, reinterpret_cast<char16_t*>(name.unicode));
}

std::string JoinPath(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path.append(name);
    return path;
}

std::string_view LastComponent(std::string_view path)
{
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ParentPath(std::string_view path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash == 0) {
        return "/";
    }
    return std::string(path.substr(0, slash));
}

}  // namespace platform::files
