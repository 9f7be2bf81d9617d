#include "CardData.h"

#include "common/Classification.h"

#include <QStringList>

#include <array>

namespace {

// Short names for the descriptors and levels, so the table below stays readable.
constexpr const char *CIE = orlaneva::kDescriptors[0];
constexpr const char *ART = orlaneva::kDescriptors[1];
constexpr const char *ETI = orlaneva::kDescriptors[2];
constexpr const char *LEN = orlaneva::kDescriptors[3];
constexpr const char *ACO = orlaneva::kDescriptors[4];
constexpr const char *FAM = orlaneva::kDescriptors[5];
constexpr const char *INV = orlaneva::kDescriptors[6];
constexpr const char *FP = orlaneva::kLevels[0];
constexpr const char *INF = orlaneva::kLevels[1];
constexpr const char *PRI = orlaneva::kLevels[2];
constexpr const char *SEC = orlaneva::kLevels[3];

// Several of a kind, in the order the card names them; none: Null.
using Tags = std::array<const char *, 3>;

struct Row
{
    const char *titulo;
    const char *autor;
    const char *enlace;
    Tags nivel;
    Tags descriptores;
    const char *editorial;
    int anio; // 0: unknown
    const char *idioma;
    const char *formato;
    const char *resumen;
    bool imagen = true;
};

// clang-format off
const Row kRows[] = {
    {"El huerto escolar: aprender con las manos", "Lucía Berrocal Díaz", "Documentos\\huerto-escolar.pdf", {INF, PRI}, {CIE}, "Centro de Recursos Pedagógicos", 2003, "Español", "Guía didáctica", "Cómo poner en marcha un huerto en el patio y aprovecharlo en todas las áreas: calendario de siembra, fichas de observación y recetas sencillas."},
    {"Cuentos del mundo para una clase de todos", "Colectivo Aula Abierta", "Documentos\\acogida-alumnado.pdf", {INF, PRI}, {LEN, ACO}, "Ediciones Albada", 2004, "Español", "Antología", "Treinta cuentos breves de cuarenta países, con propuestas para contarlos en voz alta y relacionarlos con las familias del aula."},
    {"Guía de lectura en voz alta", "Marta Izquierdo Soler", "Documentos\\guia-lectura.pdf", {PRI}, {LEN}, "Centro de Recursos Pedagógicos", 2002, "Español", "Guía didáctica", "Pautas para leer en voz alta a diario, elegir libros según la edad y conversar sobre lo leído."},
    {"Canciones y juegos de corro", "Pilar Gómez Arranz", "Documentos\\cancionero-infantil.pdf", {INF}, {ART}, "Ediciones Albada", 2001, "Español", "Cancionero", "Cancionero con partituras sencillas, letras y la descripción de cada juego de corro."},
    {"Familias y escuela: guía para las reuniones de tutoría", "Equipo de Orientación de Zona", "Documentos\\reuniones-familias.pdf", {INF, PRI, SEC}, {FAM}, "Consejería de Educación", 2005, "Español", "Guía", "Cómo preparar, conducir y cerrar una reunión con las familias; modelos de convocatoria y de acta."},
    {"Atlas del cielo nocturno", "Andrés Villalobos Peña", "https://www.ign.es/", {SEC}, {CIE}, "Editorial Ribera", 2000, "Español", "Atlas", "Mapas estelares por estaciones y actividades de observación sin telescopio."},
    {"La célula: unidad de vida", "Rosa María Campos", "https://www.mncn.csic.es/", {SEC}, {CIE}, "Editorial Ribera", 2003, "Español", "Unidad didáctica", "Unidad con prácticas de microscopio, dibujos de observación y cuestionarios de repaso."},
    {"Unidad 2: el agua en nuestro pueblo", "Grupo de trabajo Río Vivo", "https://www.aemet.es/", {PRI}, {CIE}, "Centro de Profesores", 2004, "Español", "Unidad didáctica", "Segunda unidad de la serie sobre el entorno: de dónde viene el agua del grifo y a dónde va."},
    {"Unidad 10: el paisaje y las personas", "Grupo de trabajo Río Vivo", "https://www.ign.es/", {PRI}, {CIE}, "Centro de Profesores", 2005, "Español", "Unidad didáctica", "Décima unidad de la serie: los usos del suelo, los cambios del paisaje y las huellas del trabajo humano."},
    {"Unidad 1: mi barrio en el mapa", "Grupo de trabajo Río Vivo", "https://www.ign.es/", {PRI}, {CIE}, "Centro de Profesores", 2004, "Español", "Unidad didáctica", "Primera unidad de la serie: planos sencillos, puntos cardinales y un paseo por el barrio."},
    {"Música en la escuela: propuestas para cada trimestre", "Elena Maldonado Ruiz", "https://www.educacionfpydeportes.gob.es/", {PRI}, {ART}, "Ediciones del Faro", 2002, "Español", "Programación", "Audiciones, canciones y pequeñas piezas instrumentales organizadas por trimestres."},
    {"Rock'n'roll en el aula de música", "Tomás Arribas Gil", "https://www.educacionfpydeportes.gob.es/", {SEC}, {ART}, "Ediciones del Faro", 2006, "Español", "Unidad didáctica", "La historia del rock contada con audiciones comentadas, ritmos con percusión corporal y una pequeña banda de clase."},
    {"Pintar como los grandes: taller de arte", "Begoña Iriarte Lasa", "https://www.museodelprado.es/", {INF, PRI}, {ART}, "Ediciones Albada", 2003, "Español", "Taller", "Sesiones de plástica inspiradas en obras del museo: mirar, hablar de lo que se ve y pintar."},
    {"Teatro de sombras", "Compañía La Linterna", "https://www.educacionfpydeportes.gob.es/", {PRI}, {ART, LEN}, "Ediciones Albada", 2001, "Español", "Taller", "Cómo construir un teatrillo con cartón y una lámpara, y representar cuentos populares."},
    {"L'hort a l'escola: guia per a mestres", "Núria Puig i Ferrer", "https://www.cervantesvirtual.com/", {PRI}, {CIE}, "Edicions del Delta", 2004, "Catalán", "Guía didáctica", "Versión en catalán de la guía del huerto escolar, con el vocabulario de las plantas y las herramientas."},
    {"Aprender a convivir: normas de aula", "Equipo de Orientación de Zona", "https://www.unicef.es/educa", {PRI, SEC}, {ETI}, "Consejería de Educación", 2005, "Español", "Programa", "Programa para elaborar con el alumnado las normas del aula y resolver conflictos con mediación."},
    {"Derechos de la infancia explicados a los niños", "Comité de Educación para el Desarrollo", "https://www.unicef.es/educa", {INF, PRI}, {ETI}, "Ediciones del Faro", 2003, "Español", "Cuaderno", "Los derechos de la infancia en lenguaje sencillo, con ilustraciones para colorear y preguntas para hablar en grupo."},
    {"Dilemas morales para la tutoría", "Fernando Casas Olmedo", "https://www.unicef.es/educa", {SEC}, {ETI}, "Editorial Ribera", 2002, "Español", "Fichas", "Veinte dilemas con guion de debate para las horas de tutoría."},
    {"Ética y ciudadanía: la participación", "Carmen Lozano Rey", "https://www.educacionfpydeportes.gob.es/", {SEC}, {ETI}, "Editorial Ribera", 2006, "Español", "Unidad didáctica", "Asociaciones, consejo escolar y ayuntamiento: cómo se participa y por qué importa."},
    {"Bienvenida al centro: protocolo de acogida", "Equipo de Interculturalidad", "Documentos\\acogida-alumnado.pdf", {FP}, {ACO}, "Consejería de Educación", 2005, "Español", "Protocolo", "Pasos para recibir al alumnado recién llegado y a su familia durante las primeras semanas."},
    {"Español para recién llegados: primeros pasos", "Ana Belén Torres", "https://cvc.cervantes.es/", {PRI, SEC}, {LEN, ACO}, "Ediciones Albada", 2004, "Español", "Cuaderno", "Cuaderno de vocabulario básico de la escuela, con imágenes y audios para el aula de acogida."},
    {"Diccionario visual de la escuela", "Ana Belén Torres", "https://www.rae.es/", {INF, PRI}, {ACO}, "Ediciones Albada", 2005, "Español", "Diccionario", "Quinientas palabras de la vida escolar con su dibujo, en español y en seis lenguas de origen."},
    {"Mediación intercultural en el centro educativo", "Samira El Idrissi", "Documentos\\acogida-alumnado.pdf", {FP}, {ACO, FAM}, "Centro de Profesores", 2006, "Español", "Curso", "Materiales de un curso para profesorado sobre la figura del mediador y la comunicación con las familias."},
    {"Escuela de madres y padres", "Asociación de Familias La Rueda", "Documentos\\reuniones-familias.pdf", {INF, PRI}, {FAM}, "Ediciones del Faro", 2003, "Español", "Programa", "Doce sesiones para familias: hábitos, límites, juego y lectura en casa."},
    {"Los deberes en casa: una guía para familias", nullptr, "https://www.educacionfpydeportes.gob.es/", {PRI}, {FAM}, "Consejería de Educación", 2004, "Español", "Folleto", "Consejos breves para acompañar las tareas escolares sin hacerlas por los hijos."},
    {"Agenda escolar compartida", "Equipo directivo del CEIP Los Almendros", nullptr, {PRI}, {FAM}, nullptr, 0, "Español", "Plantilla", nullptr},
    {"La participación de las familias: estado de la cuestión", "Irene Castaño Prieto", "https://www.educacionfpydeportes.gob.es/", {FP}, {FAM, INV}, "Universidad de Verano", 2005, "Español", "Informe", "Revisión de estudios sobre la participación de las familias en la vida escolar en la última década."},
    {"¿Qué sabemos de la lectura temprana?", "Mercedes Alonso Vidal", "https://cvc.cervantes.es/", {FP}, {LEN, INV}, "Universidad de Verano", 2004, "Español", "Informe", "Síntesis de investigaciones sobre el aprendizaje de la lectura entre los cuatro y los siete años."},
    {"Evaluación de programas de acogida: revisión", "Observatorio de la Convivencia", "https://www.educacionfpydeportes.gob.es/", {FP}, {ACO, INV}, "Consejería de Educación", 2006, "Español", "Informe", "Qué funciona en la acogida del alumnado inmigrante según las evaluaciones publicadas."},
    {"Investigar en el aula: manual para docentes", "Óscar Navarro Benítez", "https://intef.es/", {FP}, {INV}, "Editorial Ribera", 2003, "Español", "Manual", "Cómo plantear una pregunta, recoger datos en clase y escribir un informe breve."},
    {"Poesía para jugar", "Club de Lectura Los Girasoles", "Documentos\\guia-lectura.pdf", {INF, PRI}, {LEN}, "Ediciones del Faro", 2001, "Español", "Antología", "Poemas breves, trabalenguas y adivinanzas para recitar y dramatizar."},
    {"El Quijote contado a los jóvenes", "Alberto Sanz Moreno", "https://www.cervantesvirtual.com/", {SEC}, {LEN}, "Editorial Ribera", 2005, "Español", "Adaptación", "Adaptación en veinte capítulos con notas, mapas de las salidas de don Quijote y propuestas de escritura."},
    {"Taller de escritura creativa", "Inés Robles Castillo", "https://www.fundeu.es/", {SEC}, {LEN}, "Ediciones Albada", 2004, "Español", "Taller", "Consignas de escritura para cada semana del curso, con ejemplos del alumnado."},
    {"Ortografía sin miedo", "Inés Robles Castillo", "https://www.rae.es/", {PRI, SEC}, {LEN}, "Ediciones Albada", 2002, "Español", "Cuaderno", "Reglas básicas de acentuación y puntuación presentadas con juegos y dictados breves."},
    {"Biblioteca de aula: cómo organizarla", "Marta Izquierdo Soler", "Documentos\\guia-lectura.pdf", {INF, PRI}, {LEN}, "Centro de Recursos Pedagógicos", 2003, "Español", "Guía", "Elegir, ordenar y prestar los libros del aula; fichas de préstamo y de recomendación."},
    {"Cuentos populares españoles", "Recopilación del Seminario de Literatura", "https://www.bne.es/", {PRI}, {LEN}, nullptr, 2000, "Español", "Antología", "Cuentos de tradición oral recogidos en distintas comunidades, con su versión original y una adaptación."},
    {"Leyendas de mi tierra", nullptr, "https://www.bne.es/", {PRI, SEC}, {LEN, CIE}, "Ediciones del Faro", 2002, "Español", "Antología", "Leyendas locales acompañadas de un mapa y de actividades de historia y geografía."},
    {"El cuerpo humano por dentro", "Rosa María Campos", "https://www.mncn.csic.es/", {PRI}, {CIE}, "Editorial Ribera", 2001, "Español", "Unidad didáctica", "Aparatos y sistemas del cuerpo con maquetas recortables y experiencias sencillas."},
    {"Animales del bosque mediterráneo", "Lucía Berrocal Díaz", "https://www.mncn.csic.es/", {INF, PRI}, {CIE}, "Centro de Recursos Pedagógicos", 2002, "Español", "Fichas", "Fichas de quince animales con huellas, alimentación y costumbres, para salidas al campo."},
    {"Energías renovables en el instituto", "Pablo Serrano Cid", "https://www.aemet.es/", {SEC}, {CIE}, "Editorial Ribera", 2006, "Español", "Proyecto", "Proyecto de medida del sol y del viento en el centro y construcción de un pequeño aerogenerador."},
    {"Historia de nuestro pueblo a través de sus fotografías", "Taller de Historia Local", "https://www.bne.es/", {PRI, SEC}, {CIE, FAM}, "Ayuntamiento", 2004, "Español", "Proyecto", "Las familias traen fotografías antiguas y el alumnado reconstruye la historia del pueblo."},
    {"Ñandúes, pingüinos y otras aves que no vuelan", "Andrés Villalobos Peña", "https://www.mncn.csic.es/", {PRI}, {CIE}, "Ediciones Albada", 2003, "Español", "Libro informativo", "Un libro informativo sobre aves no voladoras de todo el mundo, con mapas y comparaciones de tamaño."},
    {"La Constitución en el aula", "Carmen Lozano Rey", "https://www.educacionfpydeportes.gob.es/", {SEC}, {ETI, CIE}, "Editorial Ribera", 2003, "Español", "Unidad didáctica", "Lectura comentada de artículos de la Constitución y simulación de una sesión parlamentaria."},
    {"Igualdad de oportunidades: juegos cooperativos", "Colectivo Aula Abierta", "https://www.unicef.es/educa", {INF, PRI}, {ETI}, "Ediciones Albada", 2005, "Español", "Fichero", "Cincuenta juegos en los que nadie queda eliminado, para el patio y el gimnasio."},
    {"Educación vial para pequeños peatones", "Policía Local y Centro de Profesores", "https://www.educacionfpydeportes.gob.es/", {INF}, {ETI}, "Ayuntamiento", 2002, "Español", "Cuaderno", "Señales, pasos de peatones y un circuito vial para el patio."},
    {"Formación del profesorado en competencia digital", "Óscar Navarro Benítez", "https://intef.es/", {FP}, {INV}, "Centro de Profesores", 2006, "Español", "Curso", "Materiales de un curso en línea: ordenador en el aula, búsqueda de información y cuidado de los datos."},
    {"Atención a la diversidad: guía para el claustro", "Equipo de Orientación de Zona", "https://intef.es/", {FP}, {ETI, ACO}, "Consejería de Educación", 2004, "Español", "Guía", "Medidas ordinarias y extraordinarias, con casos prácticos y modelos de adaptación curricular."},
    {"Tutoría entre iguales", "Irene Castaño Prieto", "https://intef.es/", {FP, SEC}, {INV, ETI}, "Universidad de Verano", 2005, "Español", "Informe", "Resultados de un programa en el que el alumnado mayor ayuda al menor con la lectura."},
    {"Matemáticas en la cocina", "Asociación de Familias La Rueda", "Documentos\\huerto-escolar.pdf", {PRI}, {FAM, CIE}, "Ediciones del Faro", 2006, "Español", "Fichas", "Recetas para hacer en casa que sirven para medir, pesar, contar y repartir.", false},
    {"Villancicos y canciones de invierno", "Pilar Gómez Arranz", "Documentos\\cancionero-infantil.pdf", {INF, PRI}, {ART}, "Ediciones Albada", 2002, "Español", "Cancionero", "Canciones de distintas tradiciones para las fiestas de invierno, con acompañamiento de láminas y panderos."},
    {"Instrumentos con material reciclado", "Tomás Arribas Gil", "Documentos\\cancionero-infantil.pdf", {PRI}, {ART, CIE}, "Ediciones del Faro", 2004, "Español", "Taller", "Maracas, tambores y guitarras de caja: construirlos y tocar con ellos."},
    {"La ópera explicada a los niños", "Elena Maldonado Ruiz", "https://www.educacionfpydeportes.gob.es/", {PRI, SEC}, {ART}, "Ediciones del Faro", 2005, "Español", "Guía de audición", "Argumentos, personajes y fragmentos de cinco óperas, con guía de audición para cada una."},
    {"Fotografía y mirada: un taller para adolescentes", "Begoña Iriarte Lasa", "https://www.museodelprado.es/", {SEC}, {ART, ETI}, "Ediciones Albada", 2006, "Español", "Taller", "Ejercicios de encuadre, luz y composición, y reflexión sobre las imágenes que vemos cada día."},
    {"Cuadernos de acogida: matemáticas", "Equipo de Interculturalidad", "https://www.educacionfpydeportes.gob.es/", {PRI, SEC}, {ACO}, "Consejería de Educación", 2005, "Español", "Cuaderno", "Ejercicios de cálculo con poco texto para el alumnado que aún no domina el español."},
    {"Las familias cuentan: biografías en el aula", "Samira El Idrissi", "Documentos\\reuniones-familias.pdf", {PRI}, {FAM, ACO, LEN}, "Centro de Profesores", 2006, "Español", "Proyecto", "Proyecto en el que cada familia cuenta su historia y el alumnado la escribe e ilustra."},
    {"Revisión de estudios sobre deberes escolares", "Mercedes Alonso Vidal", "https://www.educacionfpydeportes.gob.es/", {FP}, {INV, FAM}, "Universidad de Verano", 2006, "Español", "Informe", "Qué dicen los estudios sobre la cantidad de deberes, su utilidad y su efecto en la vida familiar."},
    {"El recreo también educa", "Fernando Casas Olmedo", nullptr, {INF, PRI}, {ETI}, nullptr, 0, "Español", "Guía", nullptr},
    {"Iniciación a la lectura: método global", "Marta Izquierdo Soler", "Documentos\\guia-lectura.pdf", {INF}, {LEN}, "Centro de Recursos Pedagógicos", 2000, "Español", "Método", "Tarjetas de palabras, carteles y cuentos para iniciar la lectura por el significado."},
    {"Geografía de España en mapas mudos", "Andrés Villalobos Peña", "https://www.ign.es/", {SEC}, {}, "Editorial Ribera", 2001, "Español", "Cuaderno", "Mapas mudos de relieve, ríos y provincias, con ejercicios de localización."},
    {"Museo de aula: objetos con historia", "Taller de Historia Local", "https://www.museodelprado.es/", {}, {CIE, FAM}, "Ayuntamiento", 2003, "Español", "Proyecto", "Cómo montar un pequeño museo con objetos prestados por las familias y catalogarlos en fichas."},
};
// clang-format on

std::optional<QString> text(const char *s)
{
    if (!s)
        return std::nullopt;
    return QString::fromUtf8(s);
}

std::optional<QString> joined(const Tags &tags)
{
    QStringList names;
    for (const char *tag : tags) {
        if (tag)
            names.append(QString::fromUtf8(tag));
    }
    if (names.isEmpty())
        return std::nullopt;
    return names.join(QStringLiteral(", "));
}

} // namespace

QList<SampleCard> sampleCards()
{
    QList<SampleCard> cards;
    qint64 id = 0;
    for (const Row &row : kRows) {
        SampleCard card;
        card.id = ++id;
        card.titulo = text(row.titulo);
        card.autor = text(row.autor);
        card.enlace = text(row.enlace);
        card.nivel = joined(row.nivel);
        card.descriptores = joined(row.descriptores);
        card.editorial = text(row.editorial);
        if (row.anio != 0)
            card.anio = row.anio;
        card.idioma = text(row.idioma);
        card.formato = text(row.formato);
        card.resumen = text(row.resumen);
        if (row.imagen)
            card.imagen = QStringLiteral("ficha%1.png").arg(card.id, 2, 10, QLatin1Char('0'));
        cards.append(card);
    }
    return cards;
}

QList<LinkedDocument> linkedDocuments()
{
    auto u = [](const char *s) { return QString::fromUtf8(s); };
    return {
        {u("guia-lectura.pdf"),
         u("Guía de lectura en voz alta"),
         {u("Leer en voz alta cada día, aunque sean diez minutos, es la costumbre que más "
            "ayuda a que el alumnado se aficione a los libros."),
          u("Elija textos que a usted le gusten: el entusiasmo se contagia. Lea antes el "
            "texto en silencio para conocer el ritmo y los momentos de sorpresa."),
          u("Después de leer, pregunte qué ha gustado y por qué, sin convertir la "
            "conversación en un examen. Deje que cada cual relacione el texto con su vida."),
          u("Para Infantil, prefiera álbumes ilustrados con frases que se repiten; para "
            "Primaria, capítulos cortos que dejen con ganas de seguir.")}},
        {u("acogida-alumnado.pdf"),
         u("Acogida del alumnado recién llegado"),
         {u("La primera semana decide buena parte de la integración. Prepare un rincón de "
            "bienvenida con el nombre del nuevo compañero o compañera en su lengua."),
          u("Nombre a dos alumnos o alumnas del grupo como acompañantes durante el recreo "
            "y los cambios de clase."),
          u("Reúnase con la familia en los primeros días, con intérprete o mediador si es "
            "necesario, y explique el horario, el calendario y cómo comunicarse con el "
            "centro."),
          u("Valore lo que el alumno o la alumna ya sabe: muchas competencias no dependen "
            "de la lengua.")}},
        {u("huerto-escolar.pdf"),
         u("El huerto escolar"),
         {u("Un huerto de pocos metros basta para todo un curso. Busque un lugar con al "
            "menos cinco horas de sol y un grifo cerca."),
          u("Calendario orientativo: habas y ajos en otoño; lechugas y rábanos a finales "
            "del invierno; tomates y judías en primavera."),
          u("Cada grupo lleva un cuaderno de campo donde anota la fecha, el tiempo que "
            "hace, lo que ha crecido y lo que ha hecho."),
          u("La cosecha se aprovecha en el aula: pesar, contar, repartir y cocinar son "
            "matemáticas con sentido.")}},
        {u("cancionero-infantil.pdf"),
         u("Cancionero infantil"),
         {u("Las canciones de corro unen música, movimiento y lenguaje. Enseñe primero la "
            "letra recitada y después la melodía."),
          u("Marque el pulso con palmas y pies antes de añadir instrumentos de pequeña "
            "percusión."),
          u("Invite a las familias a enseñar las canciones que cantaban de pequeñas: el "
            "cancionero de la clase crecerá con todas ellas.")}},
        {u("reuniones-familias.pdf"),
         u("Reuniones con las familias"),
         {u("Convoque con al menos una semana de antelación y diga el motivo, la duración "
            "prevista y si pueden venir con los niños."),
          u("Empiece por lo que va bien. Hable de hechos concretos y proponga pocos "
            "acuerdos, fáciles de comprobar."),
          u("Cierre la reunión resumiendo los acuerdos y fijando la fecha del siguiente "
            "encuentro. Anótelo en el acta.")}},
    };
}
