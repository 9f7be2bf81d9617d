#include "app/frm_Principal.h"
#include "card/frm_Ficha.h"
#include "guide/frm_Orlaneva.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/CatalogueFolder.h"
#include "toolkit/Desktop.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

bool showsPicture(tk::Form &form)
{
    auto *image = dynamic_cast<tk::PictureBox *>(form.Controls().find(u"pic_Imagen"_s));
    return image && image->Visible() && image->hasPicture();
}

// Records what would reach the desktop, as the windows composed it.
class ShellRecorder
{
public:
    ShellRecorder()
    {
        tk::setShellExecuteHandler([this](const tk::ShellExecuteRequest &request) {
            files << request.file;
            return int(tk::SE_OK);
        });
    }
    ~ShellRecorder() { tk::setShellExecuteHandler(nullptr); }
    QStringList files;
};

} // namespace

// An installed program: nothing beside the executable, the catalogue in a data folder.
class TestInstalledCatalogue : public QObject
{
    Q_OBJECT

    QTemporaryDir m_program;
    QTemporaryDir m_userData;

private slots:
    void cleanup()
    {
        tk::dispatch([] {
            frm_Ficha::dropDefault();
            frm_Tarvelo::dropDefault();
            frm_Orlaneva::dropDefault();
            frm_Principal::dropDefault();
        });
        testing::flushEvents();
        tk::App::setPathForTesting(QString());
        tk::App::setDataFoldersForTesting(std::nullopt);
    }

    void everyWindowReadsTheFolderWhereTheCatalogueWasFound()
    {
        testing::AppFolder catalogue(
            {{7, u"Cuentos del mundo"_s, u"Primaria"_s, u"Lengua y literatura"_s,
              u"https://example.org"_s, u"7.png"_s}});
        catalogue.writeDocuments();
        catalogue.writePicture(u"Fichas/7.png"_s, {200, 200});
        tk::App::setPathForTesting(m_program.path());
        tk::App::setDataFoldersForTesting(QStringList{m_userData.path(), catalogue.path()});
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        ShellRecorder shell;

        frm_Principal &main = frm_Principal::Default();
        tk::dispatch([&] { main.Show(); });
        QVERIFY(showsPicture(main));
        main.cmdBusqueda.button()->click();
        frm_Tarvelo &search = frm_Tarvelo::Default();
        search.cmdBuscar.button()->click();
        QCOMPARE(search.lblTotalFichas.Caption(), u"1 Fichas encontradas."_s);
        search.gridFichas.setRow(1);
        tk::dispatch(search.gridFichas.DblClick);
        QVERIFY(frm_Ficha::hasDefault() && frm_Ficha::Default().isVisible());
        QVERIFY(showsPicture(frm_Ficha::Default()));
        main.cmdGuia.button()->click();
        QVERIFY(showsPicture(frm_Orlaneva::Default()));
        frm_Orlaneva::Default().cmdVinculo.button()->click();

        QVERIFY(boxes.boxes.empty());
        QVERIFY(ends.codes.empty());
        QCOMPARE(shell.files.size(), 2);
        QCOMPARE(shell.files.back(), catalogue.path() + u"\\Documentos\\Orlaneva.pdf"_s);
    }

    // found: whether the data folder holds an (empty) fichas.mdb; the message names the
    // folders looked in only when none holds one.
    void theStartUpMessageSaysWhereItLooked_data()
    {
        QTest::addColumn<bool>("found");
        QTest::newRow("none anywhere") << false;
        QTest::newRow("an empty one in a data folder") << true;
    }
    void theStartUpMessageSaysWhereItLooked()
    {
        QFETCH(bool, found);
        QTemporaryDir system;
        if (found) {
            QFile mdb(system.filePath(u"fichas.mdb"_s));
            QVERIFY(mdb.open(QIODevice::WriteOnly));
        }
        tk::App::setPathForTesting(m_program.path());
        tk::App::setDataFoldersForTesting(QStringList{m_userData.path(), system.path()});
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;

        tk::dispatch([] { frm_Principal::Default().Show(); });

        QCOMPARE(ends.codes, std::vector<int>({1}));
        QCOMPARE(boxes.boxes.size(), size_t(1));
        const QString prompt = boxes.boxes[0].prompt;
        if (found) {
            QVERIFY2(prompt.contains(system.filePath(u"fichas.mdb"_s)), qPrintable(prompt));
            QVERIFY2(!prompt.contains(u"Se ha buscado"_s), qPrintable(prompt));
        } else {
            QVERIFY2(prompt.contains(u"No se pudo encontrar el archivo"_s), qPrintable(prompt));
            const QString list = u"Se ha buscado fichas.mdb en estas carpetas:\n%1\n%2\n%3\n"_s.arg(
                m_program.path(), m_userData.path(), system.path());
            QVERIFY2(prompt.contains(list), qPrintable(prompt));
            QVERIFY2(prompt.contains(u"copie fichas.mdb y las carpetas Fichas y Documentos en "_s
                                     + m_userData.path()),
                     qPrintable(prompt));
        }
    }
};

QTEST_MAIN(TestInstalledCatalogue)
#include "tst_installedcatalogue.moc"
