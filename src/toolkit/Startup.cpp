#include "toolkit/Startup.h"

#include "toolkit/Translations.h"

#include <QFont>
#include <QGuiApplication>
#include <QImageReader>
#include <QStringList>

namespace tk {

void initialize()
{
    // Megabytes, for readers that cannot tell a picture's size before decoding it.
    QImageReader::setAllocationLimit(1024);
    QFont::insertSubstitutions(
        QStringLiteral("Verdana"),
        {QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans")});
    loadQtTranslations();
    // The menu entry's and the AppStream component's id: lets a Wayland shell match the
    // windows with the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.orlaneva"));
}

} // namespace tk
