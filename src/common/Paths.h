#pragma once

#include <QDir>
#include <QString>

namespace orlaneva {

// The program folder as the toolkit last reported it. Its own name is the user's and is taken
// as it is, backslashes included; only the names composed below it are Windows-style.
inline QString &programFolderSlot()
{
    static QString folder;
    return folder;
}

inline void setProgramFolder(const QString &folder)
{
    programFolderSlot() = folder;
}

// Catalogues are written on Windows: paths are composed with backslashes and mapped to
// the native separator only where they reach the file system. A path that starts with the
// program folder keeps that part unchanged.
inline QString nativePath(const QString &path)
{
    const QString &folder = programFolderSlot();
    qsizetype kept = 0;
    if (!folder.isEmpty() && path.startsWith(folder)
        && (path.size() == folder.size() || path.at(folder.size()) == QLatin1Char('\\')
            || path.at(folder.size()) == QLatin1Char('/')))
        kept = folder.size();
    QString p = path;
    for (qsizetype i = kept; i < p.size(); ++i)
        if (p.at(i) == QLatin1Char('\\'))
            p[i] = QLatin1Char('/');
    return QDir::toNativeSeparators(p);
}

} // namespace orlaneva
