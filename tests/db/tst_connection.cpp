#include "CatalogueFixture.h"

#include "common/Error.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/Errors.h"
#include "db/FileFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Opening catalogues: the connection string, the formats, every way an open or a statement
// fails, and the proof that a session never changes the file.
class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formats_data();
    void formats();
    void connectionString_data();
    void connectionString();
    void folderNamesSurviveTheConnectionString_data();
    void folderNamesSurviveTheConnectionString();
    void errors_data();
    void errors();
    void fileNeverChanges();
    void stateErrors();

private:
    QTemporaryDir m_dir;
};

namespace {

const QString kAllCards
    = u"SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES "
      "FROM Ficha order by Titulo asc"_qs;

QString connectionText(const QString &path, const QString &password = QString())
{
    return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_qs + path
        + u";Persist Security Info=False;Jet OLEDB:Database Password = "_qs + password;
}

QList<fixture::Card> someCards(int count)
{
    QList<fixture::Card> cards;
    for (int i = 1; i <= count; ++i)
        cards.append({i, u"Ficha número %1 del catálogo"_qs.arg(i), u"Primaria"_qs,
                      u"Lengua y literatura"_qs});
    return cards;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Root reads any file whatever its mode: take a plain user's rights while opening.
class UnprivilegedScope
{
public:
    explicit UnprivilegedScope(bool wanted)
    {
        if (wanted && ::geteuid() == 0)
            m_dropped = ::seteuid(65534) == 0;
    }
    ~UnprivilegedScope()
    {
        if (m_dropped && ::seteuid(0) != 0)
            qFatal("cannot take back the test's own user");
    }
    UnprivilegedScope(const UnprivilegedScope &) = delete;
    UnprivilegedScope &operator=(const UnprivilegedScope &) = delete;

private:
    bool m_dropped = false;
};

} // namespace

void TestConnection::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The permission case opens as another user, who must reach the files.
    QFile::setPermissions(m_dir.path(),
                          QFile::permissions(m_dir.path()) | QFile::ReadOther | QFile::ExeOther);
}

void TestConnection::formats_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("format");

    const QByteArray jet = QByteArray("\0\1\0\0Standard Jet DB\0", 20);
    QTest::newRow("sqlite") << QByteArray("SQLite format 3\0rest", 20)
                            << int(db::FileFormat::SQLite);
    QTest::newRow("sqlite signature without its nul")
        << QByteArray("SQLite format 3 and more") << int(db::FileFormat::Unknown);
    QTest::newRow("jet 3") << jet + QByteArray(1, '\0') << int(db::FileFormat::Jet3);
    QTest::newRow("jet 4") << jet + QByteArray(1, '\1') << int(db::FileFormat::Jet4);
    QTest::newRow("ace by its name")
        << QByteArray("\0\1\0\0Standard ACE DB\0\3", 21) << int(db::FileFormat::Ace);
    QTest::newRow("jet signature cut short") << jet << int(db::FileFormat::Unknown);
    QTest::newRow("text") << QByteArray("Id;TITULO\n1;Hola\n") << int(db::FileFormat::Unknown);
    QTest::newRow("empty") << QByteArray() << int(db::FileFormat::Unknown);
}

void TestConnection::formats()
{
    QFETCH(QByteArray, head);
    QFETCH(int, format);
    QCOMPARE(int(db::detectFormat(head)), format);
}

void TestConnection::connectionString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("dataSource");
    QTest::addColumn<QString>("password");

    QTest::newRow("as the windows build it")
        << connectionText(u"C:\\Orlaneva\\fichas.mdb"_qs) << true << u"Microsoft.Jet.OLEDB.4.0"_qs
        << u"C:\\Orlaneva\\fichas.mdb"_qs << QString();
    QTest::newRow("with a password")
        << connectionText(u"/a/fichas.mdb"_qs, u"clave"_qs) << true << u"Microsoft.Jet.OLEDB.4.0"_qs
        << u"/a/fichas.mdb"_qs << u"clave"_qs;
    QTest::newRow("keys in any case, extra blanks and semicolons")
        << u" provider = Microsoft.Jet.OLEDB.4.0 ;;  DATA   SOURCE=/x y/f.mdb;"_qs << true
        << u"Microsoft.Jet.OLEDB.4.0"_qs << u"/x y/f.mdb"_qs << QString();
    QTest::newRow("quoted value holding a semicolon")
        << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a;b/f.mdb\";Pwd=''"_qs << true
        << u"Microsoft.Jet.OLEDB.4.0"_qs << u"/a;b/f.mdb"_qs << QString();
    QTest::newRow("doubled quote inside double quotes")
        << u"Data Source=\"/a/\"\"x\"\"/f.mdb\";Provider=p"_qs << true << u"p"_qs
        << u"/a/\"x\"/f.mdb"_qs << QString();
    QTest::newRow("doubled quote inside single quotes")
        << u"Data Source='/l''école; 2/f.mdb'"_qs << true << QString() << u"/l'école; 2/f.mdb"_qs
        << QString();
    QTest::newRow("quote closed, then text")
        << u"Data Source=\"/a\"b;"_qs << false << QString() << QString() << QString();
    QTest::newRow("piece without equals")
        << u"Provider=x;fichas.mdb"_qs << false << QString() << QString() << QString();
    QTest::newRow("quote left open")
        << u"Data Source=\"/a/f.mdb"_qs << false << QString() << QString() << QString();
    QTest::newRow("persist security info not a boolean")
        << u"Persist Security Info=quizá"_qs << false << QString() << QString() << QString();
}

void TestConnection::connectionString()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QString error;
    const std::optional<db::ConnectionSettings> settings = db::parseConnectionString(text, &error);
    QCOMPARE(settings.has_value(), valid);
    if (!valid) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QFETCH(QString, provider);
    QFETCH(QString, dataSource);
    QFETCH(QString, password);
    QCOMPARE(settings->provider, provider);
    QCOMPARE(settings->dataSource, dataSource);
    QCOMPARE(settings->password, password);
}

// The windows put the program folder's path into the connection string; whatever the folder
// is called, the parser must read back exactly that path and no other setting.
void TestConnection::folderNamesSurviveTheConnectionString_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("written"); // empty: as it is

    QTest::newRow("ordinary") << u"/home/ana/Orlaneva\\fichas.mdb"_qs << QString();
    QTest::newRow("blanks and accents")
        << u"/home/ana/Recursos de Educación\\fichas.mdb"_qs << QString();
    QTest::newRow("equals sign") << u"/srv/a=b\\fichas.mdb"_qs << QString();
    QTest::newRow("semicolon") << u"/srv/Recursos; 2024\\fichas.mdb"_qs
                               << u"\"/srv/Recursos; 2024\\fichas.mdb\""_qs;
    QTest::newRow("another data source inside")
        << u"/srv/x;Data Source=/tmp/otro\\fichas.mdb"_qs
        << u"\"/srv/x;Data Source=/tmp/otro\\fichas.mdb\""_qs;
    QTest::newRow("apostrophe") << u"/srv/l'école\\fichas.mdb"_qs
                                << u"\"/srv/l'école\\fichas.mdb\""_qs;
    QTest::newRow("double quotes")
        << u"/srv/\"x\"\\fichas.mdb"_qs << u"'/srv/\"x\"\\fichas.mdb'"_qs;
    QTest::newRow("both quotes") << u"/srv/\"l'x\";\\fichas.mdb"_qs
                                 << u"\"/srv/\"\"l'x\"\";\\fichas.mdb\""_qs;
    QTest::newRow("blank at the end") << u"/srv/fichas.mdb "_qs << u"\"/srv/fichas.mdb \""_qs;
    QTest::newRow("newline at the end") << u"/srv/fichas.mdb\n"_qs << u"\"/srv/fichas.mdb\n\""_qs;
}

void TestConnection::folderNamesSurviveTheConnectionString()
{
    QFETCH(QString, path);
    QFETCH(QString, written);
    const QString value = db::connectionStringValue(path);
    QCOMPARE(value, written.isEmpty() ? path : written);
    QString error;
    const std::optional<db::ConnectionSettings> settings
        = db::parseConnectionString(connectionText(value), &error);
    QVERIFY2(settings, qPrintable(error));
    QCOMPARE(settings->dataSource, path);
    QCOMPARE(settings->provider, u"Microsoft.Jet.OLEDB.4.0"_qs);
    QCOMPARE(settings->persistSecurityInfo, std::optional<bool>(false));
    QCOMPARE(settings->password, QString());
}

void TestConnection::errors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");

    using namespace db::ErrorNumber;
    QTest::newRow("file missing") << u"missing"_qs << OpenFailed;
    QTest::newRow("a folder where the file should be") << u"folder"_qs << OpenFailed;
    QTest::newRow("no read permission") << u"unreadable"_qs << OpenFailed;
    QTest::newRow("text file") << u"text"_qs << OpenFailed;
    QTest::newRow("zero bytes") << u"empty"_qs << OpenFailed;
    QTest::newRow("truncated inside a page") << u"cut"_qs << OpenFailed;
    QTest::newRow("truncated at a page boundary") << u"cut at page"_qs << OpenFailed;
    QTest::newRow("no table Ficha") << u"no table"_qs << TableNotFound;
    QTest::newRow("statement the engine rejects") << u"apostrophe"_qs << StatementRejected;
    QTest::newRow("unknown column") << u"column"_qs << StatementRejected;
    QTest::newRow("field past the last column") << u"field"_qs << ItemNotFound;
    QTest::newRow("password in the connection string") << u"password"_qs << InvalidPassword;
    QTest::newRow("password given to Open") << u"open password"_qs << InvalidPassword;
    QTest::newRow("another provider") << u"provider"_qs << ProviderNotFound;
}

void TestConnection::errors()
{
    QFETCH(QString, kind);
    QFETCH(int, number);

    const QString folder = m_dir.filePath(kind);
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath(u"fichas.mdb"_qs);
    QString cs = connectionText(path);
    QString openPassword;
    QString sql = kAllCards;
    int field = 3;

    if (kind != u"missing"_qs && kind != u"folder"_qs)
        fixture::writeCatalogue(path, someCards(300));
    if (kind == u"folder"_qs) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == u"unreadable"_qs) {
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    } else if (kind == u"text"_qs) {
        writeBytes(path, "Id;TITULO\n1;Hola\n");
    } else if (kind == u"empty"_qs) {
        writeBytes(path, QByteArray());
    } else if (kind == u"cut"_qs || kind == u"cut at page"_qs) {
        const QByteArray whole = readBytes(path);
        QVERIFY(whole.size() > 3 * 4096);
        writeBytes(path, whole.left(kind == u"cut"_qs ? 5000 : 2 * 4096));
    } else if (kind == u"no table"_qs) {
        fixture::writeDatabase(path, {u"CREATE TABLE Fichas (Id INTEGER, TITULO TEXT)"_qs});
    } else if (kind == u"apostrophe"_qs) {
        sql = u"SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha "
              "where Titulo LIKE '%l'agua%' order by Titulo asc"_qs;
    } else if (kind == u"column"_qs) {
        sql = u" Select * FROM Ficha where idficha=7"_qs;
    } else if (kind == u"field"_qs) {
        field = 4;
    } else if (kind == u"password"_qs) {
        cs = connectionText(path, u"secreto"_qs);
    } else if (kind == u"open password"_qs) {
        openPassword = u"secreto"_qs;
    } else if (kind == u"provider"_qs) {
        cs.replace(u"Microsoft.Jet.OLEDB.4.0"_qs, u"SQLOLEDB"_qs);
    }

    db::Connection c;
    c.ConnectionString = cs;
    try {
        {
            const UnprivilegedScope user(kind == u"unreadable"_qs);
            c.Open(QString(), openPassword, db::adOptionUnspecified);
        }
        c.CursorLocation = db::adUseClient;
        std::unique_ptr<db::Recordset> rs = c.Execute(sql);
        rs->Fields(field).Value();
        if (kind == u"unreadable"_qs && ::geteuid() == 0)
            QSKIP("cannot give up root's rights here");
        QFAIL("no error");
    } catch (const orlaneva::Error &e) {
        QCOMPARE(e.number(), number);
        QVERIFY2(e.description().contains(path), qPrintable(e.description()));
        if (number == db::ErrorNumber::StatementRejected)
            QVERIFY2(e.description().contains(sql), qPrintable(e.description()));
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestConnection::fileNeverChanges()
{
    const QString folder = m_dir.filePath(u"read-only"_qs);
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath(u"fichas.mdb"_qs);
    fixture::writeCatalogue(path, someCards(500));
    const QByteArray bytes = readBytes(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden);

    const QStringList writes{
        u"DELETE FROM Ficha"_qs,
        u"UPDATE Ficha SET TITULO = 'x'"_qs,
        u"INSERT INTO Ficha (Id) VALUES (9999)"_qs,
        u"DROP TABLE Ficha"_qs,
        u"CREATE TABLE Otra (x)"_qs,
        u"CREATE TEMP VIEW Ficha AS SELECT 1"_qs,
        u"PRAGMA journal_mode = WAL"_qs,
        u"PRAGMA query_only = 0"_qs,
        u"ATTACH '%1' AS otra"_qs.arg(path),
        u"VACUUM"_qs,
        u"SELECT 1; DELETE FROM Ficha"_qs,
    };
    for (int round = 0; round < 3; ++round) {
        db::Connection c;
        c.ConnectionString = connectionText(path);
        c.Open();
        c.CursorLocation = db::adUseClient;
        QCOMPARE(c.Execute(kAllCards)->RecordCount(), qint64(500));
        QCOMPARE(c.Execute(u" Select * FROM Ficha where id=42"_qs)->RecordCount(), qint64(1));
        for (const QString &sql : writes) {
            try {
                c.Execute(sql);
                QFAIL(qPrintable(u"accepted: "_qs + sql));
            } catch (const orlaneva::Error &e) {
                QCOMPARE(e.number(), db::ErrorNumber::StatementRejected);
            }
        }
    }
    db::Connection after;
    after.ConnectionString = connectionText(path);
    after.Open();
    after.CursorLocation = db::adUseClient;
    QCOMPARE(after.Execute(kAllCards)->RecordCount(), qint64(500));

    QVERIFY(readBytes(path) == bytes);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden), entries);
}

void TestConnection::stateErrors()
{
    const QString path = m_dir.filePath(u"state.mdb"_qs);
    fixture::writeCatalogue(path, someCards(2));
    db::Connection c;
    try {
        c.Execute(kAllCards);
        QFAIL("executed on a closed connection");
    } catch (const orlaneva::Error &e) {
        QCOMPARE(e.number(), db::ErrorNumber::NotOpen);
    }
    c.ConnectionString = connectionText(path);
    c.Open();
    try {
        c.Open();
        QFAIL("opened twice");
    } catch (const orlaneva::Error &e) {
        QCOMPARE(e.number(), db::ErrorNumber::AlreadyOpen);
        QVERIFY(e.description().contains(path));
    }
    c.CursorLocation = db::adUseClient;
    std::unique_ptr<db::Recordset> rs = c.Execute(kAllCards);
    rs->MoveNext();
    rs->MoveNext();
    QVERIFY(rs->isEOF());
    try {
        rs->MoveNext();
        QFAIL("moved past EOF");
    } catch (const orlaneva::Error &e) {
        QCOMPARE(e.number(), db::ErrorNumber::NoCurrentRecord);
        QVERIFY(e.description().contains(path));
    }
    rs->MoveFirst();
    QCOMPARE(rs->Fields(0).Value().toInteger(), qint64(1));
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
