#include "app/Module1.h"
#include "app/frm_Autores.h"
#include "app/frm_Principal.h"
#include "app/frm_Splash.h"
#include "card/frm_Ficha.h"
#include "guide/frm_Orlaneva.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

tk::Form &windowNamed(const QString &name)
{
    if (name == u"frm_Splash")
        return frm_Splash::Default();
    if (name == u"frm_Principal")
        return frm_Principal::Default();
    if (name == u"frm_Tarvelo")
        return frm_Tarvelo::Default();
    if (name == u"frm_Ficha")
        return frm_Ficha::Default();
    if (name == u"frm_Orlaneva")
        return frm_Orlaneva::Default();
    return frm_Autores::Default();
}

tk::Form &show(const QString &name)
{
    tk::Form &form = windowNamed(name);
    tk::dispatch([&] { form.Show(); });
    return form;
}

// What assistive tools are told the widget is called.
QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// The control of the window that holds the focus (an edit field inside a list counts as
// the list).
QString focusedControl(tk::Form &form)
{
    for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (form.Controls().find(w->objectName()))
            return w->objectName();
    return u"(none)"_s;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::AppFolder> m_folder;
    std::unique_ptr<testing::MsgBoxRecorder> m_boxes;
    std::unique_ptr<testing::EndRecorder> m_ends;

private slots:
    void init()
    {
        m_folder = std::make_unique<testing::AppFolder>(std::vector<testing::Card>{
            {1, "Cuentos del mundo", "Primaria", "Lengua y literatura", "https://example.org",
             "1.png"},
            {2, "Cuentos de animales", "Infantil", "Lengua y literatura", "https://example.org",
             "2.png"},
            {3, "La célula", "Secundaria", "Ciencias naturales y sociales", "https://example.org",
             std::nullopt}});
        m_folder->writeDocuments();
        // Larger than the card window's container: the viewer shows both bars.
        m_folder->writePicture("Fichas/1.png", {1100, 800});
        m_boxes = std::make_unique<testing::MsgBoxRecorder>();
        m_ends = std::make_unique<testing::EndRecorder>();
        tk::setClockForTesting([] {
            static double now = 0;
            return now += 1.0;
        });
        Module1::iIdFicha = 1;
    }

    void cleanup()
    {
        tk::dispatch([] {
            frm_Ficha::dropDefault();
            frm_Tarvelo::dropDefault();
            frm_Orlaneva::dropDefault();
            frm_Autores::dropDefault();
            frm_Splash::dropDefault();
            frm_Principal::dropDefault();
        });
        testing::flushEvents();
        tk::setClockForTesting(nullptr);
        const auto boxes = m_boxes->boxes;
        m_ends.reset();
        m_boxes.reset();
        m_folder.reset();
        QVERIFY2(boxes.empty(), boxes.empty() ? "" : qPrintable(boxes.front().prompt));
    }

    void eachControlIsNamedForAssistiveTools_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");

        const auto row = [](const char *window, const char *control, const QString &name) {
            QTest::addRow("%s %s", window, control)
                << QString::fromLatin1(window) << QString::fromLatin1(control) << name;
        };
        row("frm_Splash", "Picture(1)", u"Orlaneva: catálogo de recursos educativos"_s);
        row("frm_Splash", "Label", u"Orlaneva"_s);
        row("frm_Splash", "Picture(0)", u"Portada"_s);
        row("frm_Splash", "Label1", u"Patrocinan:"_s);
        row("frm_Splash", "Picture(3)", u"Patrocinadores"_s);

        // Picture buttons are known by their tooltips.
        row("frm_Principal", "cmdGuia", u"Guía"_s);
        row("frm_Principal", "cmdBusqueda", u"Búsqueda de Fichas"_s);
        row("frm_Principal", "cmdAutores", u"Autores"_s);
        row("frm_Principal", "cmdVolver", u"Salir"_s);
        row("frm_Principal", "Label3", u"Buscador"_s);
        row("frm_Principal", "PicContenedor", u"Presentación"_s);
        row("frm_Principal", "pic_Imagen", u"Presentación"_s);
        row("frm_Principal", "Vertical_Scroll", u"Desplazamiento vertical"_s);
        row("frm_Principal", "Horizontal_Scroll", u"Desplazamiento horizontal"_s);

        // The lists and the text box are named by the label on their left, colon dropped.
        row("frm_Tarvelo", "cboDescriptores", u"Descriptores"_s);
        row("frm_Tarvelo", "cboNivelesEducativos", u"Nivel Educativo"_s);
        row("frm_Tarvelo", "txtTitulo", u"Título"_s);
        row("frm_Tarvelo", "lblProvincia", u"Descriptores:"_s);
        // The access-key mark is not part of a caption's name.
        row("frm_Tarvelo", "cmdBuscar", u"Buscar"_s);
        row("frm_Tarvelo", "cmdNuevaBusqueda", u"Nueva Búsqueda"_s);
        row("frm_Tarvelo", "gridFichas", u"Fichas encontradas"_s);
        row("frm_Tarvelo", "Picture(0)", u"Fichero"_s);
        row("frm_Tarvelo", "Picture(1)", u"Descriptores"_s);
        row("frm_Tarvelo", "Picture(2)", u"Nivel Educativo"_s);
        row("frm_Tarvelo", "Picture(4)", u"Título"_s);
        row("frm_Tarvelo", "Label2",
            u"Para visualizar el contenido de cada Ficha haga doble click en la Ficha "
            u"seleccionada."_s);
        row("frm_Tarvelo", "cmdVolver", u"Volver"_s);

        row("frm_Ficha", "cmdVinculo", u"Abrir enlace"_s);
        row("frm_Ficha", "cmdVolver", u"Volver"_s);
        row("frm_Ficha", "PicContenedor", u"Imagen de la ficha"_s);
        row("frm_Ficha", "pic_Imagen", u"Imagen de la ficha"_s);
        row("frm_Orlaneva", "cmdVinculo", u"Descargar guía"_s);
        row("frm_Orlaneva", "PicContenedor", u"Portada de la guía"_s);
        row("frm_Autores", "Picture(0)", u"Autores"_s);
        row("frm_Autores", "lblProvincia", u"Autores:"_s);
        row("frm_Autores", "cmdVolver", u"Volver"_s);
    }
    void eachControlIsNamedForAssistiveTools()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        tk::Form &form = show(window);
        tk::Control *c = form.Controls().find(control);
        QVERIFY2(c, qPrintable(control));
        QCOMPARE(accessibleName(c->widget()), name);
    }

    void noVisibleControlIsLeftUnnamed_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *window : {"frm_Splash", "frm_Principal", "frm_Tarvelo", "frm_Ficha",
                                   "frm_Orlaneva", "frm_Autores"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }
    void noVisibleControlIsLeftUnnamed()
    {
        QFETCH(QString, window);
        tk::Form &form = show(window);
        QStringList unnamed;
        int seen = 0;
        form.Controls().forEach([&](tk::Control *control) {
            QWidget *widget = control->widget();
            if (!widget->isVisibleTo(form.window()))
                return;
            // A label without text shows nothing: assistive tools pass over it.
            if (auto *label = qobject_cast<QLabel *>(widget); label && label->text().isEmpty())
                return;
            ++seen;
            if (accessibleName(widget).isEmpty())
                unnamed << control->Name();
        });
        QVERIFY(seen >= 5);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", ")));
    }

    void theLabelBesideAnInputIsItsLabel_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("label");
        QTest::newRow("descriptors") << "cboDescriptores"
                                     << "lblProvincia";
        QTest::newRow("levels") << "cboNivelesEducativos"
                                << "Label1";
        QTest::newRow("title") << "txtTitulo"
                               << "Label4";
    }
    void theLabelBesideAnInputIsItsLabel()
    {
        QFETCH(QString, input);
        QFETCH(QString, label);
        tk::Form &form = show(u"frm_Tarvelo"_s);
        QWidget *inputWidget = form.Controls().find(input)->widget();
        QWidget *labelWidget = form.Controls().find(label)->widget();
        QCOMPARE(qobject_cast<QLabel *>(labelWidget)->buddy(), inputWidget);
        // The relation assistive tools follow from the input to its label.
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(inputWidget);
        bool labelled = false;
        for (const auto &relation : iface->relations(QAccessible::Label))
            labelled = labelled || relation.first->object() == labelWidget;
        QVERIFY(labelled);
    }

    void theCountLabelIsReadAsItsCount()
    {
        auto &search = static_cast<frm_Tarvelo &>(show(u"frm_Tarvelo"_s));
        search.txtTitulo.setText(u"cuentos"_s);
        search.cmdBuscar.button()->click();
        QCOMPARE(accessibleName(search.lblTotalFichas.widget()), u"2 Fichas encontradas."_s);
    }

    void tabWalksTheControlsInTheirOrder_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("afterSearch");
        QTest::addColumn<QStringList>("order");

        QTest::newRow("main") << "frm_Principal" << false
                              << QStringList{"cmdGuia",   "cmdBusqueda",     "cmdAutores",
                                             "cmdVolver", "Vertical_Scroll", "Horizontal_Scroll"};
        // The grid takes no focus until a search has found cards.
        QTest::newRow("search") << "frm_Tarvelo" << false
                                << QStringList{"cboDescriptores",  "cboNivelesEducativos",
                                               "txtTitulo",        "cmdBuscar",
                                               "cmdNuevaBusqueda", "cmdVolver"};
        QTest::newRow("search with results")
            << "frm_Tarvelo" << true
            << QStringList{"gridFichas", "cboDescriptores", "cboNivelesEducativos",
                           "txtTitulo",  "cmdBuscar",       "cmdNuevaBusqueda",
                           "cmdVolver"};
        // The never-visible Command1 comes first in the order but never takes the focus; the
        // viewer's bars come after the window's own controls.
        QTest::newRow("card") << "frm_Ficha" << false
                              << QStringList{"cmdVolver", "cmdVinculo", "Vertical_Scroll",
                                             "Horizontal_Scroll"};
        QTest::newRow("guide") << "frm_Orlaneva" << false
                               << QStringList{"cmdVolver", "cmdVinculo", "Vertical_Scroll",
                                              "Horizontal_Scroll"};
        QTest::newRow("authors") << "frm_Autores" << false << QStringList{"cmdVolver"};
    }
    void tabWalksTheControlsInTheirOrder()
    {
        QFETCH(QString, window);
        QFETCH(bool, afterSearch);
        QFETCH(QStringList, order);

        tk::Form &form = show(window);
        QApplication::setActiveWindow(form.window());
        QVERIFY(QTest::qWaitForWindowActive(form.window()));
        if (afterSearch) {
            auto &search = static_cast<frm_Tarvelo &>(form);
            search.cmdBuscar.button()->click();
            search.gridFichas.SetFocus();
        }
        // Once round and back to the first.
        QStringList walked;
        for (int i = 0; i <= order.size(); ++i) {
            walked << focusedControl(form);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(walked, order + QStringList{order.front()});

        // Shift+Tab walks back.
        QStringList back;
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            back.prepend(focusedControl(form));
        }
        QStringList expectedBack = order;
        expectedBack.move(0, expectedBack.size() - 1);
        QCOMPARE(back, expectedBack);
    }

    void accessKeysRunTheSearchAndStartANewOne()
    {
        auto &search = static_cast<frm_Tarvelo &>(show(u"frm_Tarvelo"_s));
        QApplication::setActiveWindow(search.window());
        QVERIFY(QTest::qWaitForWindowActive(search.window()));
        search.txtTitulo.SetFocus();
        QTest::keyClicks(search.txtTitulo.widget(), u"cuentos"_s);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(search.lblTotalFichas.Caption(), u"2 Fichas encontradas."_s);
        QCOMPARE(search.gridFichas.Rows(), 3);
        QVERIFY(search.gridFichas.Enabled());
        QCOMPARE(search.txtTitulo.Text(), u"cuentos"_s);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(search.lblTotalFichas.Caption(), QString());
        QCOMPARE(search.txtTitulo.Text(), QString());
        QCOMPARE(search.gridFichas.Rows(), 2);
        QVERIFY(!search.gridFichas.Enabled());
    }

    void accessKeysActFromAnyControlOfTheWindow_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("descriptor list") << "cboDescriptores";
        QTest::newRow("level list") << "cboNivelesEducativos";
        QTest::newRow("return button") << "cmdVolver";
    }
    void accessKeysActFromAnyControlOfTheWindow()
    {
        QFETCH(QString, from);
        auto &search = static_cast<frm_Tarvelo &>(show(u"frm_Tarvelo"_s));
        QApplication::setActiveWindow(search.window());
        QVERIFY(QTest::qWaitForWindowActive(search.window()));
        search.Controls().find(from)->SetFocus();
        // The lists refuse typed characters; an access key is no typed character.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(search.lblTotalFichas.Caption(), u"3 Fichas encontradas."_s);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
