#pragma once

#include "CardData.h"

#include <QString>

#include <functional>

// Writes fichas.mdb: a SQLite file (rollback journal, never WAL, so a reader that only reads
// needs no side files) with table Ficha in the column order the program relies on.
class CatalogueWriter
{
public:
    // Creates the file afresh at path + ".tmp"; commit() moves it into place.
    explicit CatalogueWriter(const QString &path);
    ~CatalogueWriter();
    CatalogueWriter(const CatalogueWriter &) = delete;
    CatalogueWriter &operator=(const CatalogueWriter &) = delete;

    void add(const SampleCard &card);
    void commit();

private:
    struct Private;
    Private *d;
};
