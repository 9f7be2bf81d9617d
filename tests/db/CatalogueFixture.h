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

// Runs statements on a fresh file: for catalogues of other shapes.
void writeDatabase(const QString &path, const QStringList &statements);

} // namespace fixture
