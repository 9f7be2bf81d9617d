#pragma once

#include <QList>
#include <QString>

#include <optional>

// The sample catalogue's cards. Text fields hold no value (Null) where the source table says
// nullptr; pictures are named after the card's Id.
struct SampleCard
{
    qint64 id = 0;
    std::optional<QString> titulo, autor, enlace, nivel, descriptores, editorial;
    std::optional<qint64> anio;
    std::optional<QString> idioma, formato, resumen, imagen;
};

QList<SampleCard> sampleCards();

// A document of the catalogue folder that some card links to ("Documentos\..." paths).
struct LinkedDocument
{
    QString fileName; // inside Documentos
    QString title;
    QStringList paragraphs;
};

QList<LinkedDocument> linkedDocuments();
