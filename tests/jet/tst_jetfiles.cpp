// Real Access files (made by Access itself; see data/LICENSE-mdb-reader.txt) read through the
// snapshot, checked against mdbtools.
#include "JetTestSupport.h"

#include "common/Error.h"
#include "db/Catalogue.h"
#include "db/JetHeader.h"
#include "db/JetSnapshot.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace db::jet;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString createStatement(sqlite3 *handle, const QString &table)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(handle, "SELECT sql FROM sqlite_schema WHERE name = ?", -1, &statement,
                       nullptr);
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(statement, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    QString sql;
    if (sqlite3_step(statement) == SQLITE_ROW)
        sql = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return sql;
}

QStringList snapshotTables(sqlite3 *handle)
{
    QStringList names;
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(handle, "SELECT name FROM sqlite_schema WHERE type = 'table'", -1,
                       &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        names.append(
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
    sqlite3_finalize(statement);
    return names;
}

} // namespace

class tst_JetFiles : public QObject
{
    Q_OBJECT

private slots:
    void header_data();
    void header();
    void headerRefusesOtherBytes_data();
    void headerRefusesOtherBytes();
    void headerSurvivesAnyBytes();
    void tablesMatchMdbExport_data();
    void tablesMatchMdbExport();
    void everyCommonTypeKeepsItsValue_data();
    void everyCommonTypeKeepsItsValue();
    void passwordIsRefused();
    void failuresNameTheFile_data();
    void failuresNameTheFile();
    void cutShortFileNeverGivesPartialData();
    void unchangedFileIsReadOnce();
    void changedFileIsReadAgain();

private:
    QTemporaryDir m_dir;
};

void tst_JetFiles::header_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<bool>("passwordSet");
    QTest::addColumn<QString>("password");
    QTest::newRow("Access 97") << "access97-types.mdb" << int(Version::Jet3) << 2048 << false
                               << QString();
    QTest::newRow("Access 2003") << "access2003-types.mdb" << int(Version::Jet4) << 4096 << false
                                 << QString();
    QTest::newRow("Access 2000") << "access2000-no-password.mdb" << int(Version::Jet4) << 4096
                                 << false << QString();
    QTest::newRow("password") << "access2003-password.mdb" << int(Version::Jet4) << 4096 << true
                              << "password";
}

void tst_JetFiles::header()
{
    QFETCH(QString, file);
    QFETCH(int, version);
    QFETCH(int, pageSize);
    QFETCH(bool, passwordSet);
    QFETCH(QString, password);
    const auto header = parseHeader(readFile(jettest::testData(file)).left(4096));
    QVERIFY(header);
    QCOMPARE(int(header->version), version);
    QCOMPARE(header->pageSize, pageSize);
    QCOMPARE(header->codePage, quint16(1252));
    QCOMPARE(header->databaseKey, 0u);
    QCOMPARE(header->passwordSet, passwordSet);
    QCOMPARE(header->password, password);
}

void tst_JetFiles::headerRefusesOtherBytes_data()
{
    const QByteArray jet4
        = readFile(jettest::testData(QStringLiteral("access2003-types.mdb"))).left(4096);
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("SQLite") << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\0');
    QTest::newRow("cut inside the header") << jet4.left(kHeaderBytes - 1);
    QByteArray version = jet4;
    version[0x14] = 7;
    QTest::newRow("unknown version") << version;
    QByteArray ace = jet4;
    ace.replace(4, 16, QByteArray("Standard ACE DB\0", 16));
    QTest::newRow("ACE with the Jet 4 byte") << ace;
    QByteArray text = jet4;
    text.replace(4, 15, "Standard Jet DX");
    QTest::newRow("other signature") << text;
}

void tst_JetFiles::headerRefusesOtherBytes()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!parseHeader(bytes));
}

void tst_JetFiles::headerSurvivesAnyBytes()
{
    // Every size up to a page, every version byte, random content: no crash (run with the
    // sanitizer build to see out-of-bounds reads).
    QByteArray bytes
        = readFile(jettest::testData(QStringLiteral("access2003-types.mdb"))).left(4096);
    QRandomGenerator random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray copy = bytes.left(int(random.bounded(4097)));
        for (int i = 0x18; i < copy.size() && i < 0x98; ++i)
            if (random.bounded(4) == 0)
                copy[i] = char(random.bounded(256));
        if (copy.size() > 0x14)
            copy[0x14] = char(round % 8);
        const auto header = parseHeader(copy);
        if (header)
            QVERIFY(header->password.size() <= 20);
    }
}

void tst_JetFiles::tablesMatchMdbExport_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("Access 97") << "access97-types.mdb";
    QTest::newRow("Access 2003") << "access2003-types.mdb";
    QTest::newRow("Access 2000") << "access2000-no-password.mdb";
}

void tst_JetFiles::tablesMatchMdbExport()
{
    QFETCH(QString, file);
    const QString path = jettest::testData(file);
    const auto snapshot = readSnapshot(path);
    QString error;
    const QStringList tables = jettest::mdbTables(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(snapshotTables(snapshot.get()), tables);
    for (const QString &table : tables) {
        const QString difference = jettest::differenceFromExport(snapshot.get(), path, table);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
}

void tst_JetFiles::everyCommonTypeKeepsItsValue_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("firstRow"); // the row holding "abcdefg"
    QTest::newRow("Access 97") << "access97-types.mdb" << 1;
    QTest::newRow("Access 2003") << "access2003-types.mdb" << 0;
}

void tst_JetFiles::everyCommonTypeKeepsItsValue()
{
    QFETCH(QString, file);
    QFETCH(int, firstRow);
    const auto snapshot = readSnapshot(jettest::testData(file));
    // Column order, types and the collation of text, as the table defines them.
    QCOMPARE(
        createStatement(snapshot.get(), QStringLiteral("Table1")),
        QStringLiteral("CREATE TABLE \"Table1\" (\"A\" TEXT COLLATE ES, \"B\" TEXT COLLATE ES, "
                       "\"C\" INTEGER, \"D\" INTEGER, \"E\" INTEGER, \"F\" REAL, \"G\" TEXT, "
                       "\"H\" REAL, \"I\" INTEGER)"));
    const jettest::Rows rows = jettest::snapshotRows(snapshot.get(), QStringLiteral("Table1"));
    QCOMPARE(rows.rows.size(), 2);
    const QVariantList full = rows.rows[firstRow];
    const QVariantList zero = rows.rows[1 - firstRow];
    // Text, Byte, Integer, Long, Double, Date/Time, Currency, Yes/No.
    QCOMPARE(full,
             (QVariantList{QStringLiteral("abcdefg"), QStringLiteral("hijklmnop"), 2LL, 222LL,
                           333333333LL, 444.555, QStringLiteral("1974-09-21 00:00:00"), 3.5, 1LL}));
    QCOMPARE(zero,
             (QVariantList{QStringLiteral("a"), QStringLiteral("b"), 0LL, 0LL, 0LL, 0.0,
                           QStringLiteral("1981-12-12 00:00:00"), 0.0, 0LL}));
}

void tst_JetFiles::passwordIsRefused()
{
    const QString path = jettest::testData(QStringLiteral("access2003-password.mdb"));
    try {
        db::openCatalogue(path);
        QFAIL("a catalogue with a database password opened");
    } catch (const orlaneva::Error &e) {
        QCOMPARE(e.number(), -2147217843);
        QVERIFY2(e.description().startsWith(QStringLiteral("La contraseña no es válida.")),
                 qPrintable(e.description()));
        QVERIFY(e.description().contains(path));
    }
    // The same table without a password opens: it is the password that is refused.
    const auto open = readSnapshot(jettest::testData(QStringLiteral("access2000-no-password.mdb")));
    QCOMPARE(jettest::snapshotRows(open.get(), QStringLiteral("Table1")).rows.size(), 3);
}

void tst_JetFiles::failuresNameTheFile_data()
{
    QVERIFY(m_dir.isValid());
    const QByteArray jet4
        = readFile(jettest::testData(QStringLiteral("access2000-no-password.mdb")));
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("start");

    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("no-such.mdb"))
                             << "No se pudo encontrar el archivo";
    QTest::newRow("folder") << m_dir.path()
                            << QStringLiteral("'%1' es una carpeta").arg(m_dir.path());
    const QString text = m_dir.filePath(QStringLiteral("text.mdb"));
    writeFile(text, "Nombre;Nivel\nUno;Primaria\n");
    QTest::newRow("text") << text << "Formato de base de datos no reconocido";
    const QString sqlite = m_dir.filePath(QStringLiteral("sqlite.mdb"));
    writeFile(sqlite, QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\0'));
    QTest::newRow("SQLite") << sqlite << "Formato de base de datos no reconocido";
    const QString header = m_dir.filePath(QStringLiteral("header.mdb"));
    writeFile(header, jet4.left(100));
    QTest::newRow("cut in the header") << header << "Formato de base de datos no reconocido";
    const QString twoPages = m_dir.filePath(QStringLiteral("two-pages.mdb"));
    writeFile(twoPages, jet4.left(2 * 4096));
    QTest::newRow("no catalogue") << twoPages << "No se puede leer la base de datos";
    const QString odd = m_dir.filePath(QStringLiteral("odd.mdb"));
    writeFile(odd, jet4.left(jet4.size() - 1000));
    QTest::newRow("cut inside a page") << odd << "No se puede leer la base de datos";
    const QString garbage = m_dir.filePath(QStringLiteral("garbage.mdb"));
    QByteArray noise = jet4;
    for (qsizetype i = 4096; i < noise.size(); ++i)
        noise[i] = char(i * 7919 % 251);
    writeFile(garbage, noise);
    QTest::newRow("pages of noise") << garbage << "No se puede leer la base de datos";
}

void tst_JetFiles::failuresNameTheFile()
{
    QFETCH(QString, path);
    QFETCH(QString, start);
    try {
        db::openCatalogue(path);
        QFAIL("opened");
    } catch (const orlaneva::Error &e) {
        QCOMPARE(e.number(), -2147467259);
        QVERIFY2(e.description().startsWith(start), qPrintable(e.description()));
        QVERIFY2(e.description().contains(path), qPrintable(e.description()));
    }
}

void tst_JetFiles::cutShortFileNeverGivesPartialData()
{
    // A file cut at any page is refused, or (when only unused pages went) read whole.
    const QByteArray bytes = readFile(jettest::testData(QStringLiteral("access2003-types.mdb")));
    const auto whole = readSnapshot(jettest::testData(QStringLiteral("access2003-types.mdb")));
    QStringList tables = snapshotTables(whole.get());
    int refused = 0;
    for (qsizetype pages = 3; pages < bytes.size() / 4096; pages += 7) {
        const QString path = m_dir.filePath(QStringLiteral("cut-%1.mdb").arg(pages));
        writeFile(path, bytes.left(pages * 4096));
        try {
            const auto cut = readSnapshot(path);
            QCOMPARE(snapshotTables(cut.get()), tables);
            for (const QString &table : tables)
                QCOMPARE(jettest::snapshotRows(cut.get(), table).rows,
                         jettest::snapshotRows(whole.get(), table).rows);
        } catch (const orlaneva::Error &e) {
            QCOMPARE(e.number(), -2147467259);
            ++refused;
        }
    }
    QVERIFY(refused > 0);
}

void tst_JetFiles::unchangedFileIsReadOnce()
{
    const QString path = m_dir.filePath(QStringLiteral("once.mdb"));
    QVERIFY(QFile::copy(jettest::testData(QStringLiteral("access2000-no-password.mdb")), path));
    const auto first = db::openCatalogue(path);
    const auto second = db::openCatalogue(path);
    QCOMPARE(second.get(), first.get());
}

void tst_JetFiles::changedFileIsReadAgain()
{
    const QString path = m_dir.filePath(QStringLiteral("again.mdb"));
    QVERIFY(QFile::copy(jettest::testData(QStringLiteral("access2000-no-password.mdb")), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const auto before = db::openCatalogue(path);
    const auto beforeRows = readSnapshot(path);

    // Same size, same inode: only the bytes and the modification time differ.
    QByteArray bytes = readFile(path);
    const qsizetype at = bytes.indexOf(QByteArray("T\0h\0r\0e\0e\0", 10));
    const qsizetype compressed = bytes.indexOf(QByteArray("\xFF\xFEThree", 7));
    QVERIFY(at >= 0 || compressed >= 0);
    if (at >= 0)
        bytes.replace(at, 10, QByteArray("T\0w\0e\0l\0v\0", 10));
    else
        bytes.replace(compressed, 7, QByteArray("\xFF\xFETwelv", 7));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    QFile touched(path);
    QVERIFY(touched.open(QIODevice::ReadWrite));
    QVERIFY(touched.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                QFileDevice::FileModificationTime));
    touched.close();

    const auto after = db::openCatalogue(path);
    QVERIFY(after.get() != before.get());
    QCOMPARE(jettest::snapshotRows(readSnapshot(path).get(), QStringLiteral("Table1"))
                 .rows[2][1]
                 .toString(),
             QStringLiteral("Twelv"));
    QCOMPARE(
        jettest::snapshotRows(beforeRows.get(), QStringLiteral("Table1")).rows[2][1].toString(),
        QStringLiteral("Three"));
}

QTEST_GUILESS_MAIN(tst_JetFiles)
#include "tst_jetfiles.moc"
