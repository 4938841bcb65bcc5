// The front application's keyboard: every keystroke posted to it is recorded, and Command-V pastes
// the clipboard's text into the document, as an editor's Paste does.
#pragma once

#include "application/Document.h"

#include <PlatformHost.h>

#include <string>
#include <vector>

namespace cmhost {

// One event as it reached the application: a key, or a change of the event-state combining
// setting.
struct KeyboardRecord {
    bool isKey = true;
    UInt16 charCode = 0;
    UInt16 keyCode = 0;
    bool keyDown = false;
    bool stateCombining = true;  // the setting in force (after the change, for a change)
};

constexpr UInt16 kCommandKeyCode = 55;
constexpr UInt16 kVKeyCode = 9;

class KeyboardRecorder {
public:
    // Becomes the process's keyboard sink until it goes away. document may be NULL (no document to
    // paste into: keys are still recorded); it must outlive the recorder.
    explicit KeyboardRecorder(Document* document);
    ~KeyboardRecorder();
    KeyboardRecorder(const KeyboardRecorder&) = delete;
    KeyboardRecorder& operator=(const KeyboardRecorder&) = delete;

    const std::vector<KeyboardRecord>& Records() const { return mRecords; }
    // The key events alone, in order.
    std::vector<KeyboardRecord> Keystrokes() const;
    int PasteCount() const { return mPasteCount; }
    // Why the last paste could not be written back to the document's file, or was refused as too
    // large to paste; empty when it went in.
    const std::string& WriteError() const { return mWriteError; }

private:
    static void Receive(void* context, const PlatformKeyboardEvent* event);
    void Record(const PlatformKeyboardEvent& event);
    void Paste();

    Document* mDocument;
    std::vector<KeyboardRecord> mRecords;
    bool mCommandDown = false;
    int mPasteCount = 0;
    std::string mWriteError;
};

}  // namespace cmhost
