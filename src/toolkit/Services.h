#pragma once

#include <QString>

#include <functional>

// Process-wide services of the windowing layer: application folder, single instance,
// ending the program, the time-of-day clock, message boxes, beep, mouse pointer,
// the event pump and the rule for uncaught errors.
namespace tk {

namespace App {
// Folder of the executable, without a trailing separator. A folder whose name cannot be
// spelled as text is an error, never an empty or other folder.
QString Path();
QString folderOfExecutable(const QByteArray &executable);
void setPathForTesting(const QString &path); // empty: back to the executable's folder
// True when another copy runs for this user. The first call claims the instance.
bool PrevInstance();
// Ends the program at once with the given exit status; nothing runs after it.
[[noreturn]] void End(int exitCode = 0);
// Tests replace the ending. The handler must not return: it throws ProgramEnded, which
// unwinds to the event dispatch that was running and stops there silently.
void setEndHandler(std::function<void(int)> handler);
struct ProgramEnded
{
    int exitCode;
};
inline constexpr auto Title = "Orlaneva";
} // namespace App

// Seconds since local midnight, with a fractional part.
double Timer();
void setClockForTesting(std::function<double()> clock);

// Pumps every pending window event.
void DoEvents();

// Message box styles and answers.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

struct MsgBoxRequest
{
    QString prompt;
    int buttons = vbOKOnly;
    QString title;
};
int MsgBox(const QString &prompt, int buttons = vbOKOnly, const QString &title = QString());
// Tests record message boxes instead of blocking on them.
void setMsgBoxHandler(std::function<int(const MsgBoxRequest &)> handler);

void Beep();
int beepCountForTesting();

namespace Screen {
enum MousePointerShape : int { vbDefault = 0, vbHourglass = 11 };
double TwipsPerPixelX();
double TwipsPerPixelY();
void setMousePointer(int shape);
int MousePointer();
} // namespace Screen

// Runs one event handler under the rule for uncaught errors: any error that leaves it is
// shown with its number and description, then the program ends.
void dispatch(const std::function<void()> &handler);
[[noreturn]] void reportUncaughtError(int number, const QString &description);

// Runs each statement in turn and ignores the failure of any of them.
void resumeNext(std::initializer_list<std::function<void()>> statements);

// Stand-ins for the creation step: no crash-report dialog for the process, and the
// control library ready before any window makes its controls.
unsigned SetErrorMode(unsigned mode);
inline constexpr unsigned SEM_NOGPFAULTERRORBOX = 2;
void InitCommonControls();

} // namespace tk
