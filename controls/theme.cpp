#include "controls/theme.h"

#include <QApplication>
#include <QStyle>

int GetWinVersionKind()
{
    return kWinNtOther;
}

int MenuWinVersion = GetWinVersionKind();

bool IsClassicStyleName(std::string_view styleName)
{
    return QString::fromUtf8(styleName.data(), static_cast<qsizetype>(styleName.size()))
               .compare(QLatin1String("windows"), Qt::CaseInsensitive) == 0;
}

int IsClassicTheme()
{
    static const int classic = IsClassicStyleName(QApplication::style()->name().toStdString()) ? 1 : 0;
    return classic;
}
