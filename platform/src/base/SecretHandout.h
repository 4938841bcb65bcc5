// Whether this process has just handed a secret out of the keychain. The clipboard it fills next
// is then the secret's (a secure clip being pasted), and the desktop's clipboard says so to the
// clipboard managers that would otherwise keep a copy of it.
#pragma once

namespace platform {

// Called as the keychain hands out an item's data.
void NoteSecretHandedOut();
// Whether a secret was handed out within the last few seconds and not taken since; taking it
// forgets it, so that one paste is marked and not the ones after it.
bool TakeRecentSecretHandout();

}  // namespace platform
