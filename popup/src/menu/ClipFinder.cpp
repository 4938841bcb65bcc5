#include "menu/ClipFinder.h"

#include <array>

namespace popup {
namespace {

using cmhost::EntryKind;
using cmhost::MenuEntry;
using cmhost::MenuItem;

// The runs of letters and digits of folded text; what lies between them only parts words.
QStringList Words(const QString& folded)
{
    QStringList words;
    QString word;
    for (const QChar c : folded) {
        if (c.isLetterOrNumber()) {
            word.append(c);
        } else if (!word.isEmpty()) {
            words.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

}  // namespace

QString FoldForFinding(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString kept;
    kept.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining &&
            category != QChar::Mark_Enclosing)
            kept.append(c);
    }
    return kept.toCaseFolded();
}

ClipFinder::ClipFinder(const std::vector<MenuItem>& items)
{
    Collect(items, QString(), true);
}

void ClipFinder::Collect(const std::vector<MenuItem>& items, const QString& path, bool top)
{
    // The same pairing of main items and alternates as the lists show.
    const std::vector<MenuEntry> plain = cmhost::VisibleEntries(items, 0);
    const std::vector<MenuEntry> optioned = cmhost::VisibleEntries(items, cmhost::kOptionHeld);
    for (size_t i = 0; i < plain.size() && i < optioned.size(); ++i) {
        const QString label = QString::fromStdString(plain[i].label);
        if (plain[i].kind == EntryKind::Submenu) {
            // The top list's submenus are the plug-ins' own ("Stashwell"): every clip would name
            // it, so a path starts below them.
            const QString inner = top ? QString() : (path.isEmpty() ? label : path + QStringLiteral(" › ") + label);
            Collect(plain[i].item->submenu, inner, false);
        } else if (plain[i].kind == EntryKind::Command) {
            QStringList words = Words(FoldForFinding(label));
            QString spaced = words.join(QLatin1Char(' '));
            mCandidates.push_back({{plain[i], optioned[i], path}, std::move(words), std::move(spaced)});
        }
    }
}

std::vector<const FoundEntry*> ClipFinder::Find(const QString& text, size_t most, size_t* matched) const
{
    const QStringList wanted = Words(FoldForFinding(text));
    const QString phrase = wanted.join(QLatin1Char(' '));
    // One list per rank, each in the menu's order.
    std::array<std::vector<const FoundEntry*>, 3> ranked;
    if (!wanted.isEmpty()) {
        for (const Candidate& candidate : mCandidates) {
            bool everyWordStarts = true;
            bool everyWordInside = true;
            for (const QString& word : wanted) {
                bool starts = false;
                for (const QString& own : candidate.words) {
                    if (own.startsWith(word)) {
                        starts = true;
                        break;
                    }
                }
                everyWordStarts = everyWordStarts && starts;
                if (!starts && !candidate.spaced.contains(word)) {
                    everyWordInside = false;
                    break;
                }
            }
            if (!everyWordInside)
                continue;
            const size_t rank = candidate.spaced.startsWith(phrase) ? 0 : everyWordStarts ? 1 : 2;
            ranked[rank].push_back(&candidate.entry);
        }
    }
    std::vector<const FoundEntry*> found;
    size_t all = 0;
    for (const auto& rank : ranked) {
        all += rank.size();
        for (const FoundEntry* entry : rank) {
            if (found.size() < most)
                found.push_back(entry);
        }
    }
    if (matched != nullptr)
        *matched = all;
    return found;
}

}  // namespace popup
