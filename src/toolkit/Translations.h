#pragma once

#include <QString>

namespace tk {

// Installs Qt's Spanish texts (message box buttons, context menus) from folder, by default
// Qt's own translations folder. False when they are not there: Qt then speaks English and
// the program runs all the same.
bool loadQtTranslations(const QString &folder = QString());

} // namespace tk
