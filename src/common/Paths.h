#pragma once

#include <QDir>
#include <QString>

namespace orlaneva {

// Catalogues are written on Windows: paths are composed with backslashes and mapped to
// the native separator only where they reach the file system.
inline QString nativePath(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(p);
}

} // namespace orlaneva
