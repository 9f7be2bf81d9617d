#include "Documents.h"

#include "common/Classification.h"

#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <stdexcept>

namespace {

const char *const kStyle = "body { font-family: 'DejaVu Serif'; font-size: 11pt; color: #26231e; }"
                           "h1 { font-family: 'DejaVu Sans'; color: #1b3a5c; font-size: 22pt; }"
                           "h2 { font-family: 'DejaVu Sans'; color: #1b3a5c; font-size: 15pt; }"
                           "td, th { padding: 4px 8px; }"
                           "th { background-color: #1b3a5c; color: white; text-align: left; }"
                           ".page { page-break-before: always; }";

void print(const QString &path, const QString &title, const QString &html)
{
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Orlaneva"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    writer.setResolution(300);
    QTextDocument document;
    document.setDefaultStyleSheet(QString::fromUtf8(kStyle));
    document.setHtml(html);
    document.print(&writer);
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

void writeGuide(const QString &path, const QList<SampleCard> &cards)
{
    QMap<QString, int> perDescriptor;
    const QStringList descriptors = orlaneva::toStringList(orlaneva::kDescriptors);
    for (const SampleCard &card : cards) {
        for (const QString &d : descriptors) {
            if (card.descriptores && card.descriptores->contains(d))
                ++perDescriptor[d];
        }
    }

    QString html = QStringLiteral(
        "<h1>Orlaneva: guía de uso</h1>"
        "<p><i>Catálogo de fichas de recursos educativos</i></p>"
        "<h2>Índice</h2>"
        "<ol><li>Presentación</li><li>Buscar fichas</li><li>Los descriptores</li>"
        "<li>Los niveles educativos</li><li>Abrir una ficha</li>"
        "<li>Preguntas frecuentes</li></ol>"
        "<h2>1. Presentación</h2>"
        "<p>Orlaneva reúne fichas que describen recursos para el aula: guías didácticas, "
        "cuadernos, antologías, talleres, informes de investigación y materiales para la "
        "acogida del alumnado y la relación con las familias. Cada ficha indica el título, "
        "los niveles educativos y los descriptores del recurso, y lleva un enlace a una "
        "página web o a un documento incluido en el catálogo.</p>"
        "<p>El programa solo consulta el catálogo: no lo modifica nunca. Puede copiarse "
        "en una memoria o en un disco de red y usarse desde allí.</p>"
        "<div class='page'><h2>2. Buscar fichas</h2></div>"
        "<p>Desde la ventana principal, pulse el botón de búsqueda. Puede combinar tres "
        "criterios:</p>"
        "<ul><li><b>Descriptor</b>: el área o tema del recurso, elegido de la lista.</li>"
        "<li><b>Nivel educativo</b>: Infantil, Primaria, Secundaria o Formación del "
        "profesorado.</li>"
        "<li><b>Título</b>: una o varias palabras que aparezcan seguidas en el título.</li>"
        "</ul>"
        "<p>Deje vacíos los criterios que no necesite: sin ningún criterio se muestran "
        "todas las fichas. La búsqueda no distingue mayúsculas de minúsculas ni letras con "
        "o sin tilde: <i>educacion</i> encuentra <i>Educación</i>. La eñe sí se distingue "
        "de la ene.</p>"
        "<p>En el título, el signo <b>%</b> sustituye a cualquier grupo de letras y el "
        "signo <b>_</b> a una sola letra: <i>cuento%mundo</i> encuentra «Cuentos del "
        "mundo». El apóstrofo no se puede escribir en el título.</p>"
        "<p>Los resultados aparecen ordenados por título, como en un diccionario: las "
        "letras con tilde van con su letra, la ñ después de la n, y los números se ordenan "
        "por su valor («Unidad 2» antes que «Unidad 10»). Sobre la lista se indica cuántas "
        "fichas se han encontrado. Con <b>Nueva búsqueda</b> se vacían los criterios.</p>"
        "<div class='page'><h2>3. Los descriptores</h2></div>"
        "<p>Cada ficha tiene uno o varios descriptores. Este catálogo contiene:</p>"
        "<table border='1' cellspacing='0'><tr><th>Descriptor</th><th>Fichas</th></tr>");
    for (const QString &d : descriptors)
        html += QStringLiteral("<tr><td>%1</td><td align='right'>%2</td></tr>")
                    .arg(escaped(d))
                    .arg(perDescriptor.value(d));
    html += QStringLiteral(
        "</table>"
        "<p>Una ficha con varios descriptores aparece al buscar por cualquiera de ellos.</p>"
        "<h2>4. Los niveles educativos</h2>"
        "<p>Los niveles son <b>Infantil</b> (de tres a seis años), <b>Primaria</b> (de seis "
        "a doce), <b>Secundaria</b> (de doce a dieciséis) y <b>Formación profesorado.</b>, "
        "para materiales dirigidos a docentes. Muchas fichas sirven para más de un nivel, "
        "por ejemplo «Infantil, Primaria»: aparecen al buscar por cualquiera de ellos.</p>"
        "<div class='page'><h2>5. Abrir una ficha</h2></div>"
        "<p>Haga doble clic en una fila de los resultados. La ventana de la ficha muestra "
        "su imagen; si es mayor que la ventana, use las barras de desplazamiento. El botón "
        "<b>Abrir enlace</b>, o un clic sobre la zona de la imagen, abre el recurso: el "
        "navegador para las páginas web y el lector de documentos para los archivos del "
        "catálogo.</p>"
        "<p>Puede tener abiertas a la vez la ventana de búsqueda y la de la ficha. Si elige "
        "otra ficha mientras la ventana de la ficha sigue abierta, la ventana pasa al frente "
        "y su enlace abre ya la ficha nueva.</p>"
        "<h2>6. Preguntas frecuentes</h2>"
        "<p><b>No aparece ninguna ficha.</b> Revise los criterios: quizá el título tiene "
        "una palabra de más. Pruebe con una sola palabra.</p>"
        "<p><b>El enlace no se abre.</b> El equipo necesita un navegador y un lector de "
        "documentos PDF. Las direcciones web requieren conexión a Internet.</p>"
        "<p><b>¿Puedo añadir fichas?</b> El programa no modifica el catálogo; las fichas se "
        "preparan aparte y se distribuyen con una nueva versión del catálogo.</p>"
        "<p><i>Orlaneva, versión 1.1.</i></p>");
    print(path, QStringLiteral("Orlaneva: guía de uso"), html);
}

void writeLinkedDocument(const QString &path, const LinkedDocument &document)
{
    QString html = QStringLiteral("<h1>%1</h1>").arg(escaped(document.title));
    for (const QString &paragraph : document.paragraphs)
        html += QStringLiteral("<p>%1</p>").arg(escaped(paragraph));
    html += QStringLiteral("<p><i>Documento del catálogo Orlaneva.</i></p>");
    print(path, document.title, html);
}
