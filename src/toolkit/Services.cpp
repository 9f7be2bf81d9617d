#include "toolkit/Services.h"

#include "common/Error.h"
#include "common/Paths.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QTime>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tk {

namespace {
QString g_pathOverride;
std::function<void(int)> g_endHandler;
std::function<double()> g_clock;
std::function<int(const MsgBoxRequest &)> g_msgBox;
int g_beeps = 0;
int g_pointer = Screen::vbDefault;
unsigned g_errorMode = 0;
int g_instanceSocket = -1;
bool g_instanceTested = false;
bool g_prevInstance = false;
} // namespace

QString App::folderOfExecutable(const QByteArray &executable)
{
    const qsizetype slash = executable.lastIndexOf('/');
    const QByteArray bytes = slash > 0 ? executable.left(slash) : QByteArray("/");
    const QString dir = QFile::decodeName(bytes);
    // A name that is not text in the system's encoding cannot be spelled back: every path
    // built on it would name another file, or none. Better to say so than to look elsewhere.
    if (slash < 0 || QFile::encodeName(dir) != bytes)
        throw orlaneva::Error(orlaneva::ErrorNumber::PathNotFound,
                              QStringLiteral("No se puede usar la carpeta del programa «%1»: su "
                                             "nombre no es texto UTF-8 válido (suele pasar con "
                                             "archivos comprimidos en otro sistema). Cambie el "
                                             "nombre de la carpeta y vuelva a abrir el programa.")
                                  .arg(dir));
    return dir;
}

QString App::Path()
{
    QString dir = g_pathOverride;
    if (dir.isEmpty()) {
        // The kernel's record of the executable, as bytes, symbolic links resolved.
        QByteArray exe(PATH_MAX, '\0');
        const ssize_t size = ::readlink("/proc/self/exe", exe.data(), size_t(exe.size()));
        if (size > 0 && size < exe.size()) {
            exe.truncate(size);
            dir = folderOfExecutable(exe);
        } else {
            dir = QCoreApplication::applicationDirPath();
        }
        while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
            dir.chop(1);
    }
    orlaneva::setProgramFolder(dir);
    return dir;
}

void App::setPathForTesting(const QString &path)
{
    g_pathOverride = path;
    orlaneva::setProgramFolder(path);
}

bool App::PrevInstance()
{
    if (g_instanceTested)
        return g_prevInstance;
    g_instanceTested = true;
    // An abstract-namespace socket: nothing is written to disk, and the kernel frees the
    // name when the process dies, however it dies.
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = "orlaneva-instance-" + QByteArray::number(uint(::getuid()));
    std::memcpy(addr.sun_path + 1, name.constData(), size_t(name.size()));
    const auto len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), len) != 0) {
        g_prevInstance = (errno == EADDRINUSE);
        ::close(fd);
        return g_prevInstance;
    }
    g_instanceSocket = fd;
    return false;
}

void App::End(int exitCode)
{
    if (g_endHandler) {
        g_endHandler(exitCode);
        throw ProgramEnded{exitCode};
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void App::setEndHandler(std::function<void(int)> handler)
{
    g_endHandler = std::move(handler);
}

double Timer()
{
    if (g_clock)
        return g_clock();
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

void setClockForTesting(std::function<double()> clock)
{
    g_clock = std::move(clock);
}

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int MsgBox(const QString &prompt, int buttons, const QString &title)
{
    const QString caption = title.isEmpty() ? QString::fromUtf8(App::Title) : title;
    if (g_msgBox)
        return g_msgBox({prompt, buttons, caption});

    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(prompt);
    switch (buttons & 0x70) {
    case vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (buttons & 0x7) {
    case vbOKCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case vbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // The hourglass must not hide the pointer over a message the user has to answer.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    switch (answer) {
    case QMessageBox::Cancel:
        return vbCancel;
    case QMessageBox::Yes:
        return vbYes;
    case QMessageBox::No:
        return vbNo;
    default:
        return vbOK;
    }
}

void setMsgBoxHandler(std::function<int(const MsgBoxRequest &)> handler)
{
    g_msgBox = std::move(handler);
}

void Beep()
{
    ++g_beeps;
    QApplication::beep();
}

int beepCountForTesting()
{
    return g_beeps;
}

namespace {
double twipsPerPixel(bool horizontal)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen
        ? (horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY())
        : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}
} // namespace

double Screen::TwipsPerPixelX()
{
    return twipsPerPixel(true);
}

double Screen::TwipsPerPixelY()
{
    return twipsPerPixel(false);
}

void Screen::setMousePointer(int shape)
{
    if (shape == g_pointer)
        return;
    if (g_pointer != vbDefault)
        QApplication::restoreOverrideCursor();
    g_pointer = shape;
    if (shape == vbHourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

int Screen::MousePointer()
{
    return g_pointer;
}

void reportUncaughtError(int number, const QString &description)
{
    Screen::setMousePointer(Screen::vbDefault);
    MsgBox(QStringLiteral("Se ha producido el error %1:\n\n%2").arg(number).arg(description),
           vbCritical | vbOKOnly, QString::fromUtf8(App::Title));
    App::End(1);
}

namespace {
void runReportingErrors(const std::function<void()> &handler)
{
    int number = 0;
    QString description;
    try {
        handler();
        return;
    } catch (const orlaneva::Error &e) {
        number = e.number();
        description = e.description();
    } catch (const std::bad_alloc &) {
        number = orlaneva::ErrorNumber::OutOfMemory;
        description = QStringLiteral("Memoria insuficiente.");
    } catch (const std::exception &e) {
        number = orlaneva::ErrorNumber::InvalidProcedureCall;
        description = QString::fromLocal8Bit(e.what());
    }
    reportUncaughtError(number, description);
}
} // namespace

void dispatch(const std::function<void()> &handler)
{
    try {
        runReportingErrors(handler);
    } catch (const App::ProgramEnded &) {
        // Only a test's replacement ending gets here; the real one never returns.
    }
}

void resumeNext(std::initializer_list<std::function<void()>> statements)
{
    for (const auto &statement : statements) {
        try {
            statement();
        } catch (const std::exception &) {
            // A layout step that cannot be honoured now is simply skipped.
        }
    }
}

unsigned SetErrorMode(unsigned mode)
{
    const unsigned previous = g_errorMode;
    g_errorMode = mode;
    if (mode & SEM_NOGPFAULTERRORBOX) {
        // No core file means no crash reporter pops up for this process.
        rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
    }
    return previous;
}

void InitCommonControls()
{
    // The style object is what every control draws with; make sure it exists.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        (void)QApplication::style();
}

} // namespace tk
