#pragma once

#include <QString>

class QFile;

// Names the catalogue or the program folder give may stand for a FIFO, a device or a socket:
// opening one for reading can wait for ever, or act on hardware. They are told apart from
// plain files before anything is opened.
namespace tk {

enum class FileKind {
    Missing, // nothing by that name, or a link that leads nowhere
    Plain,
    Folder,
    Special, // FIFO, character or block device, socket
};

// What the name stands for, symbolic links followed (they are the owner's choice).
FileKind fileKind(const QString &path);

// Opens a plain file for reading. Never waits: the descriptor is opened non-blocking and
// checked again, so a FIFO put in the file's place after the look is still refused.
// Returns the kind found. Plain with the file left closed: the open itself failed (errno says
// why, EACCES for instance).
FileKind openPlainFile(const QString &path, QFile &file);

} // namespace tk
