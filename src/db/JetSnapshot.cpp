#include "db/JetSnapshot.h"

#include "common/Error.h"

namespace db::jet {

std::shared_ptr<sqlite3> openSnapshot(const QString &nativePath)
{
    throw orlaneva::Error(-2147467259,
                          QStringLiteral("No se pueden leer todavía catálogos de Access: '%1'.")
                                  .arg(nativePath));
}

} // namespace db::jet
