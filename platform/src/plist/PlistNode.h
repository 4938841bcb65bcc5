// The one place that speaks libplist. Its C interface changes between versions (integer nodes,
// dates, iteration), so everything else goes through this owner and these accessors.
#pragma once

#include "FreeDeleter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::plist {

enum class NodeKind { Dictionary, Array, String, Integer, Real, Boolean, Data, Date, Other };

// Borrowed view of a node inside a tree that a PlistNode owns. Valid while the owner lives.
class NodeView {
public:
    explicit NodeView(void* node) : mNode(node) {}

    NodeKind Kind() const;
    // The value of a scalar node; nullopt when the node is of another kind or the value cannot be
    // represented (an integer above INT64_MAX, a date out of the library's range).
    std::optional<std::int64_t> Integer() const;
    double Real() const;
    bool Boolean() const;
    // The bytes as the node holds them, valid while the tree lives: no copy of a value is made,
    // so nothing read from a secure note is left behind in a freed copy.
    std::string_view String() const;        // UTF-8 bytes as stored (not validated here)
    // False for a string that held a NUL character: the library keeps only the part before it but
    // would write the whole length, past the end of what it kept.
    bool IsWholeString() const;
    std::string_view Data() const;          // raw bytes
    std::optional<double> Date() const;     // seconds since 1 January 2001 UTC

    std::uint32_t ArrayCount() const;
    NodeView ArrayItem(std::uint32_t index) const;
    // The number of keys of a dictionary (0 for another kind of node).
    std::uint32_t DictionaryCount() const;
    // Every (key, value) pair of a dictionary, in the library's order.
    std::vector<std::pair<std::string, NodeView>> DictionaryItems() const;
    // The value of one key of a dictionary; nullopt when absent or when this is not a dictionary.
    std::optional<NodeView> DictionaryItem(const std::string& key) const;

    void* Raw() const { return mNode; }

private:
    void* mNode;
};

// Walks the (key, value) pairs of a dictionary in the library's order without copying them out, for
// the large lists that are read whole. A key is valid until the next call to Next.
class DictionaryCursor {
public:
    explicit DictionaryCursor(NodeView dictionary);

    // False at the end (or when the node is not a dictionary).
    bool Next(std::string_view& key, NodeView& value);

private:
    void* mDictionary;
    MallocOwned<void> mIterator;
    MallocOwned<char> mKey;
};

// Owns a whole libplist tree (its root). Move-only; frees the tree when it goes away, its strings'
// and data's bytes wiped first. A node that
// has been handed to a container with Append/Set is owned by that container from then on.
class PlistNode {
public:
    PlistNode() = default;
    static PlistNode Adopt(void* root) { return PlistNode(root); }
    ~PlistNode();
    PlistNode(PlistNode&& other) noexcept : mRoot(other.mRoot) { other.mRoot = nullptr; }
    PlistNode& operator=(PlistNode&& other) noexcept;
    PlistNode(const PlistNode&) = delete;
    PlistNode& operator=(const PlistNode&) = delete;

    explicit operator bool() const { return mRoot != nullptr; }
    NodeView View() const { return NodeView(mRoot); }
    // Gives up ownership (the caller or a container now owns the tree).
    void* LeakRoot();

    static PlistNode MakeDictionary();
    static PlistNode MakeArray();
    // text must not hold a NUL byte: the library stores C strings.
    static PlistNode MakeString(const std::string& utf8);
    static PlistNode MakeInteger(std::int64_t value);
    static PlistNode MakeReal(double value);
    static PlistNode MakeBoolean(bool value);
    static PlistNode MakeData(std::string_view bytes);
    // Whole seconds since 1 January 2001 UTC; nullopt when out of the library's range.
    static std::optional<PlistNode> MakeDate(double seconds);

    // An independent copy of a node and everything under it.
    static PlistNode CopyOf(NodeView node);

    // Container building: the child's tree passes to this container.
    void Append(PlistNode child);
    // Adds or replaces (the old value is freed).
    void Set(const std::string& key, PlistNode child);
    // Removes a key of a dictionary, when present.
    void Remove(const std::string& key);

private:
    explicit PlistNode(void* root) : mRoot(root) {}
    void* mRoot = nullptr;
};

// Parses XML bytes; an empty owner when the library refuses them.
PlistNode ParseXML(std::string_view xml);
// The XML text of a tree: prolog, DOCTYPE, tab indents.
std::string FormatXML(const PlistNode& root);

}  // namespace platform::plist
