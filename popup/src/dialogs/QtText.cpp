#include "dialogs/QtText.h"

#include "common/TextConversion.h"

namespace popup {

QString QStringFromCF(CFStringRef string)
{
    if (string == nullptr)
        return {};
    return QString::fromStdString(cmhost::UTF8FromString(string));
}

platform::CFOwner<CFStringRef> CFStringFromQString(const QString& text)
{
    return cmhost::CreateStringFromUTF8(text.toStdString());
}

QString WithoutMnemonics(const QString& label)
{
    QString escaped = label;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace popup
