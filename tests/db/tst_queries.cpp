#include "CatalogueFixture.h"

#include "common/Error.h"
#include "db/Connection.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// The statements the windows send, exactly as they build them, on a small catalogue whose
// titles mix case, accents, Null and empty values.
class TestQueries : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void searches_data();
    void searches();
    void searchColumns();
    void cardById();
    void cardNotFound();
    void serverCursorHasNoCount();
    void orderHoldsForAnyFicha();
    void changedFileIsReadAgain();
    void connectionStringWithBackslashes();

private:
    db::Connection openConnection(const QString &path);
    QString m_path;
    QTemporaryDir m_dir;
};

namespace {

const QString kSelect
    = u"SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha "_qs;
const QString kClose = u"%' "_qs;
const QString kOrder = u"order by Titulo asc"_qs;

QString byDescriptor(const QString &d)
{
    return kSelect + u"where DESCRIPTORES LIKE '%"_qs + d + kClose + kOrder;
}
QString byLevel(const QString &n)
{
    return kSelect + u"where NIVEL_EDUCATIVO LIKE '%"_qs + n + kClose + u" "_qs + kOrder;
}
QString byLevelDescriptor(const QString &n, const QString &d)
{
    return kSelect + u"where NIVEL_EDUCATIVO LIKE '%"_qs + n + kClose
        + u"AND DESCRIPTORES LIKE '%"_qs + d + kClose + kOrder;
}
QString byTitle(const QString &t)
{
    return kSelect + u"where Titulo LIKE '%"_qs + t + kClose + kOrder;
}
QString byDescriptorTitle(const QString &d, const QString &t)
{
    return kSelect + u"where DESCRIPTORES LIKE '%"_qs + d + kClose + u"AND TITULO LIKE '%"_qs + t
        + kClose + kOrder;
}
QString byLevelTitle(const QString &n, const QString &t)
{
    return kSelect + u"where NIVEL_EDUCATIVO LIKE '%"_qs + n + kClose + u"AND TITULO LIKE '%"_qs + t
        + kClose + kOrder;
}
QString byAll(const QString &n, const QString &d, const QString &t)
{
    return kSelect + u"where NIVEL_EDUCATIVO LIKE '%"_qs + n + kClose
        + u"AND DESCRIPTORES LIKE '%"_qs + d + kClose + u"AND TITULO LIKE '%"_qs + t + kClose
        + kOrder;
}

QString connectionString(const QString &path)
{
    return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_qs + path
        + u";Persist Security Info=False;Jet OLEDB:Database Password = "_qs;
}

QList<qint64> ids(db::Recordset &rs)
{
    QList<qint64> result;
    while (!rs.isEOF()) {
        result << rs.Fields(0).Value().toInteger();
        rs.MoveNext();
    }
    return result;
}

QList<fixture::Card> cards()
{
    const QVariant null;
    return {
        {1, u"Érase una vez un cuento"_qs, u"Infantil, Primaria"_qs, u"Lengua y literatura"_qs},
        {2, u"El agua en casa"_qs, u"Primaria"_qs, u"Ciencias naturales y sociales"_qs},
        {3, u"animales del bosque"_qs, u"Infantil"_qs, u"Ciencias naturales y sociales"_qs},
        {4, u"Cuentos del mundo"_qs, u"Secundaria"_qs,
         u"Lengua y literatura, Medidas acogida inmigrantes"_qs},
        {5, null, u"Primaria"_qs, null},
        {6, u"Ñandúes y niños"_qs, null, u"Educación artística y musical"_qs},
        {7, u"MÚSICA EN LA ESCUELA"_qs, u"Primaria"_qs, u"Educación artística y musical"_qs},
        {8, u"Nubes"_qs, u"Formación profesorado."_qs, u"Revisión investigaciones"_qs},
        {9, u"100% reciclado"_qs, u"Secundaria"_qs, u"Educación y ciudadanía/ética"_qs},
        {10, u"Guía [básica] de lectura"_qs, u"Primaria"_qs, u"Lengua y literatura"_qs},
        {11, u"La escuela y la familia"_qs, u"Infantil, Primaria, Secundaria"_qs,
         u"Relación Familia-Escuela"_qs},
        {12, QString(u""_qs), u"Primaria"_qs, u"Lengua y literatura"_qs},
        {13, u"Tema 10: la célula"_qs, u"Secundaria"_qs, u"Ciencias naturales y sociales"_qs},
        {14, u"Tema 9: los tejidos"_qs, u"Secundaria"_qs, u"Ciencias naturales y sociales"_qs},
    };
}

} // namespace

void TestQueries::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(u"fichas.mdb"_qs);
    fixture::writeCatalogue(m_path, cards());
}

db::Connection TestQueries::openConnection(const QString &path)
{
    db::Connection c;
    c.ConnectionString = connectionString(path);
    c.Open(QString(), QString(), db::adOptionUnspecified);
    return c;
}

void TestQueries::searches_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QList<qint64>>("expected");

    // Null titles first, then the empty title, then numbers, then letters.
    QTest::newRow("all cards") << kSelect + kOrder
                               << QList<qint64>{5, 12, 9, 3, 4, 2, 1, 10, 11, 7, 8, 6, 14, 13};
    QTest::newRow("descriptor inside a longer value")
        << byDescriptor(u"Lengua y literatura"_qs) << QList<qint64>{12, 4, 1, 10};
    QTest::newRow("descriptor without accents or capitals")
        << byDescriptor(u"educacion ARTISTICA"_qs) << QList<qint64>{7, 6};
    QTest::newRow("level, Null title and shared levels")
        << byLevel(u"Primaria"_qs) << QList<qint64>{5, 12, 2, 1, 10, 11, 7};
    QTest::newRow("level: Null level never matches")
        << byLevel(QString()) << QList<qint64>{5, 12, 9, 3, 4, 2, 1, 10, 11, 7, 8, 14, 13};
    QTest::newRow("level with its dot")
        << byLevel(u"formacion profesorado."_qs) << QList<qint64>{8};
    QTest::newRow("level and descriptor")
        << byLevelDescriptor(u"Primaria"_qs, u"Lengua y literatura"_qs) << QList<qint64>{12, 1, 10};
    QTest::newRow("title word") << byTitle(u"cuento"_qs) << QList<qint64>{4, 1};
    QTest::newRow("title in capitals without accent") << byTitle(u"ERASE"_qs) << QList<qint64>{1};
    QTest::newRow("title accented, stored in capitals")
        << byTitle(u"música"_qs) << QList<qint64>{7};
    QTest::newRow("title ñ") << byTitle(u"NIÑOS"_qs) << QList<qint64>{6};
    QTest::newRow("title: n is not ñ") << byTitle(u"ninos"_qs) << QList<qint64>{};
    QTest::newRow("blank title after trimming")
        << byTitle(QString()) << QList<qint64>{12, 9, 3, 4, 2, 1, 10, 11, 7, 8, 6, 14, 13};
    QTest::newRow("percent typed in the title") << byTitle(u"cuento%mundo"_qs) << QList<qint64>{4};
    QTest::newRow("underscore typed in the title") << byTitle(u"n_bes"_qs) << QList<qint64>{8};
    QTest::newRow("percent sign in a title is a wildcard too")
        << byTitle(u"100%"_qs) << QList<qint64>{9};
    QTest::newRow("bracket matches itself") << byTitle(u"[basica]"_qs) << QList<qint64>{10};
    QTest::newRow("no character classes") << byTitle(u"[a-z]"_qs) << QList<qint64>{};
    QTest::newRow("numbers by value") << byTitle(u"tema"_qs) << QList<qint64>{14, 13};
    QTest::newRow("descriptor and title")
        << byDescriptorTitle(u"Lengua y literatura"_qs, u"cuento"_qs) << QList<qint64>{4, 1};
    QTest::newRow("level and title")
        << byLevelTitle(u"Infantil"_qs, u"escuela"_qs) << QList<qint64>{11};
    QTest::newRow("all three criteria")
        << byAll(u"Primaria"_qs, u"Lengua y literatura"_qs, u"cuento"_qs) << QList<qint64>{1};
    QTest::newRow("no card found")
        << byAll(u"Secundaria"_qs, u"Relación"_qs, u"cuento"_qs) << QList<qint64>{};
}

void TestQueries::searches()
{
    QFETCH(QString, sql);
    QFETCH(QList<qint64>, expected);
    db::Connection c = openConnection(m_path);
    c.CursorLocation = db::adUseClient;
    long affected = 0;
    std::unique_ptr<db::Recordset> rs = c.Execute(sql, &affected, db::adOptionUnspecified);
    QCOMPARE(rs->RecordCount(), qint64(expected.size()));
    QCOMPARE(rs->BOF(), expected.isEmpty());
    QCOMPARE(rs->isEOF(), expected.isEmpty());
    if (!expected.isEmpty())
        rs->MoveFirst();
    QCOMPARE(ids(*rs), expected);
    QVERIFY(rs->isEOF());
}

void TestQueries::searchColumns()
{
    db::Connection c = openConnection(m_path);
    c.CursorLocation = db::adUseClient;
    std::unique_ptr<db::Recordset> rs = c.Execute(byLevel(u"Primaria"_qs));
    QCOMPARE(rs->FieldCount(), 4);
    QCOMPARE(rs->Fields(0).Name(), u"Id"_qs);
    QCOMPARE(rs->Fields(1).Name(), u"TITULO"_qs);
    QCOMPARE(rs->Fields(2).Name(), u"NIVEL_EDUCATIVO"_qs);
    QCOMPARE(rs->Fields(3).Name(), u"DESCRIPTORES"_qs);

    // First row: card 5, Null title and descriptors; second: card 12, empty title.
    QVERIFY(rs->Fields(0).Value().isInteger());
    QCOMPARE(rs->Fields(0).Value().toString(), u"5"_qs);
    QVERIFY(rs->Fields(1).Value().isNull());
    QCOMPARE(rs->Fields(1).Value().toString(), QString());
    QVERIFY(rs->Fields(3).Value().isNull());
    QCOMPARE(rs->Fields(2).Value().toString(), u"Primaria"_qs);
    rs->MoveNext();
    QCOMPARE(rs->Fields(0).Value().toString(), u"12"_qs);
    QVERIFY(!rs->Fields(1).Value().isNull());
    QVERIFY(rs->Fields(1).Value().isText());
    QCOMPARE(rs->Fields(1).Value().toString(), QString());
}

void TestQueries::cardById()
{
    db::Connection c = openConnection(m_path);
    c.CursorLocation = db::adUseClient;
    std::unique_ptr<db::Recordset> rs
        = c.Execute(u" Select * FROM Ficha where id="_qs + QString::number(7));
    QCOMPARE(rs->RecordCount(), qint64(1));
    QCOMPARE(rs->FieldCount(), 12);
    QCOMPARE(rs->Fields(0).Value().toString(), u"7"_qs);
    QCOMPARE(rs->Fields(1).Value().toString(), u"MÚSICA EN LA ESCUELA"_qs);
    QCOMPARE(rs->Fields(3).Value().toString(), u"https://example.org/"_qs);
    QCOMPARE(rs->Fields(4).Value().toString(), u"Primaria"_qs);
    QCOMPARE(rs->Fields(7).Value(), db::Value(qint64(2004)));
    QVERIFY(rs->Fields(10).Value().isNull());
    QCOMPARE(rs->Fields(11).Value().toString(), u"ficha.png"_qs);
    QCOMPARE(rs->Fields(11).Name(), u"IMAGEN"_qs);
    rs->MoveNext();
    QVERIFY(rs->isEOF());
    QVERIFY(!rs->BOF());
}

void TestQueries::cardNotFound()
{
    db::Connection c = openConnection(m_path);
    c.CursorLocation = db::adUseClient;
    for (const QString &id : {u"999"_qs, u"-3"_qs}) {
        std::unique_ptr<db::Recordset> rs = c.Execute(u" Select * FROM Ficha where id="_qs + id);
        QCOMPARE(rs->RecordCount(), qint64(0));
        QVERIFY(rs->BOF());
        QVERIFY(rs->isEOF());
        QCOMPARE(rs->FieldCount(), 12);
        try {
            rs->Fields(1).Value();
            QFAIL("a field of no row was read");
        } catch (const orlaneva::Error &e) {
            QCOMPARE(e.number(), 3021);
            QVERIFY(e.description().contains(m_path));
        }
    }
}

// A server-side cursor counts no rows, as in ADO: a caller that forgets the client-side
// cursor sees -1, not a count.
void TestQueries::serverCursorHasNoCount()
{
    db::Connection c = openConnection(m_path);
    QCOMPARE(c.CursorLocation, db::adUseServer);
    std::unique_ptr<db::Recordset> rs = c.Execute(kSelect + kOrder);
    QCOMPARE(rs->RecordCount(), qint64(-1));
    QCOMPARE(ids(*rs).size(), 14);
    c.CursorLocation = db::adUseClient;
    QCOMPARE(c.Execute(kSelect + kOrder)->RecordCount(), qint64(14));
}

// Whatever the file declares (no types, a binary or case-only collation), the title order is
// the Spanish one and Id reads back as a whole number.
void TestQueries::orderHoldsForAnyFicha()
{
    const QString path = m_dir.filePath(u"otra.mdb"_qs);
    fixture::writeDatabase(
        path,
        {u"CREATE TABLE FICHA (id, titulo COLLATE BINARY, c2, c3, NIVEL_EDUCATIVO COLLATE NOCASE, "
         "DESCRIPTORES, c6, c7, c8, c9, c10, c11)"_qs,
         u"INSERT INTO FICHA (id, titulo, NIVEL_EDUCATIVO) VALUES (1, 'zorro', 'Primaria'), "
         "(2, 'Ñu', 'primaria'), (3, 'Árbol', 'PRIMARIA'), (4, 'nube', 'Infantil'), "
         "(5, 'Unidad 10', 'Primaria'), (6, 'unidad 2', 'Primaria')"_qs,
         u"CREATE TABLE Otra (x)"_qs});
    db::Connection c = openConnection(path);
    c.CursorLocation = db::adUseClient;
    std::unique_ptr<db::Recordset> rs = c.Execute(kSelect + kOrder);
    QVERIFY(rs->Fields(0).Value().isInteger());
    QCOMPARE(ids(*rs), (QList<qint64>{3, 4, 2, 6, 5, 1}));
    rs = c.Execute(byLevel(u"primaría"_qs));
    QCOMPARE(ids(*rs), (QList<qint64>{3, 2, 6, 5, 1}));
}

// The snapshot behind the connections must never outlive a change to the file.
void TestQueries::changedFileIsReadAgain()
{
    const QString path = m_dir.filePath(u"cambia.mdb"_qs);
    fixture::writeCatalogue(path, {{1, u"Primera"_qs, u"Primaria"_qs, u"Lengua y literatura"_qs}});
    db::Connection first = openConnection(path);
    first.CursorLocation = db::adUseClient;
    QCOMPARE(first.Execute(kSelect + kOrder)->RecordCount(), qint64(1));

    fixture::writeCatalogue(path,
                            {{1, u"Primera"_qs, u"Primaria"_qs, u"Lengua y literatura"_qs},
                             {2, u"Segunda"_qs, u"Primaria"_qs, u"Lengua y literatura"_qs}});
    db::Connection second = openConnection(path);
    second.CursorLocation = db::adUseClient;
    QCOMPARE(second.Execute(kSelect + kOrder)->RecordCount(), qint64(2));
}

void TestQueries::connectionStringWithBackslashes()
{
    // The windows compose "<folder>\fichas.mdb".
    db::Connection c = openConnection(QDir::toNativeSeparators(m_dir.path()) + u"\\fichas.mdb"_qs);
    QCOMPARE(c.path(), QDir::toNativeSeparators(m_path));
    c.CursorLocation = db::adUseClient;
    QCOMPARE(c.Execute(kSelect + kOrder)->RecordCount(), qint64(14));
}

QTEST_GUILESS_MAIN(TestQueries)
#include "tst_queries.moc"
