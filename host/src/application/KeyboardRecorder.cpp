#include "application/KeyboardRecorder.h"

#include "application/ClipboardText.h"

namespace cmhost {

KeyboardRecorder::KeyboardRecorder(Document* document) : mDocument(document)
{
    PlatformSetKeyboardSink(&KeyboardRecorder::Receive, this);
}

KeyboardRecorder::~KeyboardRecorder()
{
    PlatformSetKeyboardSink(nullptr, nullptr);
}

std::vector<KeyboardRecord> KeyboardRecorder::Keystrokes() const
{
    std::vector<KeyboardRecord> keys;
    for (const KeyboardRecord& record : mRecords) {
        if (record.isKey)
            keys.push_back(record);
    }
    return keys;
}

void KeyboardRecorder::Receive(void* context, const PlatformKeyboardEvent* event)
{
    static_cast<KeyboardRecorder*>(context)->Record(*event);
}

void KeyboardRecorder::Record(const PlatformKeyboardEvent& event)
{
    KeyboardRecord record;
    record.isKey = event.kind == kPlatformKeyEvent;
    record.stateCombining = event.stateCombining;
    if (record.isKey) {
        record.charCode = event.charCode;
        record.keyCode = event.keyCode;
        record.keyDown = event.keyDown;
    }
    mRecords.push_back(record);
    if (!record.isKey)
        return;
    // Nothing but posted events reaches this application, so the Command state is the one they set,
    // with or without state combining.
    if (record.keyCode == kCommandKeyCode)
        mCommandDown = record.keyDown;
    else if (record.keyCode == kVKeyCode && record.keyDown && mCommandDown)
        Paste();
}

void KeyboardRecorder::Paste()
{
    mPasteCount++;
    if (mDocument == nullptr)
        return;
    // An editor pastes nothing when the clipboard holds no text.
    std::string refusal;
    std::optional<ClipboardText> text = ClipboardText::Copy(&refusal);
    if (!refusal.empty())
        mWriteError = refusal;
    if (!text || (text->UTF8Length() == 0 && mDocument->selectionLength == 0))
        return;
    ReplaceSelection(*mDocument, text->UTF8Length(), [&](char* destination) { text->WriteUTF8(destination); });
    std::string error;
    mWriteError = SaveDocument(*mDocument, &error) ? std::string() : error;
}

}  // namespace cmhost
