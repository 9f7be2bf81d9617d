#include "CatalogueFixture.h"
#include "db/Connection.h"
#include "jetwriter/FromSqlite.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/inotify.h>
#include <unistd.h>

// Sorting a large catalogue (its title index, an order no index serves) needs scratch space
// beyond the engine's page cache. The program writes nothing, not even a scratch file it
// unlinks at once: the scratch stays in memory.
class TestScratch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noScratchFile_data();
    void noScratchFile();

private:
    QTemporaryDir m_folder;
    QString m_scratch;
};

namespace {

// Enough rows that sorting them overflows the engine's default cache several times.
constexpr int kCards = 40000;

QString connectionString(const QString &path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
        + QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password = ");
}

// Files created in a folder while it is watched, even those deleted again at once.
class CreationWatch
{
public:
    explicit CreationWatch(const QString &folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE);
    }
    ~CreationWatch() { ::close(m_fd); }
    CreationWatch(const CreationWatch &) = delete;
    CreationWatch &operator=(const CreationWatch &) = delete;

    bool sawCreation() const
    {
        alignas(inotify_event) char buffer[4096];
        return ::read(m_fd, buffer, sizeof buffer) > 0;
    }

private:
    int m_fd;
};

} // namespace

void TestScratch::initTestCase()
{
    QVERIFY(m_folder.isValid());
    // Where SQLite would put its scratch files; read once, before its first one.
    m_scratch = m_folder.filePath(QStringLiteral("scratch"));
    QVERIFY(QDir().mkpath(m_scratch));
    qputenv("SQLITE_TMPDIR", QFile::encodeName(m_scratch));
    qputenv("TMPDIR", QFile::encodeName(m_scratch));

    // Long links make whole rows large: a sort of them overflows even a cache of big pages.
    const QString link
        = QStringLiteral("https://example.org/") + QString(400, u'x') + QStringLiteral("/%1");
    QList<fixture::Card> cards;
    for (int i = 1; i <= kCards; ++i)
        cards.append({i,
                      QStringLiteral("Cuaderno %1 de actividades para el aula y la familia")
                          .arg((i * 7919) % kCards),
                      QStringLiteral("Infantil, Primaria"),
                      QStringLiteral("Lengua y literatura, Educación artística y musical"),
                      link.arg(i)});
    const QString sqlite = m_folder.filePath(QStringLiteral("sqlite.mdb"));
    fixture::writeCatalogue(sqlite, cards);
    jetwriter::copyFromSqlite(sqlite, m_folder.filePath(QStringLiteral("jet.mdb")));
}

void TestScratch::noScratchFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("statement");

    const QString everyCard = QStringLiteral(
        "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha "
        "order by Titulo asc");
    const QString byAuthor = QStringLiteral("SELECT * FROM Ficha order by AUTOR, ENLACE");
    for (const char *file : {"sqlite.mdb", "jet.mdb"}) {
        QTest::addRow("%s: first open, every card", file) << QString::fromLatin1(file) << everyCard;
        QTest::addRow("%s: an order no index serves", file)
            << QString::fromLatin1(file) << byAuthor;
    }
}

void TestScratch::noScratchFile()
{
    QFETCH(QString, file);
    QFETCH(QString, statement);
    const CreationWatch watch(m_scratch);
    db::Connection connection;
    connection.ConnectionString = connectionString(m_folder.filePath(file));
    connection.Open();
    connection.CursorLocation = db::adUseClient;
    QCOMPARE(connection.Execute(statement)->RecordCount(), kCards);
    QVERIFY2(!watch.sawCreation(), "a scratch file was made");
    QVERIFY(QDir(m_scratch).isEmpty());
}

QTEST_GUILESS_MAIN(TestScratch)
#include "tst_scratch.moc"
