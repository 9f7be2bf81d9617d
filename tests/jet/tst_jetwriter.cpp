// Files of the fixture writer, read back through the snapshot and through mdbtools.
#include "JetTestSupport.h"

#include "common/Error.h"
#include "db/Catalogue.h"
#include "db/JetHeader.h"
#include "db/JetSnapshot.h"
#include "jetwriter/JetWriter.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <clocale>

using jetwriter::Column;
using jetwriter::ColumnType;
using jetwriter::Row;
using jetwriter::Table;

namespace {

// Cards with what real catalogues hold: Nulls, empty texts, accents, apostrophes, quotes,
// commas and line breaks, characters that Jet's compression cannot take, memos of every
// length.
QList<Row> cards(int count, const QList<int> &memoLengths)
{
    const QStringList titles = {QStringLiteral("Él niño y la cigüeña"),
                                QStringLiteral("L'aigua: cicle i usos"),
                                QStringLiteral("¿Qué es un \"ecosistema\"?"),
                                QStringLiteral("Ñandúes, ñus y ñoquis"),
                                QStringLiteral("Ābaco de Āfrica"),
                                QStringLiteral("“Comillas” – y € 10")};
    QList<Row> rows;
    for (int i = 1; i <= count; ++i) {
        const QString memo = memoLengths.isEmpty()
            ? QStringLiteral("Resumen %1.\nSegunda línea.").arg(i)
            : QString(memoLengths[i % memoLengths.size()], QChar(u'a' + i % 26));
        rows.append(Row{
            i,
            i % 17 == 0 ? QVariant() : QVariant(titles[i % titles.size()] + QString::number(i)),
            i % 5 == 0 ? QVariant() : QVariant(QStringLiteral("Primaria, Secundaria")),
            QStringLiteral("http://ejemplo.es/ficha%1.pdf").arg(i),
            i % 7 == 0 ? QVariant(QString()) : QVariant(QStringLiteral("Ciencias, Lengua")),
            QStringLiteral("O'Donnell, Begoña"),
            QVariant(),
            QStringLiteral("2001"),
            QString(),
            QStringLiteral("Español"),
            memo,
            i % 3 == 0 ? QVariant() : QVariant(QStringLiteral("ficha%1.jpg").arg(i)),
            i % 4 == 0 ? QVariant(QString()) : QVariant(QStringLiteral("Obs. 'última'")),
        });
    }
    return rows;
}

QVariantList expected(const Row &row, const QList<Column> &columns)
{
    QVariantList values;
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QVariant &v = row[i];
        if (!v.isValid())
            values.append(columns[i].type == ColumnType::Boolean ? QVariant(0LL) : QVariant());
        else if (columns[i].type == ColumnType::Boolean)
            values.append(QVariant(v.toBool() ? 1LL : 0LL));
        else if (columns[i].type == ColumnType::Long || columns[i].type == ColumnType::Integer)
            values.append(QVariant(v.toLongLong()));
        else if (columns[i].type == ColumnType::Double)
            values.append(QVariant(v.toDouble()));
        else
            values.append(QVariant(v.toString()));
    }
    return values;
}

void expectError(const QString &path, int number, const QString &start)
{
    try {
        db::openCatalogue(path);
        QFAIL("opened");
    } catch (const orlaneva::Error &e) {
        QCOMPARE(e.number(), number);
        QVERIFY2(e.description().startsWith(start), qPrintable(e.description()));
        QVERIFY(e.description().contains(path));
    }
}

} // namespace

class tst_JetWriter : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void password_data();
    void password();
    void charactersOutsideTheBmp();
    void overlongTableName();
    void valuesIgnoreLocaleAndCharset();

private:
    QString write(const QString &name, const QList<Table> &tables,
                  const jetwriter::Options &options = {});
    QTemporaryDir m_dir;
};

QString tst_JetWriter::write(const QString &name, const QList<Table> &tables,
                             const jetwriter::Options &options)
{
    const QString path = m_dir.filePath(name);
    jetwriter::writeDatabase(path, tables, options);
    return path;
}

void tst_JetWriter::roundTrip_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("memoLengths");
    QTest::addColumn<bool>("compress");
    QTest::addColumn<bool>("referenceMaps");
    QTest::newRow("empty table") << 0 << QList<int>() << true << false;
    QTest::newRow("one page") << 4 << QList<int>() << true << false;
    QTest::newRow("several pages") << 400 << QList<int>() << true << false;
    QTest::newRow("uncompressed text") << 60 << QList<int>() << false << false;
    QTest::newRow("usage map of pages") << 400 << QList<int>() << true << true;
    // 0 and 1000 inline, 3000 on a long-value page, 5000 and 20000 chained over pages.
    QTest::newRow("memos of every length")
        << 30 << QList<int>{0, 1000, 3000, 5000, 20000} << true << false;
    QTest::newRow("uncompressed long memos")
        << 12 << QList<int>{1000, 3000, 9000} << false << false;
}

void tst_JetWriter::roundTrip()
{
    QFETCH(int, count);
    QFETCH(QList<int>, memoLengths);
    QFETCH(bool, compress);
    QFETCH(bool, referenceMaps);
    jetwriter::Options options;
    options.compressText = compress;
    options.referenceUsageMaps = referenceMaps;
    const Table ficha{QStringLiteral("Ficha"), jetwriter::fichaColumns(),
                      cards(count, memoLengths)};
    const Table other{QStringLiteral("Otra tabla"),
                      {{QStringLiteral("Clave"), ColumnType::Long},
                       {QStringLiteral("Texto"), ColumnType::Text, 20}},
                      {{1, QStringLiteral("uno")}, {2, QVariant()}}};
    const QString path
        = write(QStringLiteral("%1.mdb").arg(QTest::currentDataTag()), {ficha, other}, options);

    const auto snapshot = db::jet::readSnapshot(path);
    for (const Table &table : {ficha, other}) {
        const jettest::Rows rows = jettest::snapshotRows(snapshot.get(), table.name);
        QStringList names;
        for (const Column &c : table.columns)
            names.append(c.name);
        QCOMPARE(rows.columns, names);
        QCOMPARE(rows.rows.size(), table.rows.size());
        for (qsizetype r = 0; r < table.rows.size(); ++r)
            QCOMPARE(rows.rows[r], expected(table.rows[r], table.columns));
        const QString difference = jettest::differenceFromExport(snapshot.get(), path, table.name);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
    QString error;
    QCOMPARE(jettest::mdbTables(path, &error), (QStringList{ficha.name, other.name}));
}

void tst_JetWriter::password_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<double>("created");
    QTest::newRow("plain") << "secreto" << 44568.68;
    QTest::newRow("accented") << "contraseña" << 38135.74;
    QTest::newRow("twenty characters") << "abcdefghijklmnopqrst" << 1.5;
    QTest::newRow("created at zero") << "x" << 0.0;
}

void tst_JetWriter::password()
{
    QFETCH(QString, password);
    QFETCH(double, created);
    jetwriter::Options options;
    options.password = password;
    options.creationDate = created;
    const QString path
        = write(QStringLiteral("password-%1.mdb").arg(QTest::currentDataTag()),
                {{QStringLiteral("Ficha"), jetwriter::fichaColumns(), cards(3, {})}}, options);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto header = db::jet::parseHeader(file.read(4096));
    QVERIFY(header);
    QVERIFY(header->passwordSet);
    QCOMPARE(header->password, password);
    expectError(path, -2147217843, QStringLiteral("La contraseña no es válida."));
    // libmdb itself ignores the password: the file is otherwise whole.
    QString error;
    QCOMPARE(jettest::mdbExport(path, QStringLiteral("Ficha"), &error).rows.size(), 3);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void tst_JetWriter::charactersOutsideTheBmp()
{
    // libmdb's own conversion turns these into '?'; the snapshot keeps them.
    const QString text = QStringLiteral("Mapa 🌍 y 𝄞");
    // Half a pair, as a careless writer may leave it, becomes U+FFFD.
    const QString lone = QString(QChar(0xD83C)) + QStringLiteral("y");
    const QString loneEnd = QStringLiteral("z") + QString(QChar(0xDF0D));
    const Table table{QStringLiteral("Ficha"),
                      {{QStringLiteral("Id"), ColumnType::Long},
                       {QStringLiteral("TITULO"), ColumnType::Text},
                       {QStringLiteral("RESUMEN"), ColumnType::Memo}},
                      {{1, text, text}, {2, lone, loneEnd}}};
    const QString path = write(QStringLiteral("astral.mdb"), {table});
    const auto snapshot = db::jet::readSnapshot(path);
    const jettest::Rows rows = jettest::snapshotRows(snapshot.get(), QStringLiteral("Ficha"));
    QCOMPARE(rows.rows.value(0), (QVariantList{1LL, text, text}));
    QCOMPARE(rows.rows.value(1),
             (QVariantList{2LL, QStringLiteral("\uFFFDy"), QStringLiteral("z\uFFFD")}));
    // mdb-export reads the same rows, with '?' for what it cannot convert.
    QString error;
    const jettest::Rows exported = jettest::mdbExport(path, QStringLiteral("Ficha"), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(exported.rows.size(), 2);
    QCOMPARE(exported.rows[0][0].toString(), QStringLiteral("1"));
    QVERIFY(exported.rows[0][1].toString().startsWith(QStringLiteral("Mapa ")));
}

void tst_JetWriter::overlongTableName()
{
    // Access keeps names to 64 characters; a damaged catalogue may hold 200 two-byte ones,
    // more than the 256 bytes libmdb keeps of a name. The table is read under the shorter name.
    const QString name(200, QChar(u'ñ'));
    const QString path = write(QStringLiteral("long-name.mdb"),
                               {{name, {{QStringLiteral("Id"), ColumnType::Long}}, {{42}}}});
    const auto snapshot = db::jet::readSnapshot(path);
    sqlite3_stmt *statement = nullptr;
    QCOMPARE(sqlite3_prepare_v2(snapshot.get(), "SELECT name FROM sqlite_schema", -1, &statement,
                                nullptr),
             SQLITE_OK);
    QCOMPARE(sqlite3_step(statement), SQLITE_ROW);
    const QString stored
        = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    QVERIFY2(stored.startsWith(QString(100, QChar(u'ñ'))) && stored.size() < name.size(),
             qPrintable(stored));
    QCOMPARE(jettest::snapshotRows(snapshot.get(), stored).rows,
             (QList<QVariantList>{{QVariant(42LL)}}));
}

void tst_JetWriter::valuesIgnoreLocaleAndCharset()
{
    const double leapDay
        = QDate(1899, 12, 30).daysTo(QDate(2024, 2, 29)) + (13 * 3600 + 45 * 60 + 30) / 86400.0;
    const Table table{QStringLiteral("Año"),
                      {{QStringLiteral("Descripción"), ColumnType::Text},
                       {QStringLiteral("Precio"), ColumnType::Double},
                       {QStringLiteral("Fecha"), ColumnType::DateTime},
                       {QStringLiteral("Activo"), ColumnType::Boolean},
                       {QStringLiteral("Cantidad"), ColumnType::Integer}},
                      {{QStringLiteral("Cigüeña"), 1234.5, leapDay, true, -5},
                       {QString(), -0.25, 0.75, false, 32767},
                       {QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}}};
    // Before 1899-12-30 the whole days count back and the time still runs forward; mdb-export
    // leaves such dates unformatted, so this table is only read by the snapshot.
    const Table old{QStringLiteral("Antiguas"),
                    {{QStringLiteral("Fecha"), ColumnType::DateTime}},
                    {{-1.25}, {-0.5}, {-36522.0}}};
    const QString path = write(QStringLiteral("locale.mdb"), {table, old});

    // A decimal comma where the machine has such a locale, and a charset libmdb would
    // otherwise convert names and text into.
    const QByteArray previous = std::setlocale(LC_ALL, nullptr);
    bool comma = false;
    for (const char *name : {"es_ES.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.utf8"})
        if (std::setlocale(LC_ALL, name)) {
            comma = true;
            break;
        }
    qputenv("MDBICONV", "ISO-8859-1");
    std::shared_ptr<sqlite3> snapshot;
    try {
        snapshot = db::jet::readSnapshot(path);
    } catch (...) {
        qunsetenv("MDBICONV");
        std::setlocale(LC_ALL, previous.constData());
        throw;
    }
    qunsetenv("MDBICONV");
    std::setlocale(LC_ALL, previous.constData());

    const jettest::Rows rows = jettest::snapshotRows(snapshot.get(), QStringLiteral("Año"));
    QCOMPARE(rows.columns,
             (QStringList{QStringLiteral("Descripción"), QStringLiteral("Precio"),
                          QStringLiteral("Fecha"), QStringLiteral("Activo"),
                          QStringLiteral("Cantidad")}));
    QCOMPARE(rows.rows.value(0),
             (QVariantList{QStringLiteral("Cigüeña"), 1234.5, QStringLiteral("2024-02-29 13:45:30"),
                           1LL, -5LL}));
    QCOMPARE(rows.rows.value(1),
             (QVariantList{QString(), -0.25, QStringLiteral("1899-12-30 18:00:00"), 0LL, 32767LL}));
    QCOMPARE(rows.rows.value(2),
             (QVariantList{QVariant(), QVariant(), QVariant(), 0LL, QVariant()}));
    const QString difference
        = jettest::differenceFromExport(snapshot.get(), path, QStringLiteral("Año"));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    if (!comma)
        qInfo("no locale with a decimal comma on this machine: read in the C locale only");
}

QTEST_GUILESS_MAIN(tst_JetWriter)
#include "tst_jetwriter.moc"
