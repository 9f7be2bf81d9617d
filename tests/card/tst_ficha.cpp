#include "app/Module1.h"
#include "card/frm_Ficha.h"
#include "db/Connection.h"
#include "frame/CommonFrame.h"
#include "guide/frm_Orlaneva.h"
#include "toolkit/Services.h"

#include "ShellRecorder.h"
#include "TestSupport.h"

#include <QToolButton>
#include <QtTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// Every statement that any catalogue connection of this process runs, as it was written.
QStringList g_statements;

int recordStatement(unsigned type, void *, void *statement, void *)
{
    if (type == SQLITE_TRACE_STMT)
        g_statements << QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt *>(statement)));
    return 0;
}

int traceConnection(sqlite3 *db, char **, const sqlite3_api_routines *)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, recordStatement, nullptr);
    return SQLITE_OK;
}

QStringList cardQueries()
{
    QStringList queries;
    for (const QString &statement : g_statements)
        if (statement.contains(u"Ficha where id="_s))
            queries << statement;
    return queries;
}

const QString kCaptionTail
    = u" /  Pinche en el botón de Intenet para abrir el enlace asociado a cada Ficha."_s;

const std::vector<testing::Card> kCards{
    {1, u"Mapa de Galicia"_s, u"Primaria"_s, u"Geografía"_s, u"https://www.xunta.gal/mapa"_s,
     u"1.png"_s},
    {2, u"Cuentos populares"_s, u"Infantil"_s, u"Lengua"_s, u"Documentos\\cuentos.pdf"_s,
     u"2.png"_s},
    {3, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {4, u"Sin imagen"_s, u"ESO"_s, u"Música"_s, QString(), QString()},
    {5, u"Enlace en blanco"_s, u"ESO"_s, u"Música"_s, u"   "_s, u"5.png"_s},
    {7, u"Ficha siete"_s, u"ESO"_s, u"Historia"_s, u"https://example.org/7"_s, u"1.png"_s},
};

tk::PictureBox *imageBox(tk::Form &form)
{
    return dynamic_cast<tk::PictureBox *>(form.Controls().find(u"pic_Imagen"_s));
}

void click(tk::CommandButton &button)
{
    button.button()->click();
}

// A click on the container's own surface, away from the picture the viewer holds.
void clickContainer(tk::PictureBox &container, QPoint at = QPoint(800, 500))
{
    QTest::mouseClick(container.client(), Qt::LeftButton, {}, at);
}

void show(tk::Form &form)
{
    tk::dispatch([&] {
        if (auto *card = dynamic_cast<frm_Ficha *>(&form))
            card->Show();
        else
            form.Show();
    });
}

// The parts both link windows share, looked up by window name.
struct LinkWindowParts
{
    tk::Form &form;
    tk::CommandButton &cmdVinculo;
    tk::CommandButton &cmdVolver;
    tk::PictureBox &PicContenedor;
    tk::PictureBox &logo;
    tk::Label &Label;
    tk::HiddenButton &Command1;
};

LinkWindowParts partsOf(const QString &window)
{
    if (window == u"frm_Ficha"_s) {
        frm_Ficha &f = frm_Ficha::Default();
        return {f, f.cmdVinculo, f.cmdVolver, f.PicContenedor, f.Picture(3), f.Label, f.Command1};
    }
    frm_Orlaneva &g = frm_Orlaneva::Default();
    return {g, g.cmdVinculo, g.cmdVolver, g.PicContenedor, g.Picture(3), g.Label, g.Command1};
}

void addWindowRows()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("card") << u"frm_Ficha"_s;
    QTest::newRow("guide") << u"frm_Orlaneva"_s;
}

int stackIndex(tk::Control &control)
{
    return control.widget()->parentWidget()->children().indexOf(control.widget());
}

} // namespace

class TestFicha : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::AppFolder> m_folder;
    std::unique_ptr<testing::MsgBoxRecorder> m_boxes;
    std::unique_ptr<testing::EndRecorder> m_ends;
    std::unique_ptr<testing::ShellRecorder> m_shell;

    void expectNoMessageAndNoEnd()
    {
        QCOMPARE(m_boxes->boxes.size(), size_t(0));
        QCOMPARE(m_ends->codes.size(), size_t(0));
    }

private slots:
    void initTestCase() { sqlite3_auto_extension(reinterpret_cast<void (*)()>(traceConnection)); }

    void init()
    {
        m_folder = std::make_unique<testing::AppFolder>(kCards);
        m_folder->writeDocuments();
        m_folder->writePicture(u"Fichas/1.png"_s, {300, 200});
        m_folder->writePicture(u"Fichas/2.png"_s, {150, 500}, Qt::darkRed);
        m_folder->writePicture(u"Fichas/5.png"_s, {40, 40});
        m_boxes = std::make_unique<testing::MsgBoxRecorder>();
        m_ends = std::make_unique<testing::EndRecorder>();
        m_shell = std::make_unique<testing::ShellRecorder>();
        Module1::iIdFicha = 1;
        g_statements.clear();
    }

    void cleanup()
    {
        tk::dispatch([] {
            frm_Ficha::Default().Unload();
            frm_Orlaneva::Default().Unload();
        });
        testing::flushEvents();
        m_shell.reset();
        m_ends.reset();
        m_boxes.reset();
        m_folder.reset();
    }

    void commandTextIsTheQueryByIdAsWritten_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qint64>("rows");
        QTest::newRow("7") << 7 << u" Select * FROM Ficha where id=7"_s << qint64(1);
        QTest::newRow("zero") << 0 << u" Select * FROM Ficha where id=0"_s << qint64(0);
        QTest::newRow("negative") << -3 << u" Select * FROM Ficha where id=-3"_s << qint64(0);
        QTest::newRow("past 16 bits")
            << 40000 << u" Select * FROM Ficha where id=40000"_s << qint64(0);
    }

    void commandTextIsTheQueryByIdAsWritten()
    {
        QFETCH(qint32, id);
        QFETCH(QString, expected);
        QFETCH(qint64, rows);
        db::Connection conexion;
        conexion.ConnectionString = frame::connectionString(m_folder->file(u"fichas.mdb"_s));
        conexion.Open();
        conexion.CursorLocation = db::adUseServer;
        Module1::iIdFicha = id;
        g_statements.clear();

        const auto rsFicha = frm_Ficha::Default().FNC_ConsultaPoridFicha(conexion);

        QCOMPARE(cardQueries(), QStringList{expected});
        QCOMPARE(conexion.CursorLocation, db::adUseClient);
        QCOMPARE(rsFicha->RecordCount(), rows);
        if (rows > 0)
            QCOMPARE(rsFicha->Fields(1).Value().toString(), u"Ficha siete"_s);
        QVERIFY(!frm_Ficha::Default().isLoaded());
    }

    void captionComesFromColumnOne_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("caption");
        QTest::newRow("title") << 1 << u"Datos de la Ficha: Mapa de Galicia"_s + kCaptionTail;
        QTest::newRow("null title") << 3 << u"Datos de la Ficha: "_s + kCaptionTail;
        QTest::newRow("no such card") << 99 << u"Datos de la Ficha: "_s + kCaptionTail;
    }

    void captionComesFromColumnOne()
    {
        QFETCH(qint32, id);
        QFETCH(QString, caption);
        Module1::iIdFicha = id;
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        QVERIFY(f.isVisible());
        QCOMPARE(f.Caption(), caption);
        QCOMPARE(f.window()->windowTitle(), caption);
        expectNoMessageAndNoEnd();
    }

    void pictureComesFromColumnEleven_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("picture") << 1 << QSize(300, 200);
        QTest::newRow("null name") << 3 << QSize();
        QTest::newRow("empty name") << 4 << QSize();
        QTest::newRow("no such card") << 99 << QSize();
    }

    void pictureComesFromColumnEleven()
    {
        QFETCH(qint32, id);
        QFETCH(QSize, picture);
        Module1::iIdFicha = id;
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        tk::PictureBox *image = imageBox(f);
        QVERIFY(image);
        if (picture.isValid()) {
            QVERIFY(image->Visible());
            QCOMPARE(image->Picture().size(), picture);
        } else {
            QVERIFY(!image->hasPicture());
            QVERIFY(!image->Visible());
        }
        expectNoMessageAndNoEnd();
    }

    void twoClicksOpenTheLinkTwiceEachWithAFreshRead()
    {
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        g_statements.clear();
        click(f.cmdVinculo);
        // A connection kept from the first click would still see the old link.
        std::vector<testing::Card> changed = kCards;
        changed[0].enlace = u"https://www.xunta.gal/mapa-nuevo"_s;
        m_folder->writeCatalogue(changed);
        click(f.cmdVinculo);

        QCOMPARE(
            m_shell->files(),
            (QStringList{u"https://www.xunta.gal/mapa"_s, u"https://www.xunta.gal/mapa-nuevo"_s}));
        QCOMPARE(cardQueries().size(), 2);
        for (const tk::ShellExecuteRequest &request : m_shell->requests) {
            QCOMPARE(request.owner, f.hWnd());
            QCOMPARE(request.operation, u"Open"_s);
            QCOMPARE(request.parameters, QString());
            QCOMPARE(request.directory, u"0"_s);
            QCOMPARE(request.showCommand, 1);
        }
        expectNoMessageAndNoEnd();
    }

    void cardHandedOverWhileOpenIsShownAndItsLinkOpened()
    {
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        g_statements.clear();
        show(f); // the same card again: only brought to the front
        QCOMPARE(cardQueries().size(), 0);

        Module1::iIdFicha = 2;
        show(f);
        QCOMPARE(f.Caption(), u"Datos de la Ficha: Cuentos populares"_s + kCaptionTail);
        QCOMPARE(imageBox(f)->Picture().size(), QSize(150, 500));
        click(f.cmdVinculo);
        clickContainer(f.PicContenedor);
        QCOMPARE(m_shell->files(),
                 (QStringList{u"Documentos\\cuentos.pdf"_s, u"Documentos\\cuentos.pdf"_s}));

        // A card without a picture must not keep the previous card's.
        Module1::iIdFicha = 4;
        show(f);
        QCOMPARE(f.Caption(), u"Datos de la Ficha: Sin imagen"_s + kCaptionTail);
        QVERIFY(!imageBox(f)->hasPicture());

        // Even a choice that arrives without a Show is on screen before its link opens.
        Module1::iIdFicha = 1;
        click(f.cmdVinculo);
        QCOMPARE(f.Caption(), u"Datos de la Ficha: Mapa de Galicia"_s + kCaptionTail);
        QCOMPARE(imageBox(f)->Picture().size(), QSize(300, 200));
        QCOMPARE(m_shell->files().last(), u"https://www.xunta.gal/mapa"_s);
        expectNoMessageAndNoEnd();
    }

    void cardHandedOverIsShownThroughAnyWindowReference()
    {
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        Module1::iIdFicha = 2;
        tk::Form &window = f;
        tk::dispatch([&] { window.Show(); });
        QCOMPARE(f.Caption(), u"Datos de la Ficha: Cuentos populares"_s + kCaptionTail);
        QCOMPARE(imageBox(f)->Picture().size(), QSize(150, 500));
        expectNoMessageAndNoEnd();
    }

    void containerClickOpensTheLinkOnlyInTheCardWindow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("card") << u"frm_Ficha"_s << QStringList{u"https://www.xunta.gal/mapa"_s};
        QTest::newRow("guide") << u"frm_Orlaneva"_s << QStringList{};
    }

    void containerClickOpensTheLinkOnlyInTheCardWindow()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, opened);
        LinkWindowParts parts = partsOf(window);
        show(parts.form);
        const int beeps = tk::beepCountForTesting();
        clickContainer(parts.PicContenedor);
        // A click on the picture is the picture's, not the container's.
        QTest::mouseClick(imageBox(parts.form)->client(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(m_shell->files(), opened);
        QCOMPARE(tk::beepCountForTesting(), beeps);
        expectNoMessageAndNoEnd();
    }

    void linkWithoutTargetOnlyBeeps_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<int>("beeps");
        QTest::newRow("null link") << 3 << 2;
        QTest::newRow("empty link") << 4 << 2;
        QTest::newRow("blank link") << 5 << 2;
        QTest::newRow("no such card") << 99 << 0;
    }

    void linkWithoutTargetOnlyBeeps()
    {
        QFETCH(qint32, id);
        QFETCH(int, beeps);
        Module1::iIdFicha = id;
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        const int before = tk::beepCountForTesting();
        click(f.cmdVinculo);
        clickContainer(f.PicContenedor);
        QCOMPARE(tk::beepCountForTesting() - before, beeps);
        QCOMPARE(m_shell->requests.size(), size_t(0));
        QVERIFY(f.isVisible());
        expectNoMessageAndNoEnd();
    }

    void layoutRuleLeavesTheStripBelowTheContainer_data() { addWindowRows(); }

    void layoutRuleLeavesTheStripBelowTheContainer()
    {
        QFETCH(QString, window);
        LinkWindowParts parts = partsOf(window);
        show(parts.form);
        QCOMPARE(parts.form.ScaleWidth(), 15180);
        QCOMPARE(parts.form.ScaleHeight(), 10455);

        // The first layout still sees the designed 615-twip Command1.
        tk::PictureBox &box = parts.PicContenedor;
        QCOMPARE(QRect(box.Left(), box.Top(), box.Width(), box.Height()),
                 QRect(10, 10, 15160, 9720));
        tk::HiddenButton &strip = parts.Command1;
        QCOMPARE(QRect(strip.Left(), strip.Top(), strip.Width(), strip.Height()),
                 QRect(13120, 9790, 2000, 375));

        parts.form.handleResize();
        QCOMPARE(QRect(box.Left(), box.Top(), box.Width(), box.Height()),
                 QRect(10, 10, 15160, 9960));
        QCOMPARE(strip.Top(), 10030);
        QVERIFY(!strip.Visible());
        // The viewer follows its container.
        auto *vertical = parts.form.Controls().find(u"Vertical_Scroll"_s);
        QVERIFY(vertical);
        QCOMPARE(vertical->Height(), 9960);
        expectNoMessageAndNoEnd();
    }

    void minimisedWindowLeavesTheContainerInPlace()
    {
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        f.window()->showMinimized();
        QTRY_VERIFY(f.window()->isMinimized());
        f.handleResize();
        QCOMPARE(f.PicContenedor.Width(), 15160);
        QCOMPARE(f.PicContenedor.Height(), 9720);
        expectNoMessageAndNoEnd();
    }

    void buttonsStayInFrontAndFocusStartsOnReturn_data() { addWindowRows(); }

    void buttonsStayInFrontAndFocusStartsOnReturn()
    {
        QFETCH(QString, window);
        LinkWindowParts parts = partsOf(window);
        show(parts.form);
        QVERIFY(stackIndex(parts.cmdVinculo) > stackIndex(parts.logo));
        QVERIFY(stackIndex(parts.logo) > stackIndex(parts.cmdVolver));
        QVERIFY(stackIndex(parts.cmdVolver) > stackIndex(parts.PicContenedor));
        QVERIFY(stackIndex(parts.PicContenedor) > stackIndex(parts.Label));
        QTRY_COMPARE(parts.form.window()->focusWidget(), parts.cmdVolver.widget());
    }

    void viewerBarsFollowTheWindowsControlsInTheTabOrder_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("afterLinkButton");
        // The guide's cover overflows both ways; the card's picture fits, so no bar is shown.
        QTest::newRow("guide") << u"frm_Orlaneva"_s
                               << QStringList{u"Vertical_Scroll"_s, u"Horizontal_Scroll"_s,
                                              u"cmdVolver"_s, u"cmdVinculo"_s};
        QTest::newRow("card") << u"frm_Ficha"_s
                              << QStringList{u"cmdVolver"_s, u"cmdVinculo"_s, u"cmdVolver"_s,
                                             u"cmdVinculo"_s};
    }
    void viewerBarsFollowTheWindowsControlsInTheTabOrder()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, afterLinkButton);
        LinkWindowParts parts = partsOf(window);
        show(parts.form);
        QVERIFY(QTest::qWaitForWindowActive(parts.form.window()));
        parts.cmdVinculo.SetFocus();
        QStringList order;
        for (qsizetype i = 0; i < afterLinkButton.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, afterLinkButton);
    }

    void linkButtonsAsDesigned_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("returnLeft");
        QTest::addColumn<QSize>("bitmap");
        QTest::newRow("card") << u"frm_Ficha"_s << u"Abrir enlace"_s << 11640 << 13965
                              << QSize(49, 44);
        QTest::newRow("guide") << u"frm_Orlaneva"_s << u"Descargar guía"_s << 11520 << 13845
                               << QSize(45, 43);
    }

    void linkButtonsAsDesigned()
    {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(int, left);
        QFETCH(int, returnLeft);
        QFETCH(QSize, bitmap);
        LinkWindowParts parts = partsOf(window);
        show(parts.form);
        QCOMPARE(parts.cmdVinculo.Caption(), caption);
        QCOMPARE(parts.cmdVinculo.ToolTipText(),
                 u"Haga clic en el botón para abrir el vínculo asociado a la Ficha."_s);
        QCOMPARE(parts.cmdVinculo.Left(), left);
        QCOMPARE(parts.cmdVolver.Left(), returnLeft);
        QCOMPARE(parts.cmdVinculo.button()->iconSize(), bitmap);
        QCOMPARE(parts.cmdVinculo.button()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }

    void returnUnloadsAndTheNextOpeningStartsAfresh()
    {
        frm_Ficha &f = frm_Ficha::Default();
        show(f);
        click(f.cmdVolver);
        testing::flushEvents();
        QVERIFY(!f.isLoaded());
        const auto &loaded = tk::Forms();
        QVERIFY(std::find(loaded.begin(), loaded.end(), &f) == loaded.end());

        Module1::iIdFicha = 2;
        show(f);
        QCOMPARE(f.Caption(), u"Datos de la Ficha: Cuentos populares"_s + kCaptionTail);
        QCOMPARE(imageBox(f)->Picture().size(), QSize(150, 500));
        QCOMPARE(f.PicContenedor.Height(), 9720);
        expectNoMessageAndNoEnd();
    }

    void missingCatalogueEndsTheProgramAtLoad_data() { addWindowRows(); }

    void missingCatalogueEndsTheProgramAtLoad()
    {
        QFETCH(QString, window);
        QVERIFY(QFile::remove(m_folder->file(u"fichas.mdb"_s)));
        LinkWindowParts parts = partsOf(window);
        show(parts.form);
        QCOMPARE(m_boxes->boxes.size(), size_t(1));
        QVERIFY(m_boxes->boxes[0].buttons & tk::vbCritical);
        QVERIFY(m_boxes->boxes[0].prompt.contains(u"fichas.mdb"_s));
        QCOMPARE(m_ends->codes, std::vector<int>{1});
        QVERIFY(!parts.form.isLoaded());
    }
};

QTEST_MAIN(TestFicha)
#include "tst_ficha.moc"
