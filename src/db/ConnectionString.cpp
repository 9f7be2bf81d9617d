#include "db/ConnectionString.h"

#include <QStringList>

namespace db {

namespace {

QString normalisedKey(const QString &key)
{
    return key.simplified().toLower();
}

} // namespace

QString connectionStringValue(const QString &value)
{
    const QChar doubleQuote = QLatin1Char('"');
    const QChar singleQuote = QLatin1Char('\'');
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(doubleQuote)
        && !value.contains(singleQuote)
        && (value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace()));
    if (plain)
        return value;
    if (value.contains(doubleQuote) && !value.contains(singleQuote))
        return singleQuote + value + singleQuote;
    QString doubled = value;
    doubled.replace(doubleQuote, QStringLiteral("\"\""));
    return doubleQuote + doubled + doubleQuote;
}

std::optional<ConnectionSettings> parseConnectionString(const QString &text, QString *error)
{
    ConnectionSettings settings;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), i);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), i);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // A piece without "=": only blanks may stand there (as between ";;").
            const qsizetype end = semicolon < 0 ? n : semicolon;
            if (!text.sliced(i, end - i).trimmed().isEmpty()) {
                *error = QStringLiteral("falta el signo igual en «%1»")
                             .arg(text.sliced(i, end - i).trimmed());
                return std::nullopt;
            }
            i = end + 1;
            continue;
        }
        const QString key = normalisedKey(text.sliced(i, equals - i));
        qsizetype j = equals + 1;
        while (j < n && text.at(j).isSpace())
            ++j;
        QString value;
        if (j < n && (text.at(j) == QLatin1Char('"') || text.at(j) == QLatin1Char('\''))) {
            // Inside the quotes, the quote itself is written twice.
            const QChar quote = text.at(j);
            qsizetype k = j + 1;
            for (;;) {
                const qsizetype close = text.indexOf(quote, k);
                if (close < 0) {
                    *error
                        = QStringLiteral("falta la comilla de cierre del valor de «%1»").arg(key);
                    return std::nullopt;
                }
                value += text.sliced(k, close - k);
                if (close + 1 < n && text.at(close + 1) == quote) {
                    value += quote;
                    k = close + 2;
                    continue;
                }
                j = close + 1;
                break;
            }
            while (j < n && text.at(j).isSpace())
                ++j;
            if (j < n && text.at(j) != QLatin1Char(';')) {
                *error = QStringLiteral("texto tras la comilla de cierre de «%1»").arg(key);
                return std::nullopt;
            }
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), j);
            value = text.sliced(j, (end < 0 ? n : end) - j).trimmed();
            j = end < 0 ? n : end;
        }
        i = j + 1;

        if (key == QLatin1String("provider")) {
            settings.provider = value;
        } else if (key == QLatin1String("data source")) {
            settings.dataSource = value;
        } else if (key == QLatin1String("persist security info")) {
            const QString v = value.toLower();
            if (v == QLatin1String("true") || v == QLatin1String("yes"))
                settings.persistSecurityInfo = true;
            else if (v == QLatin1String("false") || v == QLatin1String("no"))
                settings.persistSecurityInfo = false;
            else {
                *error = QStringLiteral("«Persist Security Info» debe ser True o False, no «%1»")
                             .arg(value);
                return std::nullopt;
            }
        } else if (key == QLatin1String("jet oledb:database password")
                   || key == QLatin1String("password") || key == QLatin1String("pwd")) {
            settings.password = value;
        }
        // Other settings (user, mode, locking) change nothing for a read-only snapshot.
    }
    return settings;
}

} // namespace db
