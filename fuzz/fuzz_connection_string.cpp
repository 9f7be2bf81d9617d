// Any text as a connection string: the parser must not crash, must give a reason when it
// refuses, and what it reads must read the same once written back with every value quoted.
#include "db/ConnectionString.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

// Quoted with whichever quote the value does not hold; false when it holds both.
bool appendSetting(QString &text, const char *key, const QString &value)
{
    QChar quote = QLatin1Char('"');
    if (value.contains(quote)) {
        quote = QLatin1Char('\'');
        if (value.contains(quote))
            return false;
    }
    text += QLatin1String(key) + QLatin1Char('=') + quote + value + quote + QLatin1Char(';');
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QString error;
    const std::optional<db::ConnectionSettings> settings = db::parseConnectionString(text, &error);
    if (!settings) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }

    QString written;
    if (!appendSetting(written, "Provider", settings->provider)
        || !appendSetting(written, "Data Source", settings->dataSource)
        || !appendSetting(written, "Jet OLEDB:Database Password", settings->password))
        return 0;
    if (settings->persistSecurityInfo)
        written += *settings->persistSecurityInfo ? QLatin1String("Persist Security Info=True")
                                                  : QLatin1String("Persist Security Info=False");
    QString rereadError;
    const std::optional<db::ConnectionSettings> reread
        = db::parseConnectionString(written, &rereadError);
    if (!reread || reread->provider != settings->provider
        || reread->dataSource != settings->dataSource || reread->password != settings->password
        || reread->persistSecurityInfo != settings->persistSecurityInfo)
        std::abort();
    return 0;
}
