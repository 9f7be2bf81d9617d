#pragma once

#include <QString>

#include <optional>

namespace db {

// The settings of an OLE DB connection string that the db layer honours.
struct ConnectionSettings
{
    QString provider;
    QString dataSource;
    std::optional<bool> persistSecurityInfo;
    QString password; // "Jet OLEDB:Database Password" (or "Password", "Pwd")
};

// Splits "key=value;key=value" as OLE DB does: keys without regard to case or extra blanks,
// values trimmed, a value may be quoted with " or ' (the quote doubled inside) to hold a ';'.
// Returns the reason in *error (Spanish) and nullopt for a string it cannot read. A value written
// so that the parser reads it back unchanged: as it is when it can stand bare, else quoted as OLE
// DB quotes values. A folder's name may hold ';', quotes or edge blanks.
QString connectionStringValue(const QString &value);

std::optional<ConnectionSettings> parseConnectionString(const QString &text, QString *error);

} // namespace db
