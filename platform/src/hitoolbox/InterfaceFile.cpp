// Reading interface files: the property list is parsed and validated by the shared reader, then
// walked here into the window descriptions, refusing anything a window cannot be made from.
#include "hitoolbox/InterfaceFile.h"

#include "plist/PropertyListReader.h"
#include "text/Unicode.h"

#include <Carbon/IBCarbonRuntime.h>

#include <cmath>
#include <limits>
#include <optional>

namespace platform::ui {
namespace {

using plist::NodeKind;
using plist::NodeView;

// Collects the first failure and the place it was found at.
class Walker {
public:
    bool Fail(const std::string& where, const std::string& what)
    {
        if (mError.empty()) {
            mError = where + ": " + what;
        }
        return false;
    }
    const std::string& Error() const { return mError; }

    bool Text(NodeView node, const std::string& where, std::u16string& out)
    {
        if (node.Kind() != NodeKind::String) {
            return Fail(where, "not a string");
        }
        if (!DecodeUTF8(node.String(), out, true)) {
            return Fail(where, "not UTF-8 text");
        }
        if (out.size() > kMaxTextUnits) {
            return Fail(where, "text too long");
        }
        return true;
    }

    bool Number(NodeView node, const std::string& where, double low, double high, double& out)
    {
        if (node.Kind() == NodeKind::Integer) {
            std::optional<std::int64_t> value = node.Integer();
            if (!value) {
                return Fail(where, "number out of range");
            }
            out = static_cast<double>(*value);
        } else if (node.Kind() == NodeKind::Real) {
            out = node.Real();
        } else {
            return Fail(where, "not a number");
        }
        if (!std::isfinite(out) || out < low || out > high) {
            return Fail(where, "number out of range");
        }
        return true;
    }

    // A four-character code written as its four characters ("ok  ") or as its number.
    bool Code(NodeView node, const std::string& where, std::uint32_t& out)
    {
        if (node.Kind() == NodeKind::Integer) {
            std::optional<std::int64_t> value = node.Integer();
            if (!value || *value < 0 || *value > std::numeric_limits<std::uint32_t>::max()) {
                return Fail(where, "code out of range");
            }
            out = static_cast<std::uint32_t>(*value);
            return true;
        }
        if (node.Kind() != NodeKind::String) {
            return Fail(where, "not a four-character code");
        }
        std::string text(node.String());
        if (text.size() != 4) {
            return Fail(where, "not four characters");
        }
        out = 0;
        for (unsigned char c : text) {
            if (c < 0x20 || c > 0x7E) {
                return Fail(where, "not four printable ASCII characters");
            }
            out = out << 8 | c;
        }
        return true;
    }

    bool Kind(NodeView node, const std::string& where, ViewKind& out)
    {
        if (node.Kind() != NodeKind::String) {
            return Fail(where, "not a string");
        }
        std::string name(node.String());
        if (name == "editText") {
            out = ViewKind::EditText;
        } else if (name == "checkBox") {
            out = ViewKind::CheckBox;
        } else if (name == "pushButton") {
            out = ViewKind::PushButton;
        } else if (name == "staticText") {
            out = ViewKind::StaticText;
        } else {
            return Fail(where, "unknown control kind \"" + name.substr(0, 40) + "\"");
        }
        return true;
    }

    bool Frame(NodeView node, const std::string& where, ui::Frame& out)
    {
        if (node.Kind() != NodeKind::Array || node.ArrayCount() != 4) {
            return Fail(where, "not an array of four numbers");
        }
        return Number(node.ArrayItem(0), where + "[0]", -kMaxCoordinate, kMaxCoordinate, out.x) &&
               Number(node.ArrayItem(1), where + "[1]", -kMaxCoordinate, kMaxCoordinate, out.y) &&
               Number(node.ArrayItem(2), where + "[2]", 0, kMaxCoordinate, out.width) &&
               Number(node.ArrayItem(3), where + "[3]", 0, kMaxCoordinate, out.height);
    }

    bool Control(NodeView node, const std::string& where, NibControl& out)
    {
        if (node.Kind() != NodeKind::Dictionary) {
            return Fail(where, "not a dictionary");
        }
        std::optional<NodeView> kind = node.DictionaryItem("kind");
        std::optional<NodeView> frame = node.DictionaryItem("frame");
        if (!kind) {
            return Fail(where, "no kind");
        }
        if (!frame) {
            return Fail(where, "no frame");
        }
        if (!Kind(*kind, where + ".kind", out.kind) || !Frame(*frame, where + ".frame", out.frame)) {
            return false;
        }
        if (auto signature = node.DictionaryItem("signature");
            signature && !Code(*signature, where + ".signature", out.signature)) {
            return false;
        }
        if (auto id = node.DictionaryItem("id"); id) {
            double value = 0;
            if (id->Kind() != NodeKind::Integer) {
                return Fail(where + ".id", "not an integer");
            }
            if (!Number(*id, where + ".id", std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::int32_t>::max(), value)) {
                return false;
            }
            out.id = static_cast<std::int32_t>(value);
        }
        if (auto title = node.DictionaryItem("title"); title && !Text(*title, where + ".title", out.title)) {
            return false;
        }
        if (auto command = node.DictionaryItem("command");
            command && !Code(*command, where + ".command", out.command)) {
            return false;
        }
        if (auto isDefault = node.DictionaryItem("default"); isDefault) {
            if (isDefault->Kind() != NodeKind::Boolean) {
                return Fail(where + ".default", "not a boolean");
            }
            out.isDefault = isDefault->Boolean();
            if (out.isDefault && out.kind != ViewKind::PushButton) {
                return Fail(where + ".default", "only a push button can be the default button");
            }
        }
        return true;
    }

    bool Window(NodeView node, const std::string& where, NibWindow& out)
    {
        if (node.Kind() != NodeKind::Dictionary) {
            return Fail(where, "not a dictionary");
        }
        std::optional<NodeView> width = node.DictionaryItem("width");
        std::optional<NodeView> height = node.DictionaryItem("height");
        if (!width || !height) {
            return Fail(where, "no width or height");
        }
        if (!Number(*width, where + ".width", 1, kMaxCoordinate, out.width) ||
            !Number(*height, where + ".height", 1, kMaxCoordinate, out.height)) {
            return false;
        }
        if (auto title = node.DictionaryItem("title"); title && !Text(*title, where + ".title", out.title)) {
            return false;
        }
        std::optional<NodeView> controls = node.DictionaryItem("controls");
        if (!controls) {
            return true;
        }
        if (controls->Kind() != NodeKind::Array) {
            return Fail(where + ".controls", "not an array");
        }
        std::uint32_t count = controls->ArrayCount();
        if (count > kMaxControlsPerWindow) {
            return Fail(where + ".controls", "too many controls");
        }
        int defaults = 0;
        out.controls.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!Control(controls->ArrayItem(i), where + ".controls[" + std::to_string(i) + "]", out.controls[i])) {
                return false;
            }
            defaults += out.controls[i].isDefault ? 1 : 0;
        }
        if (defaults > 1) {
            return Fail(where + ".controls", "more than one default button");
        }
        return true;
    }

    bool File(NodeView root, InterfaceFile& out)
    {
        if (root.Kind() != NodeKind::Dictionary) {
            return Fail("interface file", "not a dictionary");
        }
        std::optional<NodeView> windows = root.DictionaryItem("windows");
        if (!windows || windows->Kind() != NodeKind::Dictionary) {
            return Fail("windows", "missing or not a dictionary");
        }
        std::vector<std::pair<std::string, NodeView>> items = windows->DictionaryItems();
        if (items.size() > kMaxWindows) {
            return Fail("windows", "too many windows");
        }
        for (auto& [name, node] : items) {
            std::string where = "window \"" + name.substr(0, 60) + "\"";
            std::u16string key;
            if (!DecodeUTF8(name, key, true) || key.empty() || key.size() > kMaxTextUnits) {
                return Fail(where, "not a usable window name");
            }
            NibWindow window;
            if (!Window(node, where, window)) {
                return false;
            }
            out.windows.emplace(std::move(key), std::move(window));
        }
        return true;
    }

private:
    std::string mError;
};

// A file that cannot be read is, to whoever asked for it, a file that is not there.
Failure Damaged(std::string reason)
{
    return Failure{kIBCarbonRuntimeCantFindNibFile, 0, std::move(reason)};
}

}  // namespace

Result<InterfaceFile> ReadInterfaceFile(std::string_view bytes)
{
    if (bytes.size() > kMaxInterfaceFileBytes) {
        return Damaged("interface file too large");
    }
    Result<plist::PlistNode> parsed = plist::ParseXMLPropertyList(bytes);
    if (!parsed.Ok()) {
        return Damaged(parsed.Reason());
    }
    const plist::PlistNode& tree = parsed.Value();
    if (Result<void> valid = plist::ValidateTree(tree.View()); !valid.Ok()) {
        return Damaged(valid.Reason());
    }
    InterfaceFile file;
    Walker walker;
    if (!walker.File(tree.View(), file)) {
        return Damaged(walker.Error());
    }
    return file;
}

}  // namespace platform::ui
