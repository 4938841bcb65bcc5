// Text between the platform's strings and Qt's, for what the dialogs show and what the user types.
#pragma once

#include "CFOwner.h"

#include <CoreFoundation/CoreFoundation.h>

#include <QString>

class QFontMetrics;

namespace popup {

// The string's text; empty for NULL.
QString QStringFromCF(CFStringRef string);
// A new platform string with the text (+1, held by the owner).
platform::CFOwner<CFStringRef> CFStringFromQString(const QString& text);

// A label as a button or check box shows it: every '&' is itself, never a keyboard mnemonic.
QString WithoutMnemonics(const QString& label);

// A file path to go into text that wraps: a line may end after a '/' of the path and nowhere else
// in it, and a part of the path wider than width (as metrics measures it) is shortened in the middle
// with "…", so that no line breaks inside a name.
QString WrappablePath(const QString& path, const QFontMetrics& metrics, int width);

}  // namespace popup
