#include "toolkit/CatalogueFolder.h"

#include "toolkit/Services.h"

#include <QDir>
#include <QFileInfo>

namespace tk::App {

namespace {
std::optional<QStringList> g_dataFolders;

// The base directory rules ignore what is not an absolute path.
QString absoluteOrEmpty(const QString &path)
{
    return QDir::isAbsolutePath(path) ? QDir::cleanPath(path) : QString();
}

// A fichas.mdb of any kind (a folder, an unreadable file, a dangling link) stops the search:
// its own error says more than a catalogue found somewhere else.
bool holdsCatalogue(const QString &folder)
{
    const QFileInfo mdb(folder + QStringLiteral("/fichas.mdb"));
    return mdb.exists() || mdb.isSymLink();
}
} // namespace

QStringList dataFolders()
{
    if (g_dataFolders)
        return *g_dataFolders;
    QString home = absoluteOrEmpty(qEnvironmentVariable("XDG_DATA_HOME"));
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QStringList bases{home};
    QStringList system;
    for (const QString &dir : qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':')))
        if (const QString base = absoluteOrEmpty(dir); !base.isEmpty())
            system << base;
    if (system.isEmpty())
        system = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    bases << system;
    QStringList folders;
    for (const QString &base : bases)
        folders << QDir::cleanPath(base + QStringLiteral("/orlaneva"));
    folders.removeDuplicates();
    return folders;
}

void setDataFoldersForTesting(std::optional<QStringList> folders)
{
    g_dataFolders = std::move(folders);
}

CatalogueFolder findCatalogue()
{
    CatalogueFolder result;
    result.path = Path();
    result.searched << result.path << dataFolders();
    for (const QString &folder : std::as_const(result.searched)) {
        if (holdsCatalogue(folder)) {
            result.path = folder;
            result.found = true;
            break;
        }
    }
    return result;
}

QString cataloguePath()
{
    return findCatalogue().path;
}

QString catalogueNotFoundNote(const CatalogueFolder &folder)
{
    QString note = QStringLiteral("\n\nSe ha buscado fichas.mdb en estas carpetas:");
    for (const QString &searched : folder.searched)
        note += QStringLiteral("\n") + QDir::toNativeSeparators(searched);
    const QStringList data = folder.searched.mid(1);
    if (!data.isEmpty())
        note += QStringLiteral("\n\nPara usar un catálogo propio, copie fichas.mdb y las carpetas "
                               "Fichas y Documentos en %1.")
                    .arg(QDir::toNativeSeparators(data.front()));
    return note;
}

} // namespace tk::App
