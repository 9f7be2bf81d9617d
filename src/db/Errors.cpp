#include "db/Errors.h"

#include <cerrno>
#include <cstring>

namespace db::errors {

using orlaneva::Error;

Error fileNotFound(const QString &path)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("No se pudo encontrar el archivo '%1'.").arg(path));
}

Error noReadPermission(const QString &path)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("No se puede abrir el archivo '%1': no tiene permiso para leerlo.")
                     .arg(path));
}

Error isFolder(const QString &path)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("'%1' es una carpeta, no un archivo de base de datos.").arg(path));
}

Error cannotOpen(const QString &path, int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return fileNotFound(path);
    case EACCES:
    case EPERM:
        return noReadPermission(path);
    case EISDIR:
        return isFolder(path);
    case ENOMEM:
        return outOfMemory(path);
    default:
        return Error(ErrorNumber::OpenFailed,
                     QStringLiteral("No se puede abrir el archivo '%1': %2.")
                         .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
}

Error notCatalogue(const QString &path, const QString &why)
{
    return Error(
        ErrorNumber::OpenFailed,
        QStringLiteral(
            "Formato de base de datos no reconocido: '%1' no es un catálogo de fichas (%2).")
            .arg(path, why));
}

Error damaged(const QString &path, const QString &engineMessage)
{
    return notCatalogue(path, QStringLiteral("el archivo está dañado: %1").arg(engineMessage));
}

Error cannotRead(const QString &path, const QString &engineMessage)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("No se puede leer el catálogo '%1': %2.").arg(path, engineMessage));
}

Error noTableFicha(const QString &path)
{
    return Error(ErrorNumber::TableNotFound,
                 QStringLiteral("El catálogo '%1' no contiene la tabla 'Ficha'.").arg(path));
}

Error outOfMemory(const QString &path)
{
    return Error(
        orlaneva::ErrorNumber::OutOfMemory,
        QStringLiteral("No hay memoria suficiente para abrir el catálogo '%1'.").arg(path));
}

Error jetUnrecognised(const QString &path)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("Formato de base de datos no reconocido: '%1'.").arg(path));
}

Error jetDamaged(const QString &path)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("No se puede leer la base de datos '%1': el archivo está dañado o "
                                "incompleto.")
                     .arg(path));
}

Error jetPassword(const QString &path)
{
    return Error(ErrorNumber::InvalidPassword,
                 QStringLiteral("La contraseña no es válida. La base de datos '%1' está protegida "
                                "con contraseña.")
                     .arg(path));
}

Error jetEngine(const QString &path, const QString &engineMessage)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("No se puede preparar en memoria la base de datos '%1': %2.")
                     .arg(path, engineMessage));
}

Error alreadyOpen(const QString &path)
{
    return Error(ErrorNumber::AlreadyOpen,
                 QStringLiteral("La operación no se permite si el objeto está abierto: la "
                                "conexión con '%1' ya está abierta.")
                     .arg(path));
}

Error invalidConnectionString(const QString &text, const QString &reason)
{
    return Error(ErrorNumber::InvalidArgument,
                 QStringLiteral("La cadena de conexión «%1» no es válida: %2.").arg(text, reason));
}

Error unsupportedOpenOption(long options, const QString &path)
{
    return Error(
        ErrorNumber::InvalidArgument,
        QStringLiteral("Opción de apertura %1 no admitida al abrir '%2'.").arg(options).arg(path));
}

Error providerNotFound(const QString &provider, const QString &path)
{
    return Error(ErrorNumber::ProviderNotFound,
                 QStringLiteral("No se puede encontrar el proveedor «%1» para abrir '%2'. Es "
                                "posible que no esté instalado correctamente.")
                     .arg(provider, path));
}

Error noDataSource(const QString &connectionString)
{
    return Error(ErrorNumber::OpenFailed,
                 QStringLiteral("La cadena de conexión «%1» no nombra ningún archivo "
                                "(Data Source).")
                     .arg(connectionString));
}

Error passwordGiven(const QString &path)
{
    return Error(ErrorNumber::InvalidPassword,
                 QStringLiteral("No es una contraseña válida: el catálogo '%1' se abre sin "
                                "contraseña.")
                     .arg(path));
}

Error notOpen(const QString &sql)
{
    return Error(ErrorNumber::NotOpen,
                 QStringLiteral("La conexión no se puede usar para realizar esta operación: "
                                "está cerrada. Ábrala antes de ejecutar «%1».")
                     .arg(sql));
}

Error invalidCursorLocation(int location, const QString &path)
{
    return Error(ErrorNumber::InvalidArgument,
                 QStringLiteral("Ubicación del cursor %1 no válida en la conexión con '%2'.")
                     .arg(location)
                     .arg(path));
}

Error unsupportedExecuteOption(long options, const QString &path)
{
    return Error(ErrorNumber::InvalidArgument,
                 QStringLiteral("Opción de ejecución %1 no admitida en la conexión con '%2'.")
                     .arg(options)
                     .arg(path));
}

Error statementRejected(const QString &sql, const QString &path, const QString &why)
{
    return Error(ErrorNumber::StatementRejected,
                 QStringLiteral("El motor de base de datos rechazó la instrucción SQL «%1» "
                                "sobre el catálogo '%2': %3.")
                     .arg(sql, path, why));
}

Error noFirstRecord(const QString &source)
{
    return Error(ErrorNumber::NoCurrentRecord,
                 QStringLiteral("BOF o EOF es True: el resultado de la consulta sobre '%1' "
                                "está vacío y no tiene un primer registro.")
                     .arg(source));
}

Error noNextRecord(const QString &source)
{
    return Error(ErrorNumber::NoCurrentRecord,
                 QStringLiteral("EOF es True: no hay un registro siguiente en el resultado "
                                "de la consulta sobre '%1'.")
                     .arg(source));
}

Error noCurrentRecord(const QString &source)
{
    return Error(ErrorNumber::NoCurrentRecord,
                 QStringLiteral("BOF o EOF es True: la operación requiere un registro actual "
                                "y el resultado de la consulta sobre '%1' no lo tiene.")
                     .arg(source));
}

Error noSuchField(const QString &source, int index, int count)
{
    return Error(ErrorNumber::ItemNotFound,
                 QStringLiteral("No se encontró el elemento en la colección: el resultado de "
                                "la consulta sobre '%1' no tiene campo %2 (tiene %3, del 0 "
                                "al %4).")
                     .arg(source)
                     .arg(index)
                     .arg(count)
                     .arg(count - 1));
}

Error invalidUseOfNull()
{
    return Error(ErrorNumber::InvalidUseOfNull, QStringLiteral("Uso no válido de Null."));
}

Error overflow()
{
    return Error(orlaneva::ErrorNumber::Overflow, QStringLiteral("Desbordamiento."));
}

Error notANumber(const QString &text)
{
    return Error(ErrorNumber::TypeMismatch,
                 QStringLiteral("No coinciden los tipos: «%1» no es un número.").arg(text));
}

} // namespace db::errors
