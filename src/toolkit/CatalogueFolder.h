#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where the catalogue (fichas.mdb with its folders Fichas and Documentos) is read from.
// The executable's folder comes first; an installed program also finds a catalogue in the
// user's and the system's data folders, where it can be copied without being root.
namespace tk::App {

struct CatalogueFolder
{
    // The folder holding fichas.mdb, or App::Path() when none does.
    QString path;
    bool found = false;
    // Every folder looked in, in order.
    QStringList searched;
};

// $XDG_DATA_HOME/orlaneva, then each of $XDG_DATA_DIRS/orlaneva, with the defaults of the
// XDG base directory rules (~/.local/share, /usr/local/share:/usr/share).
QStringList dataFolders();
// Tests pin the data folders so that a catalogue installed on the machine never answers for
// a missing one; nullopt goes back to the environment.
void setDataFoldersForTesting(std::optional<QStringList> folders);

// App::Path() when it holds fichas.mdb, else the first data folder that does.
CatalogueFolder findCatalogue();
QString cataloguePath();

// Appended to the message for a catalogue found nowhere: the folders looked in and where a
// user puts a catalogue of their own.
QString catalogueNotFoundNote(const CatalogueFolder &folder);

} // namespace tk::App
