// libplist 2.2 behind our own owner. Details of that version that matter here:
// - integers are one node type holding 64 bits; the parser marks values above INT64_MAX so that
//   the writer prints them unsigned, and plist_compare_node_value tells the two apart;
// - dates are 32-bit seconds since 2001, and a date the parser cannot place comes back as
//   INT32_MIN seconds;
// - dictionary iterators and keys are malloc'd and freed by the caller.
#include "plist/PlistNode.h"

#include <plist/plist.h>

#include "WipedMemory.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform::plist {
namespace {

}  // namespace

NodeKind NodeView::Kind() const
{
    switch (plist_get_node_type(mNode)) {
    case PLIST_DICT:
        return NodeKind::Dictionary;
    case PLIST_ARRAY:
        return NodeKind::Array;
    case PLIST_STRING:
        return NodeKind::String;
    case PLIST_UINT:
        return NodeKind::Integer;
    case PLIST_REAL:
        return NodeKind::Real;
    case PLIST_BOOLEAN:
        return NodeKind::Boolean;
    case PLIST_DATA:
        return NodeKind::Data;
    case PLIST_DATE:
        return NodeKind::Date;
    default:
        return NodeKind::Other;
    }
}

std::optional<std::int64_t> NodeView::Integer() const
{
    if (Kind() != NodeKind::Integer) {
        return std::nullopt;
    }
    std::uint64_t bits = 0;
    plist_get_uint_val(mNode, &bits);
    if (bits > static_cast<std::uint64_t>(INT64_MAX)) {
        // Either a negative number or an unsigned one above INT64_MAX: only the signed kind
        // compares equal to a node made from the same bits.
        void* probe = plist_new_uint(bits);
        bool isSigned = plist_compare_node_value(mNode, probe) != 0;
        plist_free(probe);
        if (!isSigned) {
            return std::nullopt;
        }
    }
    return static_cast<std::int64_t>(bits);
}

double NodeView::Real() const
{
    double value = 0;
    plist_get_real_val(mNode, &value);
    return value;
}

bool NodeView::Boolean() const
{
    std::uint8_t value = 0;
    plist_get_bool_val(mNode, &value);
    return value != 0;
}

std::string_view NodeView::String() const
{
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(mNode, &length);
    // The library keeps the length of the text it parsed but copies it as a C string: a NUL inside
    // the text ends the copy, and the length then reaches past it.
    return text == nullptr ? std::string_view() : std::string_view(text, ::strnlen(text, static_cast<size_t>(length)));
}

bool NodeView::IsWholeString() const
{
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(mNode, &length);
    return text == nullptr || ::strnlen(text, static_cast<size_t>(length)) == length;
}

std::string_view NodeView::Data() const
{
    std::uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(mNode, &length);
    return bytes == nullptr ? std::string_view() : std::string_view(bytes, static_cast<size_t>(length));
}

std::optional<double> NodeView::Date() const
{
    std::int32_t seconds = 0;
    std::int32_t micros = 0;
    plist_get_date_val(mNode, &seconds, &micros);
    if (seconds == INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<double>(seconds) + static_cast<double>(micros) / 1e6;
}

std::uint32_t NodeView::ArrayCount() const
{
    return plist_array_get_size(mNode);
}

NodeView NodeView::ArrayItem(std::uint32_t index) const
{
    return NodeView(plist_array_get_item(mNode, index));
}

std::uint32_t NodeView::DictionaryCount() const
{
    return Kind() == NodeKind::Dictionary ? plist_dict_get_size(mNode) : 0;
}

std::vector<std::pair<std::string, NodeView>> NodeView::DictionaryItems() const
{
    std::vector<std::pair<std::string, NodeView>> items;
    DictionaryCursor cursor(*this);
    std::string_view key;
    NodeView value(nullptr);
    while (cursor.Next(key, value)) {
        items.emplace_back(std::string(key), value);
    }
    return items;
}

DictionaryCursor::DictionaryCursor(NodeView dictionary) : mDictionary(dictionary.Raw())
{
    if (mDictionary != nullptr && plist_get_node_type(mDictionary) == PLIST_DICT) {
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(mDictionary, &iterator);
        mIterator.reset(iterator);
    }
}

bool DictionaryCursor::Next(std::string_view& key, NodeView& value)
{
    mKey.reset();
    if (mIterator == nullptr) {
        return false;
    }
    plist_t item = nullptr;
    char* itemKey = nullptr;
    plist_dict_next_item(mDictionary, mIterator.get(), &itemKey, &item);
    mKey.reset(itemKey);
    if (item == nullptr) {
        return false;
    }
    key = mKey != nullptr ? std::string_view(mKey.get()) : std::string_view();
    value = NodeView(item);
    return true;
}

namespace {

// Zeroes the bytes of every string and data value under the node, which the library frees without
// wiping. Containers are walked with an explicit stack: trees read are at most as deep as
// the reader allows, trees built are as deep as their caller's values.
void WipeValues(plist_t root)
{
    std::vector<plist_t> pending{root};
    while (!pending.empty()) {
        plist_t node = pending.back();
        pending.pop_back();
        std::uint64_t length = 0;
        switch (plist_get_node_type(node)) {
        case PLIST_STRING:
            WipeBytes(const_cast<char*>(plist_get_string_ptr(node, &length)), static_cast<size_t>(length));
            break;
        case PLIST_DATA:
            WipeBytes(const_cast<char*>(plist_get_data_ptr(node, &length)), static_cast<size_t>(length));
            break;
        case PLIST_ARRAY:
            for (std::uint32_t i = 0, count = plist_array_get_size(node); i < count; ++i) {
                pending.push_back(plist_array_get_item(node, i));
            }
            break;
        case PLIST_DICT: {
            plist_dict_iter rawIter = nullptr;
            plist_dict_new_iter(node, &rawIter);
            MallocOwned<void> iter(rawIter);
            while (iter) {
                plist_t value = nullptr;
                // Only the values: asking for a key makes the library copy it.
                plist_dict_next_item(node, rawIter, nullptr, &value);
                if (value == nullptr) {
                    break;
                }
                pending.push_back(value);
            }
            break;
        }
        default:
            break;
        }
    }
}

void FreeTree(plist_t root)
{
    if (root != nullptr) {
        WipeValues(root);
        plist_free(root);
    }
}

}  // namespace

PlistNode::~PlistNode()
{
    FreeTree(mRoot);
}

PlistNode& PlistNode::operator=(PlistNode&& other) noexcept
{
    if (this != &other) {
        FreeTree(mRoot);
        mRoot = other.mRoot;
        other.mRoot = nullptr;
    }
    return *this;
}

void* PlistNode::LeakRoot()
{
    void* root = mRoot;
    mRoot = nullptr;
    return root;
}

PlistNode PlistNode::MakeDictionary()
{
    return PlistNode(plist_new_dict());
}

PlistNode PlistNode::MakeArray()
{
    return PlistNode(plist_new_array());
}

PlistNode PlistNode::MakeString(const std::string& utf8)
{
    return PlistNode(plist_new_string(utf8.c_str()));
}

PlistNode PlistNode::MakeInteger(std::int64_t value)
{
    // Made through the public constructor, a node is signed: negative values print with a sign.
    return PlistNode(plist_new_uint(static_cast<std::uint64_t>(value)));
}

PlistNode PlistNode::MakeReal(double value)
{
    return PlistNode(plist_new_real(value));
}

PlistNode PlistNode::MakeBoolean(bool value)
{
    return PlistNode(plist_new_bool(value ? 1 : 0));
}

PlistNode PlistNode::MakeData(std::string_view bytes)
{
    return PlistNode(plist_new_data(bytes.data(), bytes.size()));
}

std::optional<PlistNode> PlistNode::MakeDate(double seconds)
{
    if (!std::isfinite(seconds)) {
        return std::nullopt;
    }
    double whole = std::floor(seconds);
    // INT32_MIN is what the parser answers for a date it cannot place: never write it.
    if (whole <= static_cast<double>(INT32_MIN) || whole > static_cast<double>(INT32_MAX)) {
        return std::nullopt;
    }
    return PlistNode(plist_new_date(static_cast<std::int32_t>(whole), 0));
}

PlistNode PlistNode::CopyOf(NodeView node)
{
    return PlistNode(plist_copy(node.Raw()));
}

void PlistNode::Append(PlistNode child)
{
    plist_array_append_item(mRoot, child.LeakRoot());
}

void PlistNode::Set(const std::string& key, PlistNode child)
{
    plist_dict_set_item(mRoot, key.c_str(), child.LeakRoot());
}

void PlistNode::Remove(const std::string& key)
{
    if (plist_dict_get_item(mRoot, key.c_str()) != nullptr) {
        plist_dict_remove_item(mRoot, key.c_str());
    }
}

std::optional<NodeView> NodeView::DictionaryItem(const std::string& key) const
{
    if (Kind() != NodeKind::Dictionary) {
        return std::nullopt;
    }
    plist_t item = plist_dict_get_item(mNode, key.c_str());
    if (item == nullptr) {
        return std::nullopt;
    }
    return NodeView(item);
}

PlistNode ParseXML(std::string_view xml)
{
    // The library is handed a NUL-terminated copy, so that no parser path can read past the end.
    WipedString copy(xml);
    plist_t root = nullptr;
    plist_from_xml(copy.c_str(), static_cast<std::uint32_t>(copy.size()), &root);
    return PlistNode::Adopt(root);
}

std::string FormatXML(const PlistNode& root)
{
    char* raw = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.View().Raw(), &raw, &length);
    std::unique_ptr<char, void (*)(char*)> text(raw, [](char* p) { plist_to_xml_free(p); });
    std::string xml = text ? std::string(text.get(), length) : std::string();
    WipeBytes(raw, length);
    return xml;
}

}  // namespace platform::plist
