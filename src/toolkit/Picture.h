#pragma once

#include <QImage>
#include <QString>

namespace tk {

// Loads a picture file (any path the windows compose, backslashes allowed). A path that
// differs from the file on disk only in letter case still finds it, as on Windows.
// Throws orlaneva::Error with a Spanish description naming the file.
QImage LoadPicture(const QString &path);
// Largest picture LoadPicture decodes: 16384 x 16384 pixels, 1 GiB at 32 bits a pixel.
inline constexpr qint64 PictureMaxPixels = qint64(16384) * 16384;

} // namespace tk
