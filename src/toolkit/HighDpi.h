#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace tk {

// The pictures the program carries come at their own pixel size and at twice it, as
// name@2x beside name. On a screen with a device pixel ratio above 1 the larger one is
// drawn, with devicePixelRatio 2, so it covers the same logical pixels, sharp.

// The pixel ratio the program's pictures are chosen for: the highest of the screens.
qreal pictureRatio();
// "a/b.png" -> "a/b@2x.png".
QString doubleSizeName(const QString &resource);
// The picture at the resource path, from its @2x variant when the screens call for it.
QImage LoadArt(const QString &resource);
// An icon with every image of the resource and of its @2x variant, so that each size is
// drawn from pixels of its own at either ratio.
QIcon ArtIcon(const QString &resource);

} // namespace tk
