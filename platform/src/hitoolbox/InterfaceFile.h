// The reader of interface files ("<name>.nib"): an XML property list describing windows and their
// controls. A file comes from a bundle that anyone may have written, so everything in it is
// checked before a window is made from it.
#pragma once

#include "base/Result.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui {

// Every kind of view the toolbox makes; an interface file names only the four control kinds.
enum class ViewKind { Root, Content, EditText, CheckBox, PushButton, StaticText, ComboBox };

struct Frame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct NibControl {
    ViewKind kind = ViewKind::StaticText;
    std::uint32_t signature = 0;
    std::int32_t id = 0;
    std::u16string title;  // a label, or the initial text of a text field
    Frame frame;
    std::uint32_t command = 0;
    bool isDefault = false;
};

struct NibWindow {
    std::u16string title;
    double width = 0;
    double height = 0;
    std::vector<NibControl> controls;
};

struct InterfaceFile {
    std::map<std::u16string, NibWindow> windows;
};

// Limits that keep a hostile file from costing more than a real one.
constexpr size_t kMaxInterfaceFileBytes = 4 * 1024 * 1024;
constexpr size_t kMaxWindows = 256;
constexpr size_t kMaxControlsPerWindow = 1024;
constexpr size_t kMaxTextUnits = 32767;  // the largest offset a text selection can name
constexpr double kMaxCoordinate = 1.0e6;

// Reads the bytes of an interface file; a failure with a one-line reason when they are not a valid
// one.
Result<InterfaceFile> ReadInterfaceFile(std::string_view bytes);

}  // namespace platform::ui
