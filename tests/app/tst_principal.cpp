#include "app/Module1.h"
#include "app/frm_Autores.h"
#include "app/frm_Principal.h"
#include "card/frm_Ficha.h"
#include "guide/frm_Orlaneva.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QToolButton>
#include <QtTest>

namespace {

// Names of the top-level windows in the order they were hidden.
class HideJournal : public QObject
{
public:
    HideJournal() { qApp->installEventFilter(this); }
    ~HideJournal() override { qApp->removeEventFilter(this); }
    QStringList hidden;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (event->type() == QEvent::Hide && widget && widget->isWindow()
            && widget->objectName().startsWith(QLatin1String("frm_")))
            hidden << widget->objectName();
        return false;
    }
};

void click(tk::CommandButton &button)
{
    button.button()->click();
}

} // namespace

class TestPrincipal : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::AppFolder> m_folder;
    std::unique_ptr<testing::MsgBoxRecorder> m_boxes;
    std::unique_ptr<testing::EndRecorder> m_ends;

private slots:
    void init()
    {
        m_folder = std::make_unique<testing::AppFolder>(
            std::vector<testing::Card>{{1, "Cuentos del mundo", "Primaria", "Lengua y literatura",
                                        "https://example.org", "1.png"}});
        m_folder->writeDocuments();
        m_folder->writePicture("Fichas/1.png", {200, 200});
        m_boxes = std::make_unique<testing::MsgBoxRecorder>();
        m_ends = std::make_unique<testing::EndRecorder>();
    }
    void cleanup()
    {
        tk::dispatch([] {
            frm_Ficha::dropDefault();
            frm_Tarvelo::dropDefault();
            frm_Orlaneva::dropDefault();
            frm_Autores::dropDefault();
            frm_Principal::dropDefault();
        });
        testing::flushEvents();
        m_ends.reset();
        m_boxes.reset();
        m_folder.reset();
    }

    void eachButtonOpensOneWindowAndReloadsItAfterItsReturn_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("guide") << "cmdGuia"
                               << "frm_Orlaneva";
        QTest::newRow("search") << "cmdBusqueda"
                                << "frm_Tarvelo";
        QTest::newRow("authors") << "cmdAutores"
                                 << "frm_Autores";
    }
    void eachButtonOpensOneWindowAndReloadsItAfterItsReturn()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        frm_Principal &main = frm_Principal::Default();
        tk::dispatch([&] { main.Show(); });
        auto *opener = main.window()->findChild<QToolButton *>(button);
        QVERIFY(opener);

        opener->click();
        opener->click();
        std::vector<QWidget *> windows;
        for (tk::Form *form : tk::Forms())
            if (form->Name() == window)
                windows.push_back(form->window());
        QCOMPARE(windows.size(), size_t(1));
        QVERIFY(windows[0]->isVisible());
        QVERIFY(main.isVisible());

        auto *volver = windows[0]->findChild<QToolButton *>(QStringLiteral("cmdVolver"));
        QVERIFY(volver);
        volver->click();
        QCOMPARE(tk::Forms().size(), size_t(1));
        QVERIFY(main.isVisible());

        opener->click();
        QCOMPARE(tk::Forms().size(), size_t(2));
        QVERIFY(tk::Forms()[1]->window() != windows[0]);
        QVERIFY(m_boxes->boxes.empty());
    }

    void closingTheMainWindowUnloadsTheOthersOldestFirstThenEnds_data()
    {
        QTest::addColumn<bool>("titleBar");
        QTest::newRow("cmdVolver") << false;
        QTest::newRow("title bar") << true;
    }
    void closingTheMainWindowUnloadsTheOthersOldestFirstThenEnds()
    {
        QFETCH(bool, titleBar);
        frm_Principal &main = frm_Principal::Default();
        tk::dispatch([&] { main.Show(); });
        click(main.cmdBusqueda);
        Module1::iIdFicha = 1;
        tk::dispatch([] { frm_Ficha::Default().Show(); });
        QCOMPARE(tk::Forms().size(), size_t(3));

        HideJournal journal;
        if (titleBar)
            main.window()->close();
        else
            click(main.cmdVolver);

        QCOMPARE(journal.hidden, QStringList({"frm_Tarvelo", "frm_Ficha"}));
        QCOMPARE(m_ends->codes, std::vector<int>({0}));
        QVERIFY(m_boxes->boxes.empty());
        QVERIFY(!main.Controls().find(QStringLiteral("pic_Imagen")));
    }

    void minimisingLeavesTheContainerAndRestoringLaysItOut()
    {
        frm_Principal &main = frm_Principal::Default();
        tk::dispatch([&] { main.Show(); });
        QCOMPARE(main.PicContenedor.Width(), 15160);
        QCOMPARE(main.PicContenedor.Left(), 10);
        QCOMPARE(main.PicContenedor.Top(), 3200);
        QCOMPARE(main.PicContenedor.Height(), 7000);

        main.window()->showMinimized();
        QCOMPARE(main.ScaleWidth(), 0);
        main.window()->resize(900, 697);
        QCOMPARE(main.PicContenedor.Width(), 15160);
        QVERIFY(m_boxes->boxes.empty());

        main.window()->showNormal();
        QCOMPARE(main.PicContenedor.Width(), main.ScaleWidth() - 20);
        QCOMPARE(main.PicContenedor.Width(), 900 * 15 - 20);
    }

    void missingPresentationPictureIsReportedByTheViewer()
    {
        QFile::remove(m_folder->file("Documentos/Presentación.bmp"));
        frm_Principal &main = frm_Principal::Default();
        tk::dispatch([&] { main.Show(); });
        QCOMPARE(m_boxes->boxes.size(), size_t(1));
        QCOMPARE(m_boxes->boxes[0].title, QStringLiteral("Error en SetPicture"));
        QVERIFY(main.isVisible());
        tk::Control *image = main.Controls().find(QStringLiteral("pic_Imagen"));
        QVERIFY(image);
        QVERIFY(!image->Visible());
        QVERIFY(m_ends->codes.empty());
    }
};

QTEST_MAIN(TestPrincipal)
#include "tst_principal.moc"
