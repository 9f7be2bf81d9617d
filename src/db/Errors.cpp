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

} // namespace db::errors
