#include "guide/frm_Orlaneva.h"
#include "toolkit/Services.h"

#include "ShellRecorder.h"
#include "TestSupport.h"

#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestOrlaneva : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::AppFolder> m_folder;
    std::unique_ptr<testing::MsgBoxRecorder> m_boxes;
    std::unique_ptr<testing::EndRecorder> m_ends;
    std::unique_ptr<testing::ShellRecorder> m_shell;

private slots:
    void init()
    {
        m_folder = std::make_unique<testing::AppFolder>();
        m_folder->writeDocuments();
        m_boxes = std::make_unique<testing::MsgBoxRecorder>();
        m_ends = std::make_unique<testing::EndRecorder>();
        m_shell = std::make_unique<testing::ShellRecorder>();
    }

    void cleanup()
    {
        tk::dispatch([] { frm_Orlaneva::Default().Unload(); });
        testing::flushEvents();
        m_shell.reset();
        m_ends.reset();
        m_boxes.reset();
        m_folder.reset();
    }

    void showsTheCoverUnderAFixedTitle()
    {
        frm_Orlaneva &g = frm_Orlaneva::Default();
        tk::dispatch([&] { g.Show(); });
        auto *image = dynamic_cast<tk::PictureBox *>(g.Controls().find(u"pic_Imagen"_s));
        QVERIFY(image);
        QCOMPARE(image->Picture().size(), QSize(1100, 900));
        g.cmdVinculo.button()->click();
        QCOMPARE(g.Caption(), u"Orlaneva. - Guía."_s);
        QCOMPARE(g.window()->windowTitle(), u"Orlaneva. - Guía."_s);
        QVERIFY(m_boxes->boxes.empty());
    }

    void everyClickOpensTheGuideDocument()
    {
        frm_Orlaneva &g = frm_Orlaneva::Default();
        tk::dispatch([&] { g.Show(); });
        g.cmdVinculo.button()->click();
        g.cmdVinculo.button()->click();
        const QString pdf = m_folder->path() + u"\\Documentos\\Orlaneva.pdf"_s;
        QCOMPARE(m_shell->files(), (QStringList{pdf, pdf}));
        for (const tk::ShellExecuteRequest &request : m_shell->requests) {
            QCOMPARE(request.owner, g.hWnd());
            QCOMPARE(request.operation, u"Open"_s);
            QCOMPARE(request.parameters, QString());
            QCOMPARE(request.directory, u"0"_s);
            QCOMPARE(request.showCommand, 1);
        }
        QVERIFY(m_boxes->boxes.empty());
    }

    void everyClickOpensTheCatalogueAgain()
    {
        frm_Orlaneva &g = frm_Orlaneva::Default();
        tk::dispatch([&] { g.Show(); });
        QVERIFY(QFile::remove(m_folder->file(u"fichas.mdb"_s)));
        g.cmdVinculo.button()->click();
        // The catalogue is opened before the document is handed over, so nothing opens.
        QCOMPARE(m_shell->requests.size(), size_t(0));
        QCOMPARE(m_boxes->boxes.size(), size_t(1));
        QCOMPARE(m_ends->codes, std::vector<int>{1});
    }
};

QTEST_MAIN(TestOrlaneva)
#include "tst_orlaneva.moc"
