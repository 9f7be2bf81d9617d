#include "toolkit/StartupGuard.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tk {

namespace {

struct HeldMessage
{
    QtMsgType type;
    QString category;
    QString text;
};

QtMessageHandler g_previous = nullptr;
QList<HeldMessage> g_held;

void holdOrEnd(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        // The only fatal message before the first window is the platform's: nothing to show
        // windows on. What it said before, in English, is the same story.
        std::fputs(NoDisplayMessage, stderr);
        std::fflush(stderr);
        ::_exit(1);
    }
    g_held.append({type, QString::fromUtf8(context.category ? context.category : ""), text});
}

// The session's runtime folder as the toolkit accepts it: ours, and ours alone.
bool runtimeFolderUsable()
{
    const QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    struct stat info;
    return !folder.isEmpty() && ::stat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::geteuid() && (info.st_mode & 07777) == 0700;
}

// Where nothing can be made, not even by root.
constexpr auto kNowhere = "/proc/orlaneva-sin-carpeta-temporal";

} // namespace

StartupGuard::StartupGuard()
{
    // While the application object is made, the toolkit looks up a file in the runtime folder;
    // without a usable one it makes its own, runtime-<user> under the temporary folder. The
    // program needs none and writes nothing: for that moment the temporary folder is one where
    // nothing can be made.
    if (!runtimeFolderUsable()) {
        m_temporaryFolder = qEnvironmentVariableIsSet("TMPDIR")
            ? std::optional<QByteArray>(qgetenv("TMPDIR"))
            : std::nullopt;
        m_movedTemporaryFolder = true;
        qputenv("TMPDIR", kNowhere);
    }
    g_previous = qInstallMessageHandler(holdOrEnd);
}

StartupGuard::~StartupGuard()
{
    started();
}

void StartupGuard::started()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_movedTemporaryFolder) {
        if (m_temporaryFolder)
            qputenv("TMPDIR", *m_temporaryFolder);
        else
            qunsetenv("TMPDIR");
    }
    qInstallMessageHandler(g_previous);
    const QList<HeldMessage> held = std::exchange(g_held, {});
    for (const HeldMessage &message : held) {
        // The toolkit's complaints about the runtime folder it could not make.
        if (m_movedTemporaryFolder && message.text.startsWith(QLatin1String("QStandardPaths:")))
            continue;
        const QByteArray category = message.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr,
                                         category.isEmpty() ? nullptr : category.constData());
        if (g_previous)
            g_previous(message.type, context, message.text);
        else
            qt_message_output(message.type, context, message.text);
    }
}

} // namespace tk
