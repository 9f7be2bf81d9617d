#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>

// A small catalogue written in code: a SQLite file with table Ficha in the shipped catalogue's
// column order. Cells are QVariants; a null QVariant is stored as Null.
namespace fixture {

// Id, TITULO, AUTOR, ENLACE, NIVEL_EDUCATIVO, DESCRIPTORES, EDITORIAL, ANIO, IDIOMA, FORMATO,
// RESUMEN, IMAGEN
QStringList cardColumns();

struct Card
{
    qint64 id;
    QVariant titulo;
    QVariant nivel;
    QVariant descriptores;
    QVariant enlace = QStringLiteral("https://example.org/");
    QVariant imagen = QStringLiteral("ficha.png");
};

// Writes the file (replacing any) with table Ficha holding the cards; the title column is
// declared without a collation, as a catalogue made elsewhere would be.
void writeCatalogue(const QString &path, const QList<Card> &cards);

// Runs statements on a fresh file: for catalogues of other shapes. The writer knows a
// collation and a one-argument function by each of the foreign names, which a reader lacks.
void writeDatabase(const QString &path, const QStringList &statements,
                   const QStringList &foreignNames = {});

// A catalogue as a writer still at work leaves it on disk, copied with the files beside it:
// in WAL mode, every commit still in the -wal (with its -shm); or in rollback mode, in the
// middle of a transaction that already spilled pages into the file (with its hot -journal).
// Ficha (the usual columns) holds the committed titles, Ids from 1, committed one by one; the
// pending ones are that unfinished transaction's rows, which no reader may see.
enum class Writer { Wal, HotJournal };
void writeInterrupted(const QString &path, Writer writer, const QStringList &committed,
                      const QStringList &pending);

} // namespace fixture
