#include "CatalogueFixture.h"

#include "common/Error.h"
#include "db/Connection.h"
#include "db/Errors.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// SQLite catalogues in every state a writer can leave them: the committed state is what a
// connection reads, and not one byte, time or file of the folder changes. And catalogues that
// change while connections are open.
class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void committedStateAndNothingWritten_data();
    void committedStateAndNothingWritten();
    void changedFileIsSeen_data();
    void changedFileIsSeen();
    void cardComesFromTheListedCatalogue();
};

namespace {

const QString kList = u"SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES "
                      "FROM Ficha order by Titulo asc"_qs;

const QString kColumns = u"TITULO TEXT, AUTOR TEXT, ENLACE TEXT, NIVEL_EDUCATIVO TEXT, "
                         "DESCRIPTORES TEXT, EDITORIAL TEXT, ANIO INTEGER, IDIOMA TEXT, "
                         "FORMATO TEXT, RESUMEN TEXT, IMAGEN TEXT"_qs;

QString connectionText(const QString &path)
{
    return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_qs + path
        + u";Persist Security Info=False;Jet OLEDB:Database Password = "_qs;
}

QString insert(const QString &id, const QString &titulo)
{
    return u"INSERT INTO Ficha VALUES (%1, '%2', 'A', 'https://example.org', 'Primaria', "
           "'Lengua', 'E', 2004, 'I', 'F', 'R', '1.png')"_qs.arg(id, titulo);
}

// Every entry of the folder with its size, times to the nanosecond and a digest of its bytes
// (of its first 64 MiB: a several-GB sparse file is otherwise read whole).
QStringList folderState(const QString &folder)
{
    QStringList entries;
    for (const QString &name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                      | QDir::NoDotAndDotDot)) {
        const QString path = QDir(folder).filePath(name);
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        QFile file(path);
        QByteArray digest;
        if (file.open(QIODevice::ReadOnly))
            digest
                = QCryptographicHash::hash(file.read(64 << 20), QCryptographicHash::Sha1).toHex();
        entries << u"%1 %2 %3.%4 %5.%6 %7"_qs.arg(name)
                       .arg(qint64(st.st_size))
                       .arg(qint64(st.st_mtim.tv_sec))
                       .arg(qint64(st.st_mtim.tv_nsec))
                       .arg(qint64(st.st_ctim.tv_sec))
                       .arg(qint64(st.st_ctim.tv_nsec))
                       .arg(QString::fromLatin1(digest));
    }
    return entries;
}

struct Listing
{
    QStringList ids;
    QStringList titles;
};

Listing list(db::Connection &c)
{
    c.CursorLocation = db::adUseClient;
    std::unique_ptr<db::Recordset> rs = c.Execute(kList);
    Listing seen;
    while (!rs->isEOF()) {
        seen.ids << rs->Fields(0).Value().toString();
        seen.titles << rs->Fields(1).Value().toString();
        rs->MoveNext();
    }
    return seen;
}

QString cardTitle(db::Connection &c, int id)
{
    c.CursorLocation = db::adUseClient;
    std::unique_ptr<db::Recordset> rs = c.Execute(u" Select * FROM Ficha where id=%1"_qs.arg(id));
    return rs->isEOF() ? u"(none)"_qs : rs->Fields(1).Value().toString();
}

void open(db::Connection &c, const QString &path)
{
    c.ConnectionString = connectionText(path);
    c.Open();
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) \
    || __has_feature(memory_sanitizer)
#define SANITIZED 1
#endif
#endif

// An address-space ceiling this far above what the process uses now, while alive: a reader
// that takes the whole of a several-GB file runs out of memory under it. Sanitizers reserve
// address space of their own, so it is left off for them.
class AddressSpaceCeiling
{
public:
    explicit AddressSpaceCeiling(rlim_t headroom)
    {
#ifndef SANITIZED
        QFile status(u"/proc/self/statm"_qs);
        if (!status.open(QIODevice::ReadOnly) || ::getrlimit(RLIMIT_AS, &m_saved) != 0)
            return;
        const rlim_t pages = status.readAll().split(' ').value(0).toULongLong();
        rlimit ceiling = m_saved;
        ceiling.rlim_cur = pages * rlim_t(::sysconf(_SC_PAGESIZE)) + headroom;
        m_set = ::setrlimit(RLIMIT_AS, &ceiling) == 0;
#else
        Q_UNUSED(headroom);
#endif
    }
    ~AddressSpaceCeiling()
    {
        if (m_set)
            ::setrlimit(RLIMIT_AS, &m_saved);
    }
    AddressSpaceCeiling(const AddressSpaceCeiling &) = delete;
    AddressSpaceCeiling &operator=(const AddressSpaceCeiling &) = delete;

private:
    rlimit m_saved{};
    bool m_set = false;
};

} // namespace

void TestCatalogue::committedStateAndNothingWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("titles");

    const QStringList two{u"Cuentos del mundo"_qs, u"Zoología"_qs};
    QTest::newRow("WAL, commits not checkpointed")
        << u"wal"_qs << QStringList{u"1"_qs, u"2"_qs} << two;
    QTest::newRow("hot rollback journal") << u"journal"_qs << QStringList{u"1"_qs, u"2"_qs} << two;
    QTest::newRow("UTF-16le") << u"UTF-16le"_qs << QStringList{u"2"_qs, u"1"_qs}
                              << QStringList{u"Árbol"_qs, u"Cigüeña"_qs};
    QTest::newRow("UTF-16be") << u"UTF-16be"_qs << QStringList{u"2"_qs, u"1"_qs}
                              << QStringList{u"Árbol"_qs, u"Cigüeña"_qs};
    QTest::newRow("WITHOUT ROWID, a text Id")
        << u"without rowid"_qs << QStringList{u"dos"_qs, u"1"_qs}
        << QStringList{u"Dos"_qs, u"Uno"_qs};
    QTest::newRow("Ids of every type")
        << u"id types"_qs << QStringList{u"1"_qs, u"2.5"_qs, u"tres"_qs, u"4"_qs, QString()}
        << QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs, u"E"_qs};
    QTest::newRow("collation and function the reader lacks")
        << u"foreign"_qs << QStringList{u"1"_qs, u"2"_qs} << QStringList{u"Alfa"_qs, u"Beta"_qs};
    QTest::newRow("3 GB file, cards in its first pages")
        << u"sparse"_qs << QStringList{u"1"_qs} << QStringList{u"Cuentos del mundo"_qs};
}

void TestCatalogue::committedStateAndNothingWritten()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, titles);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"fichas.mdb"_qs);
    const QStringList pending{u"Sin confirmar"_qs};
    if (kind == u"wal") {
        fixture::writeInterrupted(path, fixture::Writer::Wal, {titles[0], titles[1]}, pending);
        QVERIFY(QFileInfo(path + u"-wal"_qs).size() > QFileInfo(path).size());
    } else if (kind == u"journal") {
        fixture::writeInterrupted(path, fixture::Writer::HotJournal, {titles[0], titles[1]},
                                  pending);
        QVERIFY(QFileInfo(path + u"-journal"_qs).size() > 0);
    } else if (kind.startsWith(u"UTF-16")) {
        fixture::writeDatabase(path,
                               {u"PRAGMA encoding = '%1'"_qs.arg(kind),
                                u"CREATE TABLE Ficha (Id INTEGER PRIMARY KEY, %1)"_qs.arg(kColumns),
                                insert(u"1"_qs, u"Cigüeña"_qs), insert(u"2"_qs, u"Árbol"_qs)});
    } else if (kind == u"without rowid") {
        fixture::writeDatabase(
            path,
            {u"CREATE TABLE Ficha (Id INTEGER PRIMARY KEY, %1) WITHOUT ROWID"_qs.arg(kColumns),
             insert(u"1"_qs, u"Uno"_qs), insert(u"'dos'"_qs, u"Dos"_qs)});
    } else if (kind == u"id types") {
        fixture::writeDatabase(path,
                               {u"CREATE TABLE Ficha (Id, %1)"_qs.arg(kColumns),
                                insert(u"1"_qs, u"A"_qs), insert(u"2.5"_qs, u"B"_qs),
                                insert(u"'tres'"_qs, u"C"_qs), insert(u"x'34'"_qs, u"D"_qs),
                                insert(u"NULL"_qs, u"E"_qs)});
    } else if (kind == u"foreign") {
        fixture::writeDatabase(
            path,
            {u"CREATE TABLE Ficha (Id INTEGER, TITULO TEXT COLLATE ajena, AUTOR TEXT, ENLACE TEXT, "
             "NIVEL_EDUCATIVO TEXT, DESCRIPTORES TEXT, EDITORIAL TEXT, ANIO INTEGER, IDIOMA TEXT, "
             "FORMATO TEXT, RESUMEN TEXT, IMAGEN TEXT, PRIMARY KEY (TITULO, Id)) WITHOUT ROWID"_qs,
             u"CREATE INDEX por_ajena ON Ficha (ajena(DESCRIPTORES))"_qs,
             u"CREATE VIEW Ajena AS SELECT ajena(TITULO) FROM Ficha ORDER BY 1 COLLATE ajena"_qs,
             u"CREATE TRIGGER al_insertar AFTER INSERT ON Ficha BEGIN SELECT ajena(1); END"_qs,
             insert(u"2"_qs, u"Beta"_qs), insert(u"1"_qs, u"Alfa"_qs)},
            {u"ajena"_qs});
    } else if (kind == u"sparse") {
        fixture::writeCatalogue(path, {{1, titles[0], u"Primaria"_qs, u"Lengua"_qs}});
        QFile file(path);
        QVERIFY(file.resize(qint64(3) << 30)); // a hole: no disk, and a whole read would be 3 GB
    }
    const QStringList before = folderState(dir.path());

    Listing seen;
    QString card;
    {
        const AddressSpaceCeiling ceiling(rlim_t(1) << 30);
        db::Connection c;
        open(c, path);
        seen = list(c);
        card = cardTitle(c, 1);
    }
    QCOMPARE(seen.titles, titles);
    QCOMPARE(seen.ids, ids);
    QCOMPARE(card, titles.at(ids.indexOf(u"1"_qs)));
    QCOMPARE(folderState(dir.path()), before);
}

void TestCatalogue::changedFileIsSeen_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("replaced by a newer copy") << u"replace"_qs;
    QTest::newRow("rewritten in place, same size, same modification time") << u"rewrite"_qs;
    QTest::newRow("a commit in the WAL only") << u"wal"_qs;
    QTest::newRow("deleted") << u"delete"_qs;
}

void TestCatalogue::changedFileIsSeen()
{
    QFETCH(QString, change);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"fichas.mdb"_qs);
    const QString newer = dir.filePath(u"newer.mdb"_qs);
    fixture::writeCatalogue(path, {{1, u"Antes"_qs, u"Primaria"_qs, u"Lengua"_qs}});
    fixture::writeCatalogue(newer, {{1, u"Luego"_qs, u"Primaria"_qs, u"Lengua"_qs}});

    sqlite3 *writer = nullptr;
    if (change == u"wal") {
        fixture::writeDatabase(path,
                               {u"PRAGMA journal_mode = WAL"_qs,
                                u"CREATE TABLE Ficha (Id INTEGER PRIMARY KEY, %1)"_qs.arg(kColumns),
                                insert(u"1"_qs, u"Antes"_qs)});
    }
    db::Connection c;
    open(c, path);
    QCOMPARE(list(c).titles, QStringList{u"Antes"_qs});

    if (change == u"replace") {
        QVERIFY(::rename(QFile::encodeName(newer).constData(), QFile::encodeName(path).constData())
                == 0);
    } else if (change == u"rewrite") {
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QFile from(newer);
        QVERIFY(from.open(QIODevice::ReadOnly));
        const QByteArray bytes = from.readAll();
        QCOMPARE(bytes.size(), qsizetype(st.st_size));
        QFile to(path);
        QVERIFY(to.open(QIODevice::ReadWrite)); // in place: same inode
        QCOMPARE(to.write(bytes), bytes.size());
        to.close();
        const timespec times[2] = {st.st_atim, st.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
    } else if (change == u"wal") {
        // A writer that leaves its commit in the WAL: the database file is not touched.
        QVERIFY(sqlite3_open(QFile::encodeName(path).constData(), &writer) == SQLITE_OK);
        QCOMPARE(sqlite3_exec(writer,
                              "PRAGMA wal_autocheckpoint = 0; UPDATE Ficha SET TITULO = 'Luego'",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
    } else if (change == u"delete") {
        QVERIFY(QFile::remove(path));
    }

    if (change == u"delete") {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (attempt == 0) {
                    list(c);
                } else {
                    db::Connection later;
                    open(later, path);
                }
                QFAIL("read a catalogue that is gone");
            } catch (const orlaneva::Error &e) {
                QCOMPARE(e.number(), db::ErrorNumber::OpenFailed);
                QCOMPARE(e.description(), u"No se pudo encontrar el archivo '%1'."_qs.arg(path));
            }
        }
        return;
    }
    QCOMPARE(list(c).titles, QStringList{u"Luego"_qs});
    db::Connection later;
    open(later, path);
    QCOMPARE(list(later).titles, QStringList{u"Luego"_qs});
    sqlite3_close(writer);
}

void TestCatalogue::cardComesFromTheListedCatalogue()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"fichas.mdb"_qs);
    const QString newer = dir.filePath(u"newer.mdb"_qs);
    fixture::writeCatalogue(path, {{1, u"Listada"_qs, u"Primaria"_qs, u"Lengua"_qs}});
    fixture::writeCatalogue(newer,
                            {{1, u"Otra"_qs, u"Primaria"_qs, u"Lengua"_qs},
                             {2, u"Nueva"_qs, u"Primaria"_qs, u"Lengua"_qs}});

    db::Connection search;
    open(search, path);
    QCOMPARE(list(search).titles, QStringList{u"Listada"_qs});
    QVERIFY(::rename(QFile::encodeName(newer).constData(), QFile::encodeName(path).constData())
            == 0);

    // The card chosen from that list, on a connection of its own, twice (as the card window
    // reads it again for its link).
    for (int read = 0; read < 2; ++read) {
        db::Connection card;
        open(card, path);
        card.readAsListed();
        QCOMPARE(cardTitle(card, 1), u"Listada"_qs);
    }
    // Any other connection, and the next search, see the new file; then cards come from it.
    db::Connection other;
    open(other, path);
    QCOMPARE(cardTitle(other, 1), u"Otra"_qs);
    QCOMPARE(list(search).titles, (QStringList{u"Nueva"_qs, u"Otra"_qs}));
    db::Connection card;
    open(card, path);
    card.readAsListed();
    QCOMPARE(cardTitle(card, 2), u"Nueva"_qs);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
