// File-system URLs in POSIX path style: normalisation, equality on the path and the directory
// flag, and the path-component operations the menu tree and the bundle code rely on.
#include "cf/URLObject.h"

#include "cf/StringObject.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <vector>

namespace platform {
namespace {

bool URLEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    const auto* first = static_cast<const OpaqueCFURL*>(a);
    const auto* second = static_cast<const OpaqueCFURL*>(b);
    return first->isDirectory == second->isDirectory && first->path == second->path;
}

CFHashCode URLHash(const RuntimeBase* object)
{
    const auto* url = static_cast<const OpaqueCFURL*>(object);
    return std::hash<std::string>{}(url->path) ^ (url->isDirectory ? 0x9e3779b9UL : 0UL);
}

// The path as it appears in the URL's text: a folder ends in '/'.
std::string PathWithDirectoryMark(const OpaqueCFURL* url)
{
    if (url->isDirectory && url->path != "/") {
        return url->path + "/";
    }
    return url->path;
}

// Characters that stand for themselves in a file URL's path; everything else is %XX-encoded
// byte by byte (UTF-8), so that the text is a valid URL whatever the file name holds.
bool IsPlainURLPathByte(unsigned char byte)
{
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')) {
        return true;
    }
    return std::strchr("-._~/!$&'()*+,;=:@", byte) != nullptr && byte != '\0';
}

std::string URLText(const OpaqueCFURL* url)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = "file://";
    for (unsigned char byte : PathWithDirectoryMark(url)) {
        if (IsPlainURLPathByte(byte)) {
            text.push_back(static_cast<char>(byte));
        } else {
            text.push_back('%');
            text.push_back(kHex[byte >> 4]);
            text.push_back(kHex[byte & 0x0f]);
        }
    }
    return text;
}

std::string DescribeURL(const RuntimeBase* object)
{
    return URLText(static_cast<const OpaqueCFURL*>(object));
}

const OpaqueCFURL* AsURL(CFURLRef url, const char* caller)
{
    if (!IsType(url, kURLTypeID)) {
        FatalError(caller);
    }
    return static_cast<const OpaqueCFURL*>(url);
}

// The normalised path split at '/': "/" has no components.
std::vector<std::string_view> Components(std::string_view path)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

std::string_view LastComponent(const std::string& path)
{
    std::vector<std::string_view> parts = Components(path);
    return parts.empty() ? std::string_view() : parts.back();
}

}  // namespace

const RuntimeClass kURLClass{kURLTypeID, "CFURL", &FinalizeAs<OpaqueCFURL>, &URLEqual, &URLHash, &DescribeURL};

bool NormaliseFileSystemPath(std::string_view path, std::string& normalised)
{
    if (path.empty() || path.find('\0') != std::string_view::npos) {
        return false;
    }
    std::string absolute;
    if (path.front() != '/') {
        std::vector<char> buffer(PATH_MAX);
        while (getcwd(buffer.data(), buffer.size()) == nullptr) {
            if (errno != ERANGE || buffer.size() > (1u << 20)) {
                return false;
            }
            buffer.resize(buffer.size() * 2);
        }
        absolute = buffer.data();
        absolute += '/';
    }
    absolute.append(path);

    normalised.clear();
    for (std::string_view part : Components(absolute)) {
        if (part == ".") {
            continue;
        }
        normalised += '/';
        normalised.append(part);
    }
    if (normalised.empty()) {
        normalised = "/";
    }
    return true;
}

CFURLRef CreateURLFromPath(CFAllocatorRef allocator, std::string_view path, bool isDirectory)
{
    std::string normalised;
    if (!NormaliseFileSystemPath(path, normalised)) {
        return nullptr;
    }
    // The root is a folder whatever the caller said: its path always ends in '/'.
    if (normalised == "/") {
        isDirectory = true;
    }
    return CreateInstance<OpaqueCFURL>(allocator, kURLClass, std::move(normalised), isDirectory);
}

const std::string& URLPath(CFURLRef url)
{
    return AsURL(url, "not a URL")->path;
}

}  // namespace platform

using namespace platform;

extern "C" {

CFTypeID CFURLGetTypeID(void)
{
    RegisterRuntimeClass(kURLClass);
    return kURLTypeID;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath, CFURLPathStyle pathStyle,
                                       Boolean isDirectory)
{
    if (filePath == nullptr || pathStyle != kCFURLPOSIXPathStyle) {
        return nullptr;
    }
    return CreateURLFromPath(allocator, StringToUTF8(filePath), isDirectory);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory)
{
    if (buffer == nullptr || bufLen <= 0) {
        return nullptr;
    }
    return CreateURLFromPath(allocator,
                             std::string_view(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen)),
                             isDirectory);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle)
{
    if (pathStyle != kCFURLPOSIXPathStyle) {
        return nullptr;
    }
    return CreateStringFromUTF8(CFGetAllocator(anURL), URLPath(anURL));
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer, CFIndex maxBufLen)
{
    // Every URL here is absolute, so there is no base to resolve against.
    const std::string& path = URLPath(url);
    if (buffer == nullptr || maxBufLen < 0 || path.size() + 1 > static_cast<size_t>(maxBufLen)) {
        return false;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return true;
}

CFStringRef CFURLGetString(CFURLRef anURL)
{
    const OpaqueCFURL* url = AsURL(anURL, "CFURLGetString: not a URL");
    std::call_once(url->stringOnce,
                   [url] { url->string = AdoptCF(CreateStringFromUTF8(url->allocator, URLText(url))); });
    return url->string.Get();
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL)
{
    return AsURL(anURL, "CFURLHasDirectoryPath: not a URL")->isDirectory;
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url)
{
    return CreateStringFromUTF8(CFGetAllocator(url), LastComponent(URLPath(url)));
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator, CFURLRef url)
{
    const std::string& path = URLPath(url);
    // A URL names a path without walking the disk, so the parent of "/" can only be written as
    // "/.." (a folder), as the original platform does.
    if (path == "/") {
        return CreateURLFromPath(allocator, "/..", true);
    }
    size_t slash = path.rfind('/');
    return CreateURLFromPath(allocator, slash == 0 ? std::string("/") : path.substr(0, slash), true);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url, CFStringRef pathComponent,
                                               Boolean isDirectory)
{
    if (pathComponent == nullptr) {
        return nullptr;
    }
    // A component holding '/' adds several components at once; normalisation tidies the joins.
    return CreateURLFromPath(allocator, URLPath(url) + "/" + StringToUTF8(pathComponent), isDirectory);
}

}  // extern "C"
