#include "dialogs/WarningsNotice.h"

#include <QMessageBox>
#include <QString>

#include <cctype>

namespace popup {

std::string WarningSentence(std::string warning)
{
    if (!warning.empty())
        warning[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(warning[0])));
    return warning;
}

void ShowWarningsNotice(const std::vector<std::string>& warnings)
{
    if (warnings.empty()) {
        return;
    }
    QString lines;
    for (const std::string& warning : warnings) {
        lines += (lines.isEmpty() ? "" : "\n\n") + QString::fromStdString(WarningSentence(warning));
    }
    QMessageBox notice(QMessageBox::Information, QStringLiteral("Stashwell"),
                       warnings.size() == 1 ? QObject::tr("Stashwell has something to tell you:")
                                            : QObject::tr("Stashwell has %1 things to tell you:").arg(warnings.size()),
                       QMessageBox::Ok);
    notice.setInformativeText(lines);
    notice.exec();
}

}  // namespace popup
