#include "common/Paths.h"
#include "db/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// What the program relies on in the catalogue the build writes beside it, checked on a fresh
// run of the generator.
class TestSampleCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileIsPlainSqlite();
    void columnsByPosition();
    void everyDescriptorAndLevelIsFound_data();
    void everyDescriptorAndLevelIsFound();
    void cardsCoverTheEdgeCases();
    void picturesScrollInTheViewer();
    void linkedDocumentsExist();
    void guideAndPresentation();
    void syntheticCatalogue();

private:
    std::unique_ptr<db::Recordset> query(const QString &sql);
    QString m_folder;
    QTemporaryDir m_dir;
    db::Connection m_connection;
};

namespace {

const QString kSelect
    = u"SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha "_qs;

bool runTool(const QStringList &arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(SAMPLE_CATALOGUE_TOOL), arguments);
    return tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit
        && tool.exitCode() == 0;
}

QString connectionString(const QString &path)
{
    return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_qs + path
        + u";Persist Security Info=False;Jet OLEDB:Database Password = "_qs;
}

} // namespace

void TestSampleCatalogue::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_folder = m_dir.path();
    QVERIFY(runTool({u"--out"_qs, m_folder}));
    m_connection.ConnectionString = connectionString(m_folder + u"\\fichas.mdb"_qs);
    m_connection.Open();
}

std::unique_ptr<db::Recordset> TestSampleCatalogue::query(const QString &sql)
{
    m_connection.CursorLocation = db::adUseClient;
    return m_connection.Execute(sql);
}

void TestSampleCatalogue::fileIsPlainSqlite()
{
    QFile file(m_folder + u"/fichas.mdb"_qs);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(100);
    QVERIFY(head.startsWith(QByteArray("SQLite format 3\0", 16)));
    // Write and read versions 1: a rollback journal, never WAL, so reading needs no side files.
    QCOMPARE(int(head.at(18)), 1);
    QCOMPARE(int(head.at(19)), 1);
    const QStringList entries = QDir(m_folder).entryList(QDir::Files);
    QCOMPARE(entries, QStringList{u"fichas.mdb"_qs});
}

void TestSampleCatalogue::columnsByPosition()
{
    std::unique_ptr<db::Recordset> rs = query(u" Select * FROM Ficha where id=1"_qs);
    QCOMPARE(rs->RecordCount(), qint64(1));
    QVERIFY(rs->FieldCount() >= 12);
    QCOMPARE(rs->Fields(0).Name(), u"Id"_qs);
    QVERIFY(rs->Fields(0).Value().isInteger());
    QCOMPARE(rs->Fields(1).Name(), u"TITULO"_qs);
    QCOMPARE(rs->Fields(3).Name(), u"ENLACE"_qs);
    QCOMPARE(rs->Fields(11).Name(), u"IMAGEN"_qs);
    QStringList names;
    for (int i = 0; i < rs->FieldCount(); ++i)
        names << rs->Fields(i).Name();
    for (const QString &column : {u"NIVEL_EDUCATIVO"_qs, u"DESCRIPTORES"_qs}) {
        const qsizetype at = names.indexOf(column);
        QVERIFY2(at > 0 && at != 1 && at != 3 && at != 11, qPrintable(column));
    }
}

void TestSampleCatalogue::everyDescriptorAndLevelIsFound_data()
{
    QTest::addColumn<QString>("sql");
    for (const char *d :
         {"Ciencias naturales y sociales", "Educación artística y musical",
          "Educación y ciudadanía/ética", "Lengua y literatura", "Medidas acogida inmigrantes",
          "Relación Familia-Escuela", "Revisión investigaciones"})
        QTest::newRow(d) << kSelect + u"where DESCRIPTORES LIKE '%"_qs + QString::fromUtf8(d)
                + u"%' order by Titulo asc"_qs;
    for (const char *n : {"Formación profesorado.", "Infantil", "Primaria", "Secundaria"})
        QTest::newRow(n) << kSelect + u"where NIVEL_EDUCATIVO LIKE '%"_qs + QString::fromUtf8(n)
                + u"%'  order by Titulo asc"_qs;
}

void TestSampleCatalogue::everyDescriptorAndLevelIsFound()
{
    QFETCH(QString, sql);
    QVERIFY(query(sql)->RecordCount() >= 3);
}

void TestSampleCatalogue::cardsCoverTheEdgeCases()
{
    std::unique_ptr<db::Recordset> rs = query(u"SELECT * FROM Ficha"_qs);
    QVERIFY(rs->RecordCount() >= 50);
    int apostrophes = 0, enye = 0, severalLevels = 0, severalDescriptors = 0, nulls = 0,
        webLinks = 0, documentLinks = 0;
    for (; !rs->isEOF(); rs->MoveNext()) {
        const QString title = rs->Fields(1).Value().toString();
        apostrophes += title.contains(u'\'') ? 1 : 0;
        enye += title.contains(u"ñ"_qs, Qt::CaseInsensitive) ? 1 : 0;
        severalLevels += rs->Fields(4).Value().toString().contains(u',') ? 1 : 0;
        severalDescriptors += rs->Fields(5).Value().toString().contains(u',') ? 1 : 0;
        for (int i = 0; i < 12; ++i)
            nulls += rs->Fields(i).Value().isNull() ? 1 : 0;
        const QString link = rs->Fields(3).Value().toString();
        webLinks += link.startsWith(u"https://"_qs) ? 1 : 0;
        documentLinks += link.startsWith(u"Documentos\\"_qs) ? 1 : 0;
    }
    QVERIFY(apostrophes >= 1);
    QVERIFY(enye >= 1);
    QVERIFY(severalLevels >= 3);
    QVERIFY(severalDescriptors >= 3);
    QVERIFY(nulls >= 3);
    QVERIFY(webLinks >= 10);
    QVERIFY(documentLinks >= 3);
}

void TestSampleCatalogue::picturesScrollInTheViewer()
{
    std::unique_ptr<db::Recordset> rs = query(u"SELECT Id, IMAGEN FROM Ficha"_qs);
    int pictures = 0, without = 0;
    for (; !rs->isEOF(); rs->MoveNext()) {
        const db::Value &name = rs->Fields(1).Value();
        if (name.isNull() || name.toString().isEmpty()) {
            ++without;
            continue;
        }
        const QString path = orlaneva::nativePath(m_folder + u"\\Fichas\\"_qs + name.toString());
        const QSize size = QImageReader(path).size();
        QVERIFY2(size.width() > 1010 && size.height() > 650, qPrintable(path));
        ++pictures;
    }
    QVERIFY(pictures >= 50);
    QVERIFY(without >= 1);
    qint64 total = 0;
    for (const QString &folder : {u"/Fichas"_qs, u"/Documentos"_qs})
        for (const QFileInfo &info : QDir(m_folder + folder).entryInfoList(QDir::Files))
            total += info.size();
    QVERIFY2(total < 15'000'000, qPrintable(QString::number(total)));
}

void TestSampleCatalogue::linkedDocumentsExist()
{
    std::unique_ptr<db::Recordset> rs
        = query(u"SELECT ENLACE FROM Ficha WHERE ENLACE LIKE 'Documentos%'"_qs);
    QVERIFY(rs->RecordCount() > 0);
    for (; !rs->isEOF(); rs->MoveNext()) {
        const QString path
            = orlaneva::nativePath(m_folder + u"\\"_qs + rs->Fields(0).Value().toString());
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        QVERIFY(file.read(5) == "%PDF-");
    }
}

void TestSampleCatalogue::guideAndPresentation()
{
    const QString documents = m_folder + u"\\Documentos\\"_qs;
    const QSize presentation
        = QImageReader(orlaneva::nativePath(documents + u"Presentación.bmp"_qs)).size();
    QVERIFY(presentation.width() > 1010);
    const QSize cover = QImageReader(orlaneva::nativePath(documents + u"Orlaneva.bmp"_qs)).size();
    QVERIFY(cover.width() > 1010 && cover.height() > 700);

    QFile guide(orlaneva::nativePath(documents + u"Orlaneva.pdf"_qs));
    QVERIFY(guide.open(QIODevice::ReadOnly));
    const QByteArray pdf = guide.readAll();
    QVERIFY(pdf.startsWith("%PDF-"));
    const QRegularExpressionMatch pages
        = QRegularExpression(u"/Count (\\d+)"_qs).match(QString::fromLatin1(pdf));
    QVERIFY(pages.hasMatch());
    QVERIFY(pages.captured(1).toInt() >= 3);
}

void TestSampleCatalogue::syntheticCatalogue()
{
    const QString folder = m_dir.filePath(u"synthetic"_qs);
    QVERIFY(runTool({u"--synthetic"_qs, u"5000"_qs, u"--out"_qs, folder}));
    db::Connection c;
    c.ConnectionString = connectionString(folder + u"/fichas.mdb"_qs);
    c.Open();
    c.CursorLocation = db::adUseClient;
    QCOMPARE(c.Execute(kSelect + u"order by Titulo asc"_qs)->RecordCount(), qint64(5000));
    // The benchmarks' "every card" criteria match every card.
    QCOMPARE(c.Execute(kSelect + u"where Titulo LIKE '%de%' order by Titulo asc"_qs)->RecordCount(),
             qint64(5000));
    const qint64 rare = c.Execute(kSelect
                                  + u"where DESCRIPTORES LIKE '%Revisión investigaciones%' "
                                    "order by Titulo asc"_qs)
                            ->RecordCount();
    QVERIFY2(rare > 0 && rare < 100, qPrintable(QString::number(rare)));
    QVERIFY(!QFileInfo::exists(folder + u"/Fichas"_qs));
}

QTEST_GUILESS_MAIN(TestSampleCatalogue)
#include "tst_samplecatalogue.moc"
