// The search statements give the same rows on a Jet catalogue as on the same catalogue in
// SQLite, through db::Connection.
#include "JetTestSupport.h"

#include "db/Connection.h"
#include "db/JetSnapshot.h"
#include "jetwriter/JetWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

const QString kSelect = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha");

// Titles that sort and match only when case and accents are handled, ties included.
const QStringList kTitles = {QStringLiteral("Árbol de la vida"),
                             QStringLiteral("arbol de la vida"),
                             QStringLiteral("El agua y la energía"),
                             QStringLiteral("Ñandúes del sur"),
                             QStringLiteral("Nubes y lluvia"),
                             QStringLiteral("Óptica para niños"),
                             QStringLiteral("L'aigua: cicle"),
                             QStringLiteral("AGUA DULCE"),
                             QStringLiteral("ecosistemas"),
                             QStringLiteral("Zoología"),
                             QStringLiteral("niño y niña"),
                             QStringLiteral("Cigüeñas"),
                             QString()};
const QStringList kLevels = {QStringLiteral("Educación Infantil"), QStringLiteral("Primaria"),
                             QStringLiteral("Primaria, Secundaria"), QStringLiteral("SECUNDARIA"),
                             QStringLiteral("Bachillerato")};
const QStringList kDescriptors
    = {QStringLiteral("Matemáticas"), QStringLiteral("Ciencias de la Naturaleza, Matemáticas"),
       QStringLiteral("Lengua Castellana"), QStringLiteral("Educación Artística"),
       QStringLiteral("ciencias sociales")};

QList<jetwriter::Row> cards()
{
    QList<jetwriter::Row> rows;
    for (int id = 1; id <= 90; ++id) {
        const QString title = kTitles[id % kTitles.size()];
        rows.append(jetwriter::Row{
            id, id % 23 == 0 ? QVariant() : QVariant(title.isNull() ? QString() : title),
            id % 11 == 0 ? QVariant() : QVariant(kLevels[id % kLevels.size()]),
            QStringLiteral("http://ejemplo.es/%1.pdf").arg(id),
            id % 13 == 0 ? QVariant() : QVariant(kDescriptors[(id / 2) % kDescriptors.size()]),
            QStringLiteral("O'Donnell"), QVariant(), QStringLiteral("2004"), QStringLiteral("PDF"),
            QStringLiteral("Español"), QStringLiteral("Resumen de la ficha %1").arg(id),
            id % 3 ? QVariant(QStringLiteral("ficha%1.jpg").arg(id)) : QVariant(),
            id % 2 ? QVariant() : QVariant(QString())});
    }
    return rows;
}

void writeSqlite(const QString &path, const QList<jetwriter::Column> &columns,
                 const QList<jetwriter::Row> &rows)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QStringList definitions, marks;
    for (const jetwriter::Column &c : columns) {
        definitions.append(c.name
                           + (c.type == jetwriter::ColumnType::Long ? QStringLiteral(" INTEGER")
                                                                    : QStringLiteral(" TEXT")));
        marks.append(QStringLiteral("?"));
    }
    const QByteArray create = QStringLiteral("CREATE TABLE Ficha (%1)")
                                  .arg(definitions.join(QStringLiteral(", ")))
                                  .toUtf8();
    QCOMPARE(sqlite3_exec(db, create.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt *insert = nullptr;
    const QByteArray sql = QStringLiteral("INSERT INTO Ficha VALUES (%1)")
                               .arg(marks.join(QLatin1Char(',')))
                               .toUtf8();
    QCOMPARE(sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr), SQLITE_OK);
    for (const jetwriter::Row &row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            if (!row[i].isValid()) {
                sqlite3_bind_null(insert, i + 1);
            } else if (columns[i].type == jetwriter::ColumnType::Long) {
                sqlite3_bind_int64(insert, i + 1, row[i].toLongLong());
            } else {
                const QByteArray text = row[i].toString().toUtf8();
                sqlite3_bind_text(insert, i + 1, text.constData(), int(text.size()),
                                  SQLITE_TRANSIENT);
            }
        }
        QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

struct Result
{
    qint64 count = 0;
    QStringList names;
    QList<QList<db::Value>> rows;
};

// Opens and queries exactly as the windows do.
Result search(const QString &path, const QString &sql)
{
    db::Connection connection;
    connection.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
        + path + QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password = ");
    connection.Open(QString(), QString(), -1);
    connection.CursorLocation = db::adUseClient;
    long affected = 0;
    const std::unique_ptr<db::Recordset> records = connection.Execute(sql, &affected, -1);
    Result result;
    result.count = records->RecordCount();
    for (int i = 0; i < records->FieldCount(); ++i)
        result.names.append(records->Fields(i).Name());
    if (records->isEOF())
        return result;
    records->MoveFirst();
    while (!records->isEOF()) {
        QList<db::Value> row;
        for (int i = 0; i < records->FieldCount(); ++i)
            row.append(records->Fields(i).Value());
        result.rows.append(row);
        records->MoveNext();
    }
    return result;
}

} // namespace

class tst_JetSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameRowsAsSqlite_data();
    void sameRowsAsSqlite();

private:
    QTemporaryDir m_dir;
    QString m_jet;
    QString m_sqlite;
};

void tst_JetSearch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QList<jetwriter::Row> rows = cards();
    m_jet = m_dir.filePath(QStringLiteral("jet/fichas.mdb"));
    m_sqlite = m_dir.filePath(QStringLiteral("sqlite/fichas.mdb"));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("jet")));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("sqlite")));
    jetwriter::writeDatabase(m_jet, {{QStringLiteral("Ficha"), jetwriter::fichaColumns(), rows}});
    writeSqlite(m_sqlite, jetwriter::fichaColumns(), rows);
    const QString difference = jettest::differenceFromExport(db::jet::readSnapshot(m_jet).get(),
                                                             m_jet, QStringLiteral("Ficha"));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void tst_JetSearch::sameRowsAsSqlite_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("least"); // rows the statement must at least find

    struct Criteria
    {
        const char *tag;
        QString level, descriptor, title;
    };
    const QList<Criteria> criteria = {
        {"plain", QStringLiteral("Primaria"), QStringLiteral("Matemáticas"),
         QStringLiteral("agua")},
        {"other case and no accents", QStringLiteral("secundaria"), QStringLiteral("MATEMATICAS"),
         QStringLiteral("ARBOL")},
        {"apostrophe", QStringLiteral("PRIMARIA"), QStringLiteral("ciencias"),
         QStringLiteral("l''aigua")},
        {"empty", QString(), QString(), QString()},
        {"nothing found", QStringLiteral("Universidad"), QStringLiteral("Física"),
         QStringLiteral("zzz")},
    };
    QTest::newRow("every card") << kSelect + QStringLiteral(" order by Titulo asc") << 80;
    for (const Criteria &c : criteria) {
        const QString n = c.level, d = c.descriptor, t = c.title;
        const int some = QByteArray(c.tag) == "nothing found" ? 0 : 1;
        const auto row = [&](const char *which, const QString &where) {
            QTest::addRow("%s, %s", c.tag, which) << kSelect + QStringLiteral(" where ") + where
                    + QStringLiteral(" order by Titulo asc")
                                                  << some;
        };
        row("descriptor", QStringLiteral("DESCRIPTORES LIKE '%%1%'").arg(d));
        // Two blanks before "order by", as the level-only statement has them.
        QTest::addRow("%s, level", c.tag) << kSelect
                + QStringLiteral(" where NIVEL_EDUCATIVO LIKE '%%1%'  order by Titulo asc").arg(n)
                                          << some;
        row("level and descriptor",
            QStringLiteral("NIVEL_EDUCATIVO LIKE '%%1%' AND DESCRIPTORES LIKE '%%2%'").arg(n, d));
        row("title", QStringLiteral("Titulo LIKE '%%1%'").arg(t));
        row("descriptor and title",
            QStringLiteral("DESCRIPTORES LIKE '%%1%' AND TITULO LIKE '%%2%'").arg(d, t));
        row("level and title",
            QStringLiteral("NIVEL_EDUCATIVO LIKE '%%1%' AND TITULO LIKE '%%2%'").arg(n, t));
        row("all three",
            QStringLiteral("NIVEL_EDUCATIVO LIKE '%%1%' AND DESCRIPTORES LIKE '%%2%' AND TITULO "
                           "LIKE '%%3%'")
                .arg(n, d, t));
    }
    QTest::newRow("one card, whole row") << QStringLiteral(" Select * FROM Ficha where id=7") << 1;
    QTest::newRow("card with Nulls") << QStringLiteral(" Select * FROM Ficha where id=66") << 1;
}

void tst_JetSearch::sameRowsAsSqlite()
{
    QFETCH(QString, sql);
    QFETCH(int, least);
    const Result jet = search(m_jet, sql);
    const Result sqlite = search(m_sqlite, sql);
    QCOMPARE(jet.names, sqlite.names);
    QCOMPARE(jet.count, sqlite.count);
    QCOMPARE(jet.count, qint64(jet.rows.size()));
    QVERIFY2(jet.count >= least, qPrintable(QString::number(jet.count)));
    for (qsizetype r = 0; r < jet.rows.size(); ++r) {
        for (qsizetype c = 0; c < jet.rows[r].size(); ++c) {
            const db::Value &a = jet.rows[r][c];
            const db::Value &b = sqlite.rows[r][c];
            QVERIFY2(a == b,
                     qPrintable(QStringLiteral("row %1, %2: Jet '%3' (%4), SQLite '%5' (%6)")
                                    .arg(r)
                                    .arg(jet.names[c], a.toString())
                                    .arg(int(a.type()))
                                    .arg(b.toString())
                                    .arg(int(b.type()))));
        }
    }
}

QTEST_GUILESS_MAIN(tst_JetSearch)
#include "tst_jetsearch.moc"
