#include "platform/filedialog/filter_text.h"

#include <QStringList>

namespace platform::filedialog {

QString QtNameFilters(std::u16string_view filter)
{
    const QStringList parts = QString::fromUtf16(filter.data(), static_cast<qsizetype>(filter.size())).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype at = 0; at + 1 < parts.size(); at += 2) {
        const QString description = parts[at].trimmed();
        if (description.isEmpty())
            break;
        // Windows patterns are ';'-separated and "*.*" matches every file.
        QStringList patterns = parts[at + 1].trimmed().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern.trimmed() == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')).trimmed() + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace platform::filedialog
