// A secret on the clipboard is taken off it a short time after it was put there, unless another
// program has put something else there since: a helper process of ours waits that long and then
// clears the generation the secret was put in, removing its files.
#pragma once

#include "base/Result.h"

#include <string>

namespace platform::scrap {

// How long a secret stays on the clipboard: the seconds in STASHWELL_CLEAR_SECRETS_AFTER (0 keeps it
// until something else is put there), else 10 s.
long SecretLifetimeMilliseconds();

// The clipboard folder has just started the generation a secret goes into: starts the helper that
// forgets it when its time is up.
Result<void> ForgetSecretLater(int folderFd);

// The helper's side: argv is the program, kForgetArgument, the clipboard folder's path, the
// generation's name and the milliseconds to wait. Answers the exit status; the waiting goes on in a child.
int RunSecretForgetter(int argc, char** argv);

constexpr const char kForgetArgument[] = "--forget";

}  // namespace platform::scrap
