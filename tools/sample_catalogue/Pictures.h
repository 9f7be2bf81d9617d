#pragma once

#include "CardData.h"

#include <QImage>
#include <QString>

// The catalogue's pictures, drawn with QPainter. All are larger than the windows that show
// them (about 1010 x 650 pixels), so the viewer's scroll bars have work to do.
QImage drawCardPicture(const SampleCard &card);
QImage drawPresentation();
QImage drawGuideCover();

// Saves with a palette of the picture's most frequent colours: a quarter of the size of a
// true-colour file, and the flat artwork loses nothing visible. Throws on failure.
void saveIndexed(const QImage &image, const QString &path, const char *format);
