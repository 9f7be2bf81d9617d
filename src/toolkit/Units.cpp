#include "toolkit/Units.h"

#include "toolkit/Services.h"

#include <QApplication>
#include <QStyle>

#include <cmath>

namespace tk {

int twipsToPixelsX(int twips)
{
    return int(std::lround(twips / Screen::TwipsPerPixelX()));
}

int twipsToPixelsY(int twips)
{
    return int(std::lround(twips / Screen::TwipsPerPixelY()));
}

int pixelsToTwipsX(int pixels)
{
    return int(std::lround(pixels * Screen::TwipsPerPixelX()));
}

int pixelsToTwipsY(int pixels)
{
    return int(std::lround(pixels * Screen::TwipsPerPixelY()));
}

int systemScrollBarWidth()
{
    return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

int systemScrollBarHeight()
{
    return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

} // namespace tk
