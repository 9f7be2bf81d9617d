#include "toolkit/Startup.h"

#include <QFont>
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
}

} // namespace tk
