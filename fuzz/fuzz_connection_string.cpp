// Any text as a connection string: the parser must not crash, must give a reason when it
// refuses, and what it reads must read the same once written back as the windows write it.
#include "db/ConnectionString.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void appendSetting(QString &text, const char *key, const QString &value)
{
    text += QLatin1String(key) + QLatin1Char('=') + db::connectionStringValue(value)
        + QLatin1Char(';');
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
    appendSetting(written, "Provider", settings->provider);
    appendSetting(written, "Data Source", settings->dataSource);
    appendSetting(written, "Jet OLEDB:Database Password", settings->password);
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
