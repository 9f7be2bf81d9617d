#pragma once

#include <QByteArray>

#include <optional>

// What stands between the program and the desktop before its first window: the toolkit's own
// failures at that point (no display to show windows on) end the program with a Spanish
// message on standard error and status 1, not an abort with the toolkit's advice in English.
namespace tk {

class StartupGuard
{
public:
    StartupGuard();
    ~StartupGuard();
    StartupGuard(const StartupGuard &) = delete;
    StartupGuard &operator=(const StartupGuard &) = delete;

    // The application object exists: the toolkit's messages go their usual way again, the
    // ones held back meanwhile first.
    void started();

private:
    bool m_active = true;
    bool m_movedTemporaryFolder = false;
    std::optional<QByteArray> m_temporaryFolder;
};

inline constexpr auto NoDisplayMessage
    = "Orlaneva no puede abrir sus ventanas: no hay ninguna pantalla disponible (no se ha "
      "podido conectar con el servidor gráfico). Ábralo desde una sesión de escritorio.\n";

} // namespace tk
