#include "menu/ActionText.h"

namespace popup {

QString ActionText(const std::string& utf8Label)
{
    QString text = QString::fromStdString(utf8Label);
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

}  // namespace popup
