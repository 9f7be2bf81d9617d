#pragma once

// Numbers of the errors the db layer raises (as orlaneva::Error), chosen as ADO and the Jet
// provider report the same faults, so a message box reads as users of such programs know it.
namespace db::ErrorNumber {

// The provider could not open the file: missing, a folder, unreadable, not a catalogue.
inline constexpr int OpenFailed = -2147467259; // 0x80004005
// The engine rejected a statement (syntax, unknown column, a write on a read-only catalogue).
inline constexpr int StatementRejected = -2147217900; // 0x80040E14
// The file holds no table Ficha.
inline constexpr int TableNotFound = -2147217865; // 0x80040E37
// A password where the catalogue is opened without one.
inline constexpr int InvalidPassword = -2147217843; // 0x80040E4D
// Bad argument: cursor location, option value, connection-string setting.
inline constexpr int InvalidArgument = 3001;
// No row is current (BOF or EOF is true).
inline constexpr int NoCurrentRecord = 3021;
// A field position past the last column.
inline constexpr int ItemNotFound = 3265;
// Open on an open connection.
inline constexpr int AlreadyOpen = 3705;
// The provider named in the connection string is not one this layer stands in for.
inline constexpr int ProviderNotFound = 3706;
// Execute on a connection that is not open.
inline constexpr int NotOpen = 3709;
// A Null read as a number.
inline constexpr int InvalidUseOfNull = 94;
// A text that is no number read as one.
inline constexpr int TypeMismatch = 13;

} // namespace db::ErrorNumber

#include "common/Error.h"

#include <QString>

// The db layer's errors, each with its number and its text, named by what went wrong. Paths
// are shown as given.
namespace db::errors {

orlaneva::Error fileNotFound(const QString &path);
orlaneva::Error noReadPermission(const QString &path);
orlaneva::Error isFolder(const QString &path);
// The reason open(2) or stat(2) gave, in the words of the four above where one fits.
orlaneva::Error cannotOpen(const QString &path, int error);
orlaneva::Error notCatalogue(const QString &path, const QString &why);
orlaneva::Error damaged(const QString &path, const QString &engineMessage);
orlaneva::Error cannotRead(const QString &path, const QString &engineMessage);
orlaneva::Error noTableFicha(const QString &path);
orlaneva::Error outOfMemory(const QString &path);
orlaneva::Error jetUnrecognised(const QString &path);
orlaneva::Error jetDamaged(const QString &path);
orlaneva::Error jetPassword(const QString &path);
orlaneva::Error jetEngine(const QString &path, const QString &engineMessage);

// Connections and result sets; path and source as the message shows them.
orlaneva::Error alreadyOpen(const QString &path);
orlaneva::Error invalidConnectionString(const QString &text, const QString &reason);
orlaneva::Error unsupportedOpenOption(long options, const QString &path);
orlaneva::Error providerNotFound(const QString &provider, const QString &path);
orlaneva::Error noDataSource(const QString &connectionString);
orlaneva::Error passwordGiven(const QString &path);
orlaneva::Error notOpen(const QString &sql);
orlaneva::Error invalidCursorLocation(int location, const QString &path);
orlaneva::Error unsupportedExecuteOption(long options, const QString &path);
orlaneva::Error statementRejected(const QString &sql, const QString &path, const QString &why);
orlaneva::Error noFirstRecord(const QString &source);
orlaneva::Error noNextRecord(const QString &source);
orlaneva::Error noCurrentRecord(const QString &source);
orlaneva::Error noSuchField(const QString &source, int index, int count);
orlaneva::Error invalidUseOfNull();
orlaneva::Error overflow();
orlaneva::Error notANumber(const QString &text);

} // namespace db::errors
