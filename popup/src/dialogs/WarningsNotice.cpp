#include "dialogs/WarningsNotice.h"

#include <QMessageBox>
#include <QString>

namespace popup {

void ShowWarningsNotice(const std::vector<std::string>& warnings)
{
    if (warnings.empty()) {
        return;
    }
    QString lines;
    for (const std::string& warning : warnings) {
        // A line of standard error starts low; a sentence of a window starts with a capital.
        QString line = QString::fromStdString(warning);
        if (!line.isEmpty()) {
            line[0] = line[0].toUpper();
        }
        lines += (lines.isEmpty() ? "" : "\n\n") + line;
    }
    QMessageBox notice(QMessageBox::Information, QStringLiteral("Stashwell"),
                       warnings.size() == 1 ? QObject::tr("Stashwell has something to tell you:")
                                            : QObject::tr("Stashwell has %1 things to tell you:").arg(warnings.size()),
                       QMessageBox::Ok);
    notice.setInformativeText(lines);
    notice.exec();
}

}  // namespace popup
