#pragma once

#include <QStringList>

#include <span>

namespace orlaneva {

// What a card is filed under, in the order the search window lists them. A card names
// several of a kind joined by ", ".
inline constexpr const char *kDescriptors[] = {
    "Ciencias naturales y sociales", "Educación artística y musical",
    "Educación y ciudadanía/ética",  "Lengua y literatura",
    "Medidas acogida inmigrantes",   "Relación Familia-Escuela",
    "Revisión investigaciones",
};
inline constexpr const char *kLevels[] = {
    "Formación profesorado.",
    "Infantil",
    "Primaria",
    "Secundaria",
};

inline QStringList toStringList(std::span<const char *const> texts)
{
    QStringList list;
    list.reserve(qsizetype(texts.size()));
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

} // namespace orlaneva
