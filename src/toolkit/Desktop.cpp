#include "toolkit/Desktop.h"

#include "common/Paths.h"
#include "toolkit/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace tk {

namespace {

std::function<int(const ShellExecuteRequest &)> g_shellExecute;

DesktopTarget refused(int result, const QString &reason)
{
    return {QString(), reason, result};
}

QString quoted(const QString &text)
{
    return QStringLiteral("«") + text + QStringLiteral("»");
}

// Kinds of file that xdg-open hands to an interpreter or runs itself.
bool hasRunnableSuffix(const QFileInfo &info)
{
    static const QStringList suffixes{
        QStringLiteral("desktop"), QStringLiteral("sh"),       QStringLiteral("bash"),
        QStringLiteral("zsh"),     QStringLiteral("csh"),      QStringLiteral("ksh"),
        QStringLiteral("fish"),    QStringLiteral("py"),       QStringLiteral("pyw"),
        QStringLiteral("pl"),      QStringLiteral("rb"),       QStringLiteral("php"),
        QStringLiteral("lua"),     QStringLiteral("tcl"),      QStringLiteral("js"),
        QStringLiteral("jse"),     QStringLiteral("vbs"),      QStringLiteral("vbe"),
        QStringLiteral("wsf"),     QStringLiteral("ps1"),      QStringLiteral("bat"),
        QStringLiteral("cmd"),     QStringLiteral("com"),      QStringLiteral("exe"),
        QStringLiteral("msi"),     QStringLiteral("scr"),      QStringLiteral("pif"),
        QStringLiteral("jar"),     QStringLiteral("appimage"), QStringLiteral("run"),
        QStringLiteral("bin"),     QStringLiteral("so"),       QStringLiteral("elf"),
    };
    return suffixes.contains(info.suffix(), Qt::CaseInsensitive);
}

bool hasRunnableContent(const QByteArray &head)
{
    if (head.startsWith("\x7f"
                        "ELF")
        || head.startsWith("#!") || head.startsWith("MZ"))
        return true;
    // A launcher is told by its group header, whatever the file is called.
    static const QRegularExpression launcher(QStringLiteral("(^|\\n)\\s*\\[Desktop Entry\\]"));
    return launcher.match(QString::fromLatin1(head)).hasMatch();
}

bool hasRunnableMimeType(const QFileInfo &info)
{
    static const QStringList runnable{
        QStringLiteral("application/x-executable"),
        QStringLiteral("application/x-pie-executable"),
        QStringLiteral("application/x-sharedlib"),
        QStringLiteral("application/x-shellscript"),
        QStringLiteral("application/x-desktop"),
        QStringLiteral("application/x-ms-dos-executable"),
        QStringLiteral("application/x-msdownload"),
        QStringLiteral("application/x-msi"),
        QStringLiteral("application/x-java-archive"),
        QStringLiteral("application/vnd.appimage"),
        QStringLiteral("text/x-python"),
        QStringLiteral("text/x-python3"),
        QStringLiteral("application/x-perl"),
        QStringLiteral("application/x-ruby"),
        QStringLiteral("application/x-php"),
        QStringLiteral("application/javascript"),
    };
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    for (const QString &name : runnable)
        if (type.inherits(name))
            return true;
    return false;
}

DesktopTarget documentTarget(const QString &path, const QString &link)
{
    QString file = path;
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(file))
        file = QDir(orlaneva::nativePath(App::Path())).absoluteFilePath(file);
    const QFileInfo info(QDir::cleanPath(file));
    if (!info.exists()) {
        // The shell takes a bare "www." address for a web one, if no such file exists.
        if (link.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
            return {QStringLiteral("http://") + link, QString(), SE_OK};
        return refused(SE_ERR_FNF,
                       QStringLiteral("No se encuentra el documento %1.").arg(quoted(link)));
    }
    // Judge and hand over what a symbolic link points to, not the link.
    const QFileInfo real(info.canonicalFilePath());
    if (real.isDir())
        return {real.absoluteFilePath(), QString(), SE_OK};
    if (!real.isFile())
        return refused(
            SE_ERR_ACCESSDENIED,
            QStringLiteral("%1 no es un documento que se pueda abrir.").arg(quoted(link)));
    const QString because = QStringLiteral(
        "No se abre %1 porque %2: el escritorio lo ejecutaría en lugar de abrirlo.");
    constexpr auto anyExecute
        = QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
    if (real.permissions() & anyExecute)
        return refused(SE_ERR_ACCESSDENIED,
                       because.arg(quoted(link), QStringLiteral("tiene permiso de ejecución")));
    QFile content(real.absoluteFilePath());
    if (!content.open(QIODevice::ReadOnly))
        return refused(SE_ERR_ACCESSDENIED,
                       QStringLiteral("No se puede leer el documento %1.").arg(quoted(link)));
    if (hasRunnableSuffix(real) || hasRunnableContent(content.read(4096))
        || hasRunnableMimeType(real))
        return refused(
            SE_ERR_ACCESSDENIED,
            because.arg(quoted(link), QStringLiteral("es un programa, un guion o un lanzador")));
    return {real.absoluteFilePath(), QString(), SE_OK};
}

} // namespace

DesktopTarget desktopTarget(const QString &file)
{
    const QString link = file.trimmed();
    if (link.isEmpty())
        return refused(SE_ERR_FNF, QStringLiteral("El enlace está vacío."));

    static const QRegularExpression schemePattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):"));
    const QRegularExpressionMatch match = schemePattern.match(link);
    if (!match.hasMatch())
        return documentTarget(link, link);

    const QString scheme = match.captured(1).toLower();
    if (scheme.size() == 1)
        return refused(SE_ERR_FNF,
                       QStringLiteral("El enlace %1 apunta a la unidad %2: de Windows, que no "
                                      "existe en este equipo.")
                           .arg(quoted(link), match.captured(1).toUpper()));
    const QUrl url(link);
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || scheme == QLatin1String("mailto")) {
        const bool complete = url.isValid()
            && (scheme == QLatin1String("mailto") ? !url.path().isEmpty() : !url.host().isEmpty());
        if (!complete)
            return refused(SE_ERR_FNF,
                           QStringLiteral("La dirección %1 no es válida.").arg(quoted(link)));
        return {link, QString(), SE_OK};
    }
    // Only files of this machine: another host's would be fetched from the network.
    const bool thisMachine = url.host().isEmpty()
        || url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
    if (scheme == QLatin1String("file") && url.isValid() && url.isLocalFile() && thisMachine)
        return documentTarget(url.path(QUrl::FullyDecoded), link);
    return refused(SE_ERR_NOASSOC,
                   QStringLiteral("No se abre el enlace %1: por seguridad solo se abren "
                                  "direcciones web (http, https, mailto) y documentos.")
                       .arg(quoted(link)));
}

int ShellExecute(WId owner, const QString &operation, const QString &file,
                 const QString &parameters, const QString &directory, int showCommand)
{
    if (g_shellExecute)
        return g_shellExecute({owner, operation, file, parameters, directory, showCommand});

    if (!operation.isEmpty() && operation.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return SE_ERR_NOASSOC;
    const DesktopTarget target = desktopTarget(file);
    if (!target.refusal.isEmpty()) {
        MsgBox(target.refusal, vbExclamation);
        return target.result;
    }
    // An argument list, so that no shell ever parses the link.
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {target.target})) {
        MsgBox(QStringLiteral("No se ha podido abrir %1: el escritorio no ofrece ninguna "
                              "aplicación para abrirlo (falta xdg-open).")
                   .arg(quoted(file.trimmed())),
               vbExclamation);
        return SE_ERR_NOASSOC;
    }
    return SE_OK;
}

void setShellExecuteHandler(std::function<int(const ShellExecuteRequest &)> handler)
{
    g_shellExecute = std::move(handler);
}

} // namespace tk
