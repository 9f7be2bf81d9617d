#include "toolkit/Desktop.h"

#include "common/Paths.h"
#include "toolkit/CatalogueFolder.h"
#include "toolkit/PlainFile.h"
#include "toolkit/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

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

// The kernel takes at most this many bytes for one argument of a program, its NUL included.
constexpr qsizetype kMaxArgumentBytes = 131072;

bool fitsOneArgument(const QString &text)
{
    return QFile::encodeName(text).size() < kMaxArgumentBytes;
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

// The start of a link for a message: the rest of a long one says nothing more, and a control
// character must not lay out the box.
QString shownLink(const QString &link)
{
    constexpr qsizetype kShown = 100;
    QString shown = link.left(kShown);
    for (QChar &c : shown)
        if (isControl(c))
            c = QChar(QChar::ReplacementCharacter);
    if (link.size() > kShown)
        shown += QStringLiteral("…");
    return quoted(shown);
}

DesktopTarget tooLong(const QString &link, const QString &handedOver)
{
    return refused(SE_ERR_FNF,
                   QStringLiteral("No se abre el enlace %1: mide %2 bytes y el sistema no admite "
                                  "más de %3 en lo que se entrega a un programa.")
                       .arg(shownLink(link))
                       .arg(QFile::encodeName(handedOver).size())
                       .arg(kMaxArgumentBytes - 1));
}

// A mail link goes to the mail program with the fields a person writes; others
// (attach=, attachment=...) make some programs read local files into the message.
QString mailLink(const QString &link)
{
    const qsizetype question = link.indexOf(QLatin1Char('?'));
    if (question < 0)
        return link;
    static const QStringList kept{QStringLiteral("to"), QStringLiteral("cc"), QStringLiteral("bcc"),
                                  QStringLiteral("subject"), QStringLiteral("body")};
    QStringList fields;
    const QStringList pieces = link.sliced(question + 1).split(QLatin1Char('&'));
    for (const QString &piece : pieces) {
        const QString name
            = QUrl::fromPercentEncoding(piece.section(QLatin1Char('='), 0, 0).toUtf8());
        if (kept.contains(name.trimmed(), Qt::CaseInsensitive))
            fields << piece;
    }
    QString result = link.left(question);
    if (!fields.isEmpty())
        result += QLatin1Char('?') + fields.join(QLatin1Char('&'));
    return result;
}

DesktopTarget documentTarget(const QString &path, const QString &link)
{
    QString file = orlaneva::nativePath(path);
    if (QDir::isRelativePath(file))
        file = QDir(orlaneva::nativePath(App::cataloguePath())).absoluteFilePath(file);
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
    if (fileKind(real.absoluteFilePath()) != FileKind::Plain)
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
    QFile content;
    if (openPlainFile(real.absoluteFilePath(), content) != FileKind::Plain)
        return refused(
            SE_ERR_ACCESSDENIED,
            QStringLiteral("%1 no es un documento que se pueda abrir.").arg(quoted(link)));
    if (!content.isOpen())
        return refused(SE_ERR_ACCESSDENIED,
                       QStringLiteral("No se puede leer el documento %1.").arg(quoted(link)));
    if (hasRunnableSuffix(real) || hasRunnableContent(content.read(4096))
        || hasRunnableMimeType(real))
        return refused(
            SE_ERR_ACCESSDENIED,
            because.arg(quoted(link), QStringLiteral("es un programa, un guion o un lanzador")));
    return {real.absoluteFilePath(), QString(), SE_OK};
}

DesktopTarget resolvedTarget(const QString &link);

} // namespace

DesktopTarget desktopTarget(const QString &file)
{
    const QString link = file.trimmed();
    if (link.isEmpty())
        return refused(SE_ERR_FNF, QStringLiteral("El enlace está vacío."));
    // Refused before any look at the disk or the network: the desktop could not take them.
    if (!fitsOneArgument(link))
        return tooLong(link, link);
    if (std::any_of(link.begin(), link.end(), isControl))
        return refused(SE_ERR_FNF,
                       QStringLiteral("No se abre el enlace %1: contiene caracteres de control "
                                      "(saltos de línea, tabuladores u otros invisibles), que "
                                      "ninguna dirección ni nombre de documento lleva.")
                           .arg(shownLink(link)));
    DesktopTarget target = resolvedTarget(link);
    if (target.refusal.isEmpty() && !fitsOneArgument(target.target))
        return tooLong(link, target.target);
    return target;
}

namespace {

DesktopTarget resolvedTarget(const QString &link)
{

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
        if (scheme == QLatin1String("mailto"))
            return {mailLink(link), QString(), SE_OK};
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

} // namespace

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
