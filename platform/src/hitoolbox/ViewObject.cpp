// The view object: its kinds, what each kind holds, ownership of subviews, and tree helpers.
#include "hitoolbox/UIObjects.h"

#include "text/Unicode.h"

namespace platform::ui {
namespace {

std::string DescribeView(const RuntimeBase* object)
{
    const auto* view = static_cast<const OpaqueControlRef*>(object);
    char signature[5] = {static_cast<char>(view->id.signature >> 24), static_cast<char>(view->id.signature >> 16),
                         static_cast<char>(view->id.signature >> 8), static_cast<char>(view->id.signature), 0};
    return std::string("<HIView ") + signature + " " + std::to_string(view->id.id) + " \"" +
           EncodeUTF8(view->title) + "\">";
}

}  // namespace

const RuntimeClass kViewClass{kHIViewTypeID, "HIView", &FinalizeAs<OpaqueControlRef>, nullptr, nullptr,
                              &DescribeView};

OpaqueControlRef* AsView(ControlRef view)
{
    return IsType(view, kHIViewTypeID) ? static_cast<OpaqueControlRef*>(view) : nullptr;
}

OpaqueControlRef* CreateView(ViewKind kind)
{
    return CreateInstance<OpaqueControlRef>(nullptr, kViewClass, kind);
}

void SetWindowOfTree(OpaqueControlRef* view, OpaqueWindowPtr* window)
{
    FindInTree(view, [window](OpaqueControlRef* each) {
        each->window = window;
        return false;
    });
}

bool IsInside(const OpaqueControlRef* view, const OpaqueControlRef* ancestor)
{
    for (const OpaqueControlRef* each = view; each != nullptr; each = each->superview) {
        if (each == ancestor) {
            return true;
        }
    }
    return false;
}

bool IsShown(const OpaqueControlRef* view)
{
    for (const OpaqueControlRef* each = view; each != nullptr; each = each->superview) {
        if (!each->visible) {
            return false;
        }
    }
    return true;
}

void DropFocusWithin(OpaqueControlRef* view)
{
    OpaqueWindowPtr* window = view->window;
    if (window != nullptr && window->focus != nullptr && IsInside(window->focus, view)) {
        window->focus = nullptr;
    }
}

}  // namespace platform::ui

using platform::ui::ViewKind;

OpaqueControlRef::OpaqueControlRef(ViewKind kind_) : kind(kind_)
{
    if (kind == ViewKind::CheckBox) {
        maximum = kControlCheckBoxMixedValue;
    }
    // A combo box made in code starts hidden, as every view made outside an interface file does.
    visible = kind != ViewKind::ComboBox;
}

OpaqueControlRef::~OpaqueControlRef()
{
    // A subview retained elsewhere lives on without a superview or a window.
    for (platform::CFOwner<OpaqueControlRef*>& child : subviews) {
        child.Get()->superview = nullptr;
        platform::ui::SetWindowOfTree(child.Get(), nullptr);
        child.Reset();
    }
}

bool OpaqueControlRef::HoldsText() const
{
    return kind == ViewKind::EditText || kind == ViewKind::StaticText || kind == ViewKind::ComboBox;
}

bool OpaqueControlRef::TakesFocus() const
{
    return kind == ViewKind::EditText || kind == ViewKind::ComboBox;
}

bool OpaqueControlRef::CanEmbed() const
{
    return kind == ViewKind::Root || kind == ViewKind::Content;
}
