#pragma once

#include "CardData.h"

#include <QString>

// The guide handed to the desktop by the guide window: several A4 pages in Spanish.
void writeGuide(const QString &path, const QList<SampleCard> &cards);

// A short document that cards link to.
void writeLinkedDocument(const QString &path, const LinkedDocument &document);
