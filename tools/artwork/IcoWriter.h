#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// Windows .ico files, written by hand because Qt writes neither palettised nor multi-image
// icons. Every image carries an AND mask; a 256-colour image takes its mask from alpha >= 128.
namespace ico {

enum class Depth { Colours256 = 8, Argb32 = 32 };

struct Entry
{
    QImage image; // any format; read as ARGB32
    Depth depth;
};

QByteArray file(const QList<Entry> &entries);

// The 256-colour rendering of an image: index 0 is black and marks the transparent pixels,
// since Windows XORs the colour of a masked pixel onto the screen.
QImage palettised(const QImage &image);

} // namespace ico
