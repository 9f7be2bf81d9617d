#include "Synthetic.h"

#include "CatalogueWriter.h"
#include "common/Classification.h"

#include <QRandomGenerator>
#include <QStringList>

namespace {

QStringList utf8List(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *s : items)
        list.append(QString::fromUtf8(s));
    return list;
}

template<class T>
const T &pick(QRandomGenerator &random, const QList<T> &list)
{
    return list.at(qsizetype(random.bounded(quint32(list.size()))));
}

// Picks by weight; weights in tenths of a percent.
QString weighted(QRandomGenerator &random, const QList<std::pair<int, QString>> &choices)
{
    int total = 0;
    for (const auto &c : choices)
        total += c.first;
    int r = int(random.bounded(quint32(total)));
    for (const auto &c : choices) {
        if (r < c.first)
            return c.second;
        r -= c.first;
    }
    return choices.last().second;
}

} // namespace

void writeSynthetic(const QString &path, int count)
{
    QRandomGenerator random(20061);
    const QStringList descriptors = orlaneva::toStringList(orlaneva::kDescriptors);
    const QStringList levels = orlaneva::toStringList(orlaneva::kLevels);
    const QString &cie = descriptors[0];
    const QString &art = descriptors[1];
    const QString &eti = descriptors[2];
    const QString &len = descriptors[3];
    const QString &aco = descriptors[4];
    const QString &fam = descriptors[5];
    const QString &inv = descriptors[6];
    const QList<std::pair<int, QString>> firstDescriptor{
        {240, cie}, {170, art}, {170, eti}, {250, len}, {12, aco}, {154, fam}, {4, inv}};
    const QStringList commonDescriptors{cie, art, eti, len, fam};
    const QList<std::pair<int, QString>> firstLevel{
        {3, levels[0]}, {300, levels[1]}, {400, levels[2]}, {297, levels[3]}};
    const QStringList kinds
        = utf8List({"Guía", "Cuaderno", "Taller", "Fichas", "Proyecto", "Antología", "Manual",
                    "Programa", "Propuestas", "Materiales", "Juegos", "Actividades", "Recursos"});
    // None of these holds a rare word.
    const QStringList topics = utf8List({"lectura compartida",
                                         "la célula",
                                         "los volcanes",
                                         "el agua",
                                         "los ríos de España",
                                         "geometría",
                                         "las fracciones",
                                         "la convivencia",
                                         "los derechos humanos",
                                         "la música popular",
                                         "el teatro",
                                         "la pintura",
                                         "la ortografía",
                                         "la poesía",
                                         "el cómic",
                                         "las plantas",
                                         "los animales del bosque",
                                         "el reciclaje",
                                         "la energía",
                                         "el clima",
                                         "la Edad Media",
                                         "la Prehistoria",
                                         "los mapas",
                                         "el cuerpo humano",
                                         "la alimentación",
                                         "la salud",
                                         "la educación vial",
                                         "la igualdad",
                                         "las emociones",
                                         "la familia",
                                         "el barrio",
                                         "la escritura",
                                         "el periódico escolar",
                                         "la radio escolar",
                                         "la biblioteca",
                                         "los números",
                                         "la medida",
                                         "el tiempo",
                                         "las estaciones",
                                         "los oficios",
                                         "la Constitución",
                                         "la Unión Europea",
                                         "el patrimonio",
                                         "la danza",
                                         "el ritmo",
                                         "la voz",
                                         "las canciones de corro",
                                         "el dibujo",
                                         "la fotografía",
                                         "el cine",
                                         "los juegos "
                                         "tradicionales",
                                         "la mediación",
                                         "la tutoría",
                                         "la evaluación",
                                         "la diversidad",
                                         "la ciudadanía",
                                         "la ética",
                                         "el debate",
                                         "el vocabulario",
                                         "la gramática"});
    const QStringList tails
        = utf8List({"", "", "", " para el aula", " en el centro", " paso a paso", " para familias",
                    " en equipo", " con ejemplos", " para empezar"});
    const QStringList authors
        = utf8List({"Lucía Berrocal Díaz", "Marta Izquierdo Soler", "Andrés Villalobos Peña",
                    "Carmen Lozano Rey", "Tomás Arribas Gil", "Samira El Idrissi",
                    "Óscar Navarro Benítez", "Colectivo Aula Abierta", "Equipo de Orientación"});
    const QStringList publishers
        = utf8List({"Ediciones Albada", "Editorial Ribera", "Ediciones del Faro",
                    "Centro de Profesores", "Consejería de Educación"});

    CatalogueWriter writer(path);
    for (int i = 1; i <= count; ++i) {
        SampleCard card;
        card.id = i;

        QString topic;
        const quint32 r = random.bounded(1000u);
        if (r < 4)
            topic = QStringLiteral("astronomía");
        else if (r < 19)
            topic = QStringLiteral("el huerto escolar");
        else if (r < 49)
            topic = QStringLiteral("el cuento");
        else
            topic = pick(random, topics);
        QString kind = pick(random, kinds);
        if (random.bounded(10u) == 0)
            kind += QStringLiteral(" %1").arg(random.bounded(1, 25));
        card.titulo = kind + QStringLiteral(" de ") + topic + pick(random, tails);

        QString descriptor = weighted(random, firstDescriptor);
        if (random.bounded(100u) < 15) {
            const QString second = pick(random, commonDescriptors);
            if (second != descriptor)
                descriptor += QStringLiteral(", ") + second;
        }
        card.descriptores = descriptor;

        QString level = weighted(random, firstLevel);
        if (random.bounded(100u) < 20) {
            if (level == levels[1])
                level += QStringLiteral(", ") + levels[2];
            else if (level == levels[2])
                level += QStringLiteral(", ") + levels[3];
        }
        card.nivel = level;

        card.autor = pick(random, authors);
        card.enlace = QStringLiteral("https://www.educacionfpydeportes.gob.es/recursos/%1").arg(i);
        card.editorial = pick(random, publishers);
        card.anio = 1995 + random.bounded(12);
        card.idioma = QStringLiteral("Español");
        card.formato = pick(random, kinds);
        if (random.bounded(3u) == 0)
            card.resumen = QStringLiteral("Recurso sobre %1 para trabajar en clase.").arg(topic);
        card.imagen = QStringLiteral("ficha%1.png").arg(i);
        writer.add(card);
    }
    writer.commit();
}
