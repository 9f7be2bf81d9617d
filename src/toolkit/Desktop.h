#pragma once

#include <QString>
#include <QWidget>

#include <functional>

// The desktop's open service: hands a document or an address to the application the desktop
// associates with it, as ShellExecute does on Windows.
namespace tk {

// Results as ShellExecute numbers them: above 32 means the target was handed over.
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int SE_OK = 42;

inline constexpr int SW_SHOWNORMAL = 1;

struct ShellExecuteRequest
{
    WId owner = 0;
    QString operation;
    QString file;
    QString parameters;
    QString directory;
    int showCommand = SW_SHOWNORMAL;
};

// Opens file with the desktop's default application and returns at once. Web addresses
// (http, https, mailto) go as they are; a document path may be relative to the catalogue's
// folder and may use backslashes. What the desktop would run rather than open (programs,
// scripts, launchers), what is not a plain file (FIFO, device, socket), any other kind of
// address, and what no program could be handed (longer than one argument holds, control
// characters) are refused, and a message box says why. A mail link keeps only to, cc, bcc,
// subject and body.
// The target reaches xdg-open as one argument, never through a shell command line.
// Only the verb "Open" (or none) is known; parameters, directory and show command are
// accepted for the callers' sake and have no effect here.
int ShellExecute(WId owner, const QString &operation, const QString &file,
                 const QString &parameters, const QString &directory, int showCommand);

// Tests replace the whole service: the handler receives every request and its answer is
// the result. An empty handler restores the desktop.
void setShellExecuteHandler(std::function<int(const ShellExecuteRequest &)> handler);

// What the service would hand to the desktop for a link: the address or the absolute,
// symlink-free path, or, when the link is refused, the Spanish reason and no target.
struct DesktopTarget
{
    QString target;
    QString refusal;
    int result = SE_OK;
};
DesktopTarget desktopTarget(const QString &file);

} // namespace tk
