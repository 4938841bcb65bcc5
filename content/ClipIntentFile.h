// One intent file of the clips folder, as the disk keeps it: files left by one version are swept by
// the next, so its form never changes. Its name is ".stashwell-intent-" and sixteen hexadecimal
// digits; its first line is the kind of change ("add", "delete" or "secure-add"), and once the
// writer knows it, the second line is the target: the package's name as the disk holds it, or the
// secure note's name in UTF-8 written as hexadecimal digits (a note name can hold any character, a
// line end too). The work folder of an intent is its name followed by ".work".
#pragma once

#include <string>
#include <string_view>

inline constexpr char kClipIntentPrefix[] = ".stashwell-intent-";
inline constexpr char kClipIntentWorkSuffix[] = ".work";

inline constexpr char kAddClipIntent[] = "add";
inline constexpr char kDeleteClipIntent[] = "delete";
inline constexpr char kAddSecureNoteIntent[] = "secure-add";

struct ClipIntentText {
    std::string kind;
    std::string target;  // empty while the writer had none
};

// A fresh intent file name, not to be guessed by other processes.
std::string NewClipIntentName();
// Whether an entry of the clips folder is an intent file or an intent's work folder.
bool IsClipIntentEntry(std::string_view name);
bool IsClipIntentWorkFolder(std::string_view name);

// Writes the kind line, and the target line when target is given, over what the file held. A
// target is flushed before the answer, so that a sweeper after a crash knows the name before the
// move it announces can have happened. 0, or the errno value.
int WriteClipIntent(int fd, std::string_view kind, const std::string* target = nullptr);
// The kind and target of the intent file open at fd; both empty when it holds nothing readable.
ClipIntentText ReadClipIntent(int fd);

// A note name as the target line holds it, and back; false for text that is no such line.
std::string HexOfNoteName(std::string_view noteName);
bool NoteNameOfHex(std::string_view hex, std::string& noteName);
