// Finding a clip by name among every list of the menu, as the user types: the text is matched
// without regard to case or accents, its words in any order, and the best matches come first.
#pragma once

#include "manager/MenuEntries.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace popup {

// One item that can be picked, wherever it is in the menu: what it shows with Option up and down,
// and the submenus that hold it below the top list (" › " between them; "" in a top list's own).
struct FoundEntry {
    cmhost::MenuEntry plain;
    cmhost::MenuEntry optioned;
    QString path;
};

class ClipFinder {
public:
    // items must stay alive and unchanged while the finder exists.
    explicit ClipFinder(const std::vector<cmhost::MenuItem>& items);

    // The entries whose names hold every word of text, best first: a name that starts with the
    // text, then names in which each word starts a word, then the rest; the menu's order within
    // each. At most `most` of them; *matched says how many match in all.
    std::vector<const FoundEntry*> Find(const QString& text, size_t most, size_t* matched) const;

private:
    struct Candidate {
        FoundEntry entry;
        QStringList words;  // the name's words, folded
        QString spaced;     // the same, one space between each
    };

    void Collect(const std::vector<cmhost::MenuItem>& items, const QString& path, bool top);

    std::vector<Candidate> mCandidates;
};

// The text as finding compares it: compatibility-decomposed, accents dropped, case folded.
QString FoldForFinding(const QString& text);

}  // namespace popup
