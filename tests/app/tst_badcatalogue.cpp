#include "app/Module1.h"
#include "app/frm_Autores.h"
#include "app/frm_Principal.h"
#include "app/frm_Splash.h"
#include "card/frm_Ficha.h"
#include "common/Error.h"
#include "guide/frm_Orlaneva.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Desktop.h"
#include "toolkit/Services.h"

#include "CatalogueFixture.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QToolButton>
#include <QtTest>

#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Start-up waits about three seconds of clock; this clock gets there in a few hundred readings.
class FastClock
{
public:
    FastClock()
    {
        tk::setClockForTesting([this] { return m_now += 0.05; });
    }
    ~FastClock() { tk::setClockForTesting(nullptr); }

private:
    double m_now = 500.0;
};

// Answers as the desktop does, refusals included, but starts nothing.
class DesktopStandIn
{
public:
    DesktopStandIn()
    {
        tk::setShellExecuteHandler([this](const tk::ShellExecuteRequest &request) {
            const tk::DesktopTarget target = tk::desktopTarget(request.file);
            if (!target.refusal.isEmpty()) {
                tk::MsgBox(target.refusal, tk::vbExclamation);
                return target.result;
            }
            opened << target.target;
            return int(tk::SE_OK);
        });
    }
    ~DesktopStandIn() { tk::setShellExecuteHandler(nullptr); }
    QStringList opened;
};

void sqlite(const QString &path, const QStringList &statements)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    QVERIFY(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK);
    for (const QString &statement : statements) {
        char *message = nullptr;
        const int rc = sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &message);
        QVERIFY2(rc == SQLITE_OK, message);
    }
    sqlite3_close(db);
}

// Every file and folder under root: path, size, modification time and a digest of the bytes.
QStringList snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QByteArray digest;
        QFile file(info.filePath());
        // The first 64 MiB: a several-GB sparse catalogue is not read whole; the change time
        // shows any write anyway.
        if (info.isFile() && file.open(QIODevice::ReadOnly))
            digest
                = QCryptographicHash::hash(file.read(64 << 20), QCryptographicHash::Sha1).toHex();
        entries << u"%1 %2 %3 %4 %5"_s.arg(QDir(root).relativeFilePath(info.filePath()))
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch())
                       .arg(info.metadataChangeTime().toMSecsSinceEpoch())
                       .arg(QString::fromLatin1(digest));
    }
    entries.sort();
    return entries;
}

// Whether another process holds the per-user instance name, without keeping it.
bool instanceTaken()
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = "orlaneva-instance-" + QByteArray::number(uint(::getuid()));
    std::memcpy(addr.sun_path + 1, name.constData(), size_t(name.size()));
    const auto len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    const bool taken = ::bind(fd, reinterpret_cast<sockaddr *>(&addr), len) != 0;
    ::close(fd);
    return taken;
}

bool copyTree(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString target = to + u"/"_s + QDir(from).relativeFilePath(it.filePath());
        if (it.fileInfo().isDir() ? !QDir().mkpath(target) : !QFile::copy(it.filePath(), target))
            return false;
    }
    return true;
}

// The built program with its sample catalogue, copied into root's folder app: the program's
// path, or an empty text when the copy failed.
QString copyProgram(const QTemporaryDir &root)
{
    const QString app = root.filePath(u"app"_s);
    if (!root.isValid() || !copyTree(QStringLiteral(ORLANEVA_APP_DIR), app))
        return {};
    return app + u"/"_s + QFileInfo(QStringLiteral(ORLANEVA_PROGRAM)).fileName();
}

quint32 crc32(QByteArrayView bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : bytes) {
        crc ^= quint8(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG that claims 30000 x 30000 pixels in its header and carries none.
QByteArray hugePng()
{
    auto be = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    const QByteArray ihdr = "IHDR" + be(30000) + be(30000) + QByteArray("\x08\x02\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + be(13) + ihdr + be(crc32(ihdr)) + be(0) + "IDAT"
        + be(crc32("IDAT")) + be(0) + "IEND" + be(crc32("IEND"));
}

const QString kTwelve = u"CREATE TABLE Ficha (Id %1, TITULO TEXT, AUTOR TEXT, ENLACE TEXT,"
                        " NIVEL_EDUCATIVO TEXT, DESCRIPTORES TEXT, EDITORIAL TEXT, ANIO INTEGER,"
                        " IDIOMA TEXT, FORMATO TEXT, RESUMEN TEXT, IMAGEN TEXT)"_s;

testing::Card card(const QString &titulo, const QString &imagen = u"1.png"_s)
{
    return {1, titulo, u"Primaria"_s, u"Lengua y literatura"_s, u"https://example.org"_s, imagen};
}

// Changes to the folder made while the program runs: after start-up, or between the search
// and the double-click on its first row.
std::function<void()> afterStartup;
std::function<void()> afterSearch;
// The folder those changes are made in, and what it holds right after them.
QString changedFolder;
QStringList folderAfterChange;

QString insertCard(const QString &id, const QString &titulo)
{
    return u"INSERT INTO Ficha VALUES (%1, '%2', 'A', 'https://example.org', 'Primaria', "
           "'Lengua y literatura', 'E', 2004, 'I', 'F', 'R', '1.png')"_s.arg(id, titulo);
}

// The catalogue at mdb replaced (renamed over) or rewritten in place by one whose card 1 has
// another title, and a second card.
void changeCatalogue(const QString &mdb, bool inPlace)
{
    const QString newer = mdb + u".nueva"_s;
    fixture::writeDatabase(newer,
                           {kTwelve.arg(u"INTEGER PRIMARY KEY"_s),
                            insertCard(u"1"_s, u"Otro título"_s),
                            insertCard(u"2"_s, u"Segunda"_s)});
    if (!inPlace) {
        QVERIFY(::rename(QFile::encodeName(newer).constData(), QFile::encodeName(mdb).constData())
                == 0);
        return;
    }
    QFile from(newer);
    QFile to(mdb);
    QVERIFY(from.open(QIODevice::ReadOnly) && to.open(QIODevice::ReadWrite | QIODevice::Truncate));
    QVERIFY(to.write(from.readAll()) > 0);
    from.remove();
}

// Program folders named as users name them, each a case of its own.
QString folderName(const QString &kind)
{
    static const QHash<QString, QString> names{
        {u"folder with blanks and accents"_s, u"Recursos de Educación Física"_s},
        {u"folder with a semicolon"_s, u"Recursos; 2024"_s},
        {u"folder naming another Data Source"_s,
         u"x;Data Source=otro.mdb;Persist Security Info=True"_s},
        {u"folder with apostrophe and quotes"_s, u"L'aula \"nueva\""_s},
        {u"folder with an equals sign"_s, u"curso=2024"_s},
        {u"folder with a backslash"_s, u"Recursos\\2024"_s},
        {u"folder ending in a backslash"_s, u"Recursos\\"_s},
    };
    return names.value(kind);
}

std::optional<QString> cardLink(const QString &kind)
{
    if (kind == u"link of 128 KiB")
        return u"https://example.org/?q="_s + QString(131072, u'a');
    if (kind == u"link with a newline")
        return u"https://example.org/a\nb"_s;
    if (kind == u"mailto link with attach=")
        return u"mailto:a@example.org?subject=Hola&attach=/etc/passwd"_s;
    return std::nullopt;
}

// Turns the good program folder into the bad case named.
void prepare(const QString &kind, testing::AppFolder &folder, const QString &outside)
{
    const QString mdb = folder.file(u"fichas.mdb"_s);
    const QString title = u"Cuentos del mundo"_s;
    if (kind == u"no fichas.mdb") {
        QFile::remove(mdb);
    } else if (kind == u"empty fichas.mdb") {
        folder.writeFile(u"fichas.mdb"_s, QByteArray());
    } else if (kind == u"truncated SQLite") {
        std::vector<testing::Card> many;
        for (int i = 1; i <= 400; ++i)
            many.push_back({i, u"Título %1 "_s.arg(i).repeated(20), u"Primaria"_s, u"Lengua"_s,
                            u"https://example.org"_s, u"1.png"_s});
        folder.writeCatalogue(many);
        QFile file(mdb);
        QVERIFY(file.resize(3000));
    } else if (kind == u"truncated Jet") {
        QFile jet(QStringLiteral(ORLANEVA_JET_FILE));
        QVERIFY(jet.open(QIODevice::ReadOnly));
        folder.writeFile(u"fichas.mdb"_s, jet.read(6000));
    } else if (kind == u"folder fichas.mdb") {
        QFile::remove(mdb);
        QDir().mkpath(mdb);
    } else if (kind == u"unreadable fichas.mdb") {
        QFile::setPermissions(mdb, QFileDevice::WriteOwner);
    } else if (kind == u"no table Ficha") {
        sqlite(mdb, {u"CREATE TABLE Otra (Id INTEGER, TITULO TEXT)"_s});
    } else if (kind == u"Ficha with 5 columns") {
        sqlite(mdb,
               {u"CREATE TABLE Ficha (Id INTEGER, TITULO TEXT, AUTOR TEXT, ENLACE TEXT,"
                " NIVEL_EDUCATIVO TEXT, DESCRIPTORES TEXT)"_s,
                u"INSERT INTO Ficha VALUES (1, 'Corta', 'A', 'https://example.org', "
                "'Primaria', 'Lengua')"_s});
    } else if (kind == u"Id holding text") {
        sqlite(mdb,
               {kTwelve.arg(u"TEXT"_s),
                u"INSERT INTO Ficha VALUES ('uno', 'Texto', 'A', 'https://example.org', "
                "'Primaria', 'Lengua', 'E', 2004, 'I', 'F', 'R', '1.png')"_s});
    } else if (kind == u"100000-character title") {
        folder.writeCatalogue({card(QString(100000, u'x'))});
    } else if (kind == u"control and right-to-left title") {
        folder.writeCatalogue({card(u"a\tb\x01\x1b[31m\u202eשלום عربي"_s)});
    } else if (kind == u"image ../") {
        folder.writeCatalogue({card(u"Fuera"_s, u"..\\Documentos\\Orlaneva.bmp"_s)});
    } else if (kind == u"image ../ with slashes") {
        folder.writeCatalogue(
            {card(u"Fuera"_s, u"../../"_s + QFileInfo(outside).fileName() + u"/outside.png"_s)});
    } else if (kind == u"image absolute path") {
        folder.writeCatalogue({card(u"Fuera"_s, outside + u"/outside.png"_s)});
    } else if (kind == u"image name in other case") {
        folder.writeCatalogue({card(u"Mayúsculas"_s, u"1.PNG"_s)});
    } else if (kind == u"corrupt picture") {
        folder.writeFile(u"Fichas/1.png"_s, QByteArray("\x89PNG\r\n\x1a\nbroken", 14));
    } else if (kind == u"empty picture") {
        folder.writeFile(u"Fichas/1.png"_s, QByteArray());
    } else if (kind == u"huge picture") {
        folder.writeFile(u"Fichas/1.png"_s, hugePng());
    } else if (kind == u"WAL with commits not checkpointed") {
        fixture::writeInterrupted(mdb, fixture::Writer::Wal, {title}, {u"Sin confirmar"_s});
    } else if (kind == u"hot rollback journal") {
        fixture::writeInterrupted(mdb, fixture::Writer::HotJournal, {title}, {u"Sin confirmar"_s});
    } else if (kind == u"UTF-16 catalogue") {
        fixture::writeDatabase(mdb,
                               {u"PRAGMA encoding = 'UTF-16be'"_s,
                                kTwelve.arg(u"INTEGER PRIMARY KEY"_s), insertCard(u"1"_s, title)});
    } else if (kind == u"WITHOUT ROWID, a text Id") {
        fixture::writeDatabase(mdb,
                               {kTwelve.arg(u"INTEGER PRIMARY KEY"_s) + u" WITHOUT ROWID"_s,
                                insertCard(u"1"_s, title), insertCard(u"'dos'"_s, u"Zoo"_s)});
    } else if (kind == u"Ids of every type") {
        fixture::writeDatabase(mdb,
                               {kTwelve.arg(QString()), insertCard(u"1"_s, title),
                                insertCard(u"2.5"_s, u"D"_s), insertCard(u"x'33'"_s, u"E"_s),
                                insertCard(u"NULL"_s, u"F"_s)});
    } else if (kind == u"collation and function the program lacks") {
        fixture::writeDatabase(
            mdb,
            {kTwelve.arg(u"INTEGER"_s).replace(u"TITULO TEXT"_s, u"TITULO TEXT COLLATE ajena"_s),
             u"CREATE INDEX por_ajena ON Ficha (ajena(TITULO))"_s,
             u"CREATE VIEW Ajena AS SELECT ajena(TITULO) FROM Ficha ORDER BY 1 COLLATE ajena"_s,
             insertCard(u"1"_s, title)},
            {u"ajena"_s});
    } else if (kind == u"3 GB fichas.mdb") {
        QFile file(mdb);
        QVERIFY(file.resize(qint64(3) << 30)); // sparse: the cards stay in the first pages
    } else if (kind == u"replaced before the search") {
        afterStartup = [mdb] { changeCatalogue(mdb, false); };
    } else if (kind == u"replaced between search and card") {
        afterSearch = [mdb] { changeCatalogue(mdb, false); };
    } else if (kind == u"rewritten between search and card") {
        afterSearch = [mdb] { changeCatalogue(mdb, true); };
    } else if (kind == u"deleted between search and card") {
        afterSearch = [mdb] { QFile::remove(mdb); };
    } else if (kind == u"no Documentos files") {
        for (const QString &name : QDir(folder.file(u"Documentos"_s)).entryList(QDir::Files))
            QFile::remove(folder.file(u"Documentos/"_s + name));
    } else if (const QString renamed = folderName(kind); !renamed.isEmpty()) {
        // The whole program folder moves into one named so; paths are composed from its name.
        const QString named = folder.file(renamed);
        QVERIFY(QDir().mkpath(named));
        for (const QString &entry :
             QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            if (entry != renamed)
                QVERIFY(QDir().rename(folder.file(entry), named + u"/"_s + entry));
        }
        tk::App::setPathForTesting(named);
    } else if (kind == u"Fichas a link to another folder") {
        const QString away = outside + u"/Fichas-lejos"_s;
        QDir(away).removeRecursively();
        QVERIFY(QDir().rename(folder.file(u"Fichas"_s), away));
        QVERIFY(QFile::link(away, folder.file(u"Fichas"_s)));
    } else if (kind == u"picture a link to a file elsewhere") {
        folder.writeCatalogue({card(u"Enlazada"_s, u"lejos.png"_s)});
        QVERIFY(QFile::link(outside + u"/outside.png"_s, folder.file(u"Fichas/lejos.png"_s)));
    } else if (kind == u"FIFO as card picture") {
        QFile::remove(folder.file(u"Fichas/1.png"_s));
        QCOMPARE(::mkfifo(QFile::encodeName(folder.file(u"Fichas/1.png"_s)), 0600), 0);
    } else if (kind == u"FIFOs as Documentos files") {
        for (const QString &name : QDir(folder.file(u"Documentos"_s)).entryList(QDir::Files)) {
            const QString path = folder.file(u"Documentos/"_s + name);
            QFile::remove(path);
            QCOMPARE(::mkfifo(QFile::encodeName(path), 0600), 0);
        }
    } else if (const std::optional<QString> link = cardLink(kind)) {
        folder.writeCatalogue(
            {{1, u"Enlace"_s, u"Primaria"_s, u"Lengua y literatura"_s, *link, u"1.png"_s}});
    } else {
        QFAIL(qPrintable(u"unknown case "_s + kind));
    }
}

struct Session
{
    QString label; // the search window's count
    QString caption; // the card window's caption
    bool picture = false;
};

// Start-up, search for everything, the first row opened, its link, the guide and its link.
// Stops where the program ends.
Session runSession(const testing::EndRecorder &ends)
{
    Session seen;
    FastClock clock;
    tk::dispatch(Module1::Main);
    if (!ends.codes.empty())
        return seen;
    if (afterStartup) {
        afterStartup();
        folderAfterChange = snapshot(changedFolder);
    }
    frm_Principal::Default().cmdBusqueda.button()->click();
    if (!ends.codes.empty())
        return seen;
    frm_Tarvelo &search = frm_Tarvelo::Default();
    search.cmdBuscar.button()->click();
    if (!ends.codes.empty())
        return seen;
    seen.label = search.lblTotalFichas.Caption();
    if (afterSearch) {
        afterSearch();
        folderAfterChange = snapshot(changedFolder);
    }
    if (search.gridFichas.Rows() > 1) {
        search.gridFichas.setRow(1);
        tk::dispatch(search.gridFichas.DblClick);
        if (!ends.codes.empty())
            return seen;
        if (frm_Ficha::hasDefault() && frm_Ficha::Default().isVisible()) {
            frm_Ficha &f = frm_Ficha::Default();
            seen.caption = f.Caption();
            auto *image = dynamic_cast<tk::PictureBox *>(f.Controls().find(u"pic_Imagen"_s));
            seen.picture = image && image->hasPicture();
            f.cmdVinculo.button()->click();
            if (!ends.codes.empty())
                return seen;
        }
    }
    frm_Principal::Default().cmdGuia.button()->click();
    if (!ends.codes.empty())
        return seen;
    frm_Orlaneva::Default().cmdVinculo.button()->click();
    return seen;
}

const QString kCaptionHead = u"Datos de la Ficha: "_s;
const QString kCaptionTail
    = u" /  Pinche en el botón de Intenet para abrir el enlace asociado a cada Ficha."_s;

} // namespace

class TestBadCatalogue : public QObject
{
    Q_OBJECT

    QTemporaryDir m_outside;

private slots:
    void initTestCase()
    {
        // Other runs of the program on this machine (end-to-end tests) hold the instance
        // for a minute at most; waiting beats skipping.
        QDeadlineTimer patience(std::chrono::seconds(120));
        while (instanceTaken() && !patience.hasExpired())
            QThread::msleep(250);
    }

    // First of all: once Module1::Main has run here, this process holds the instance and the
    // child would end at once as a second copy.
    void realProgramWritesNothingOfItsOwn()
    {
        if (instanceTaken())
            QSKIP("another copy of the program runs for this user");
        QTemporaryDir root;
        const QString program = copyProgram(root);
        QVERIFY(!program.isEmpty());
        const QString app = root.filePath(u"app"_s);
        QVERIFY(QFileInfo(app + u"/fichas.mdb"_s).isFile());
        const QStringList before = snapshot(app);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QStringList homes{u"HOME"_s,          u"XDG_CONFIG_HOME"_s, u"XDG_CACHE_HOME"_s,
                                u"XDG_DATA_HOME"_s, u"XDG_RUNTIME_DIR"_s, u"TMPDIR"_s};
        for (const QString &name : homes) {
            const QString dir = root.filePath(name);
            QVERIFY(QDir().mkpath(dir));
            // Qt refuses a runtime folder that others may enter.
            QFile::setPermissions(
                dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            env.insert(name, dir);
        }
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);

        QProcess child;
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(root.filePath(u"HOME"_s));
        child.start(program, {});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        // Splash, then the main window with its catalogue open; then the desktop ends it.
        QVERIFY2(!child.waitForFinished(5000),
                 qPrintable(u"ended early with %1: %2"_s.arg(child.exitCode())
                                .arg(QString::fromLocal8Bit(child.readAllStandardError()))));
        child.terminate();
        QVERIFY(child.waitForFinished(5000));
        const QString errors = QString::fromLocal8Bit(child.readAllStandardError());
        if (!errors.isEmpty())
            qInfo().noquote() << "program's standard error:" << errors;

        QCOMPARE(snapshot(app), before);
        for (const QString &name : homes)
            QVERIFY2(snapshot(root.filePath(name)).isEmpty(),
                     qPrintable(name + u": "_s + snapshot(root.filePath(name)).join(u", "_s)));
    }

    // Started as a desktop session may start it, with little or nothing set: no runtime
    // folder, no display. Still before Module1::Main runs in this process.
    void realProgramInABareEnvironment_data()
    {
        QTest::addColumn<QString>("platform"); // empty: the toolkit's own choice
        QTest::addColumn<int>("end"); // -1: still running after the splash
        QTest::addColumn<QString>("says");
        QTest::newRow("no runtime folder") << u"offscreen"_s << -1 << QString();
        QTest::newRow("no display") << QString() << 1 << u"no hay ninguna pantalla"_s;
        QTest::newRow("no display for the X platform")
            << u"xcb"_s << 1 << u"no hay ninguna pantalla"_s;
    }
    void realProgramInABareEnvironment()
    {
        QFETCH(QString, platform);
        QFETCH(int, end);
        QFETCH(QString, says);
        if (instanceTaken())
            QSKIP("another copy of the program runs for this user");
        QTemporaryDir root;
        const QString program = copyProgram(root);
        QVERIFY(!program.isEmpty());
        const QString app = root.filePath(u"app"_s);
        const QStringList before = snapshot(app);
        const QString home = root.filePath(u"home"_s);
        const QString tmp = root.filePath(u"tmp"_s);
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir().mkpath(tmp));

        // As env -i leaves it (no DISPLAY, no XDG_RUNTIME_DIR), with a home and a temporary
        // folder to watch.
        QProcessEnvironment env;
        env.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        env.insert(u"HOME"_s, home);
        env.insert(u"TMPDIR"_s, tmp);
        if (!platform.isEmpty())
            env.insert(u"QT_QPA_PLATFORM"_s, platform);

        QProcess child;
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(home);
        child.start(program, {});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        const bool ended = child.waitForFinished(end == -1 ? 5000 : 30000);
        const QString errors = QString::fromUtf8(child.readAllStandardError());
        if (end == -1) {
            QVERIFY2(!ended, qPrintable(u"ended with %1: %2"_s.arg(child.exitCode()).arg(errors)));
            child.terminate();
            QVERIFY(child.waitForFinished(5000));
        } else {
            QVERIFY(ended);
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), end);
            QVERIFY2(errors.contains(says), qPrintable(errors));
            QVERIFY2(!errors.contains(u"platform plugin"_s), qPrintable(errors));
        }
        QCOMPARE(snapshot(app), before);
        QVERIFY2(snapshot(tmp).isEmpty(), qPrintable(snapshot(tmp).join(u", "_s)));
        QVERIFY2(snapshot(home).isEmpty(), qPrintable(snapshot(home).join(u", "_s)));
    }

    // The folder comes from the kernel's record of the executable, as bytes.
    void programFolderFromTheExecutable_data()
    {
        QTest::addColumn<QByteArray>("executable");
        QTest::addColumn<QString>("folder"); // empty: the name cannot be used
        QTest::newRow("ordinary") << QByteArray("/opt/orlaneva/orlaneva") << u"/opt/orlaneva"_s;
        QTest::newRow("at the root") << QByteArray("/orlaneva") << u"/"_s;
        QTest::newRow("accents in UTF-8")
            << QByteArray("/srv/Educaci\xc3\xb3n/orlaneva") << u"/srv/Educación"_s;
        QTest::newRow("backslashes kept")
            << QByteArray("/srv/Recursos\\2024\\/orlaneva") << u"/srv/Recursos\\2024\\"_s;
        QTest::newRow("Latin-1 name") << QByteArray("/srv/caf\xe9/orlaneva") << QString();
        QTest::newRow("cut UTF-8 sequence") << QByteArray("/srv/a\xc3/orlaneva") << QString();
    }
    void programFolderFromTheExecutable()
    {
        QFETCH(QByteArray, executable);
        QFETCH(QString, folder);
        try {
            QCOMPARE(tk::App::folderOfExecutable(executable), folder);
            QVERIFY(!folder.isEmpty());
        } catch (const orlaneva::Error &e) {
            QVERIFY2(folder.isEmpty(), qPrintable(e.description()));
            QCOMPARE(e.number(), orlaneva::ErrorNumber::PathNotFound);
            QVERIFY2(e.description().contains(u"No se puede usar la carpeta del programa"_s),
                     qPrintable(e.description()));
        }
    }

    void fullSessionChangesNothingInTheProgramFolder()
    {
        if (tk::App::PrevInstance())
            QSKIP("another copy of the program runs for this user");
        testing::AppFolder folder({card(u"Cuentos del mundo"_s)});
        folder.writeDocuments();
        folder.writePicture(u"Fichas/1.png"_s, {200, 200});
        const QStringList before = snapshot(folder.path());
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        DesktopStandIn desktop;

        const Session seen = runSession(ends);
        QVERIFY(seen.picture);
        frm_Principal::Default().cmdAutores.button()->click();
        QVERIFY(frm_Autores::Default().isVisible());
        frm_Principal::Default().cmdVolver.button()->click();

        QCOMPARE(ends.codes, std::vector<int>({0}));
        QVERIFY(boxes.boxes.empty());
        QCOMPARE(desktop.opened,
                 QStringList(
                     {u"https://example.org"_s,
                      QFileInfo(folder.file(u"Documentos/Orlaneva.pdf"_s)).canonicalFilePath()}));
        QCOMPARE(snapshot(folder.path()), before);
    }

    void cleanup()
    {
        testing::EndRecorder ends;
        tk::dispatch([] {
            frm_Ficha::dropDefault();
            frm_Tarvelo::dropDefault();
            frm_Orlaneva::dropDefault();
            frm_Autores::dropDefault();
            frm_Principal::dropDefault();
            frm_Splash::dropDefault();
        });
        testing::flushEvents();
    }

    // messages: a text each box must contain, in order; end: the exit status, or -1 for a
    // program that is still running; label, caption: the search count and card caption, when
    // the session gets that far.
    void badInputGivesAMessageOrASoundResult_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QStringList>("opened");

        const QString one = u"1 Fichas encontradas."_s;
        auto row = [](const char *kind, QStringList messages, int end, QString label = {},
                      QString caption = {}, bool picture = false, QStringList opened = {}) {
            QTest::newRow(kind) << QString::fromUtf8(kind) << messages << end << label << caption
                                << picture << opened;
        };
        row("no fichas.mdb", {u"fichas.mdb"_s}, 1);
        row("empty fichas.mdb", {u"fichas.mdb"_s}, 1);
        row("truncated SQLite", {u"fichas.mdb"_s}, 1);
        row("truncated Jet", {u"fichas.mdb"_s}, 1);
        row("folder fichas.mdb", {u"fichas.mdb"_s}, 1);
        row("unreadable fichas.mdb", {u"fichas.mdb"_s}, 1);
        row("no table Ficha", {u"Ficha"_s}, 1);
        row("Ficha with 5 columns", {u"11"_s}, 1, one);
        row("Id holding text", {}, -1, one);
        row("100000-character title", {}, -1, one,
            kCaptionHead + QString(100000, u'x') + kCaptionTail, true);
        row("control and right-to-left title", {}, -1, one,
            kCaptionHead + u"a\tb\x01\x1b[31m\u202eשלום عربي"_s + kCaptionTail, true);
        row("image ../", {}, -1, one, kCaptionHead + u"Fuera"_s + kCaptionTail, false);
        row("image ../ with slashes", {}, -1, one, kCaptionHead + u"Fuera"_s + kCaptionTail, false);
        row("image absolute path", {u"No se encuentra el archivo de imagen"_s}, -1, one,
            kCaptionHead + u"Fuera"_s + kCaptionTail, false);
        row("image name in other case", {}, -1, one, kCaptionHead + u"Mayúsculas"_s + kCaptionTail,
            true);
        row("corrupt picture", {u"1.png"_s}, -1, one,
            kCaptionHead + u"Cuentos del mundo"_s + kCaptionTail, false);
        row("empty picture", {u"1.png"_s}, -1, one,
            kCaptionHead + u"Cuentos del mundo"_s + kCaptionTail, false);
        row("huge picture", {u"demasiado grande"_s}, -1, one,
            kCaptionHead + u"Cuentos del mundo"_s + kCaptionTail, false);
        row("no Documentos files", {u"Presentación.bmp"_s, u"Orlaneva.bmp"_s, u"Orlaneva.pdf"_s},
            -1, one, kCaptionHead + u"Cuentos del mundo"_s + kCaptionTail, true);
        const QString shown = kCaptionHead + u"Cuentos del mundo"_s + kCaptionTail;
        const QString two = u"2 Fichas encontradas."_s;
        row("WAL with commits not checkpointed", {}, -1, one, shown, true);
        row("hot rollback journal", {}, -1, one, shown, true);
        row("UTF-16 catalogue", {}, -1, one, shown, true);
        row("WITHOUT ROWID, a text Id", {}, -1, two, shown, true);
        row("Ids of every type", {}, -1, u"4 Fichas encontradas."_s, shown, true);
        row("collation and function the program lacks", {}, -1, one, shown, true);
        row("3 GB fichas.mdb", {}, -1, one, shown, true);
        row("replaced before the search", {}, -1, two,
            kCaptionHead + u"Otro título"_s + kCaptionTail, true);
        row("replaced between search and card", {}, -1, one, shown, true);
        row("rewritten between search and card", {}, -1, one, shown, true);
        row("deleted between search and card", {u"No se pudo encontrar el archivo"_s}, 1, one);

        // %APP%: the program folder as the file system spells it.
        const QString cuentos = kCaptionHead + u"Cuentos del mundo"_s + kCaptionTail;
        const QStringList both{u"https://example.org"_s, u"%APP%/Documentos/Orlaneva.pdf"_s};
        for (const char *kind : {"folder with blanks and accents", "folder with a semicolon",
                                 "folder naming another Data Source",
                                 "folder with apostrophe and quotes", "folder with an equals sign",
                                 "folder with a backslash", "folder ending in a backslash"})
            row(kind, {}, -1, one, cuentos, true, both);
        row("Fichas a link to another folder", {}, -1, one, cuentos, true, both);
        row("picture a link to a file elsewhere", {}, -1, one,
            kCaptionHead + u"Enlazada"_s + kCaptionTail, true, both);
        row("FIFO as card picture", {u"1.png' no es un archivo de imagen"_s}, -1, one, cuentos,
            false, both);
        row("FIFOs as Documentos files",
            {u"Presentación.bmp' no es un archivo de imagen"_s,
             u"Orlaneva.bmp' no es un archivo de imagen"_s, u"Orlaneva.pdf» no es un documento"_s},
            -1, one, cuentos, true, {u"https://example.org"_s});
        const QString enlace = kCaptionHead + u"Enlace"_s + kCaptionTail;
        const QStringList guide{u"%APP%/Documentos/Orlaneva.pdf"_s};
        row("link of 128 KiB", {u"no admite más de 131071"_s}, -1, one, enlace, true, guide);
        row("link with a newline", {u"caracteres de control"_s}, -1, one, enlace, true, guide);
        row("mailto link with attach=", {}, -1, one, enlace, true,
            {u"mailto:a@example.org?subject=Hola"_s, u"%APP%/Documentos/Orlaneva.pdf"_s});
    }
    void badInputGivesAMessageOrASoundResult()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, messages);
        QFETCH(int, end);
        QFETCH(QString, label);
        QFETCH(QString, caption);
        QFETCH(bool, picture);
        QFETCH(QStringList, opened);

        if (tk::App::PrevInstance())
            QSKIP("another copy of the program runs for this user");
        afterStartup = nullptr;
        afterSearch = nullptr;
        testing::AppFolder folder({card(u"Cuentos del mundo"_s)});
        changedFolder = folder.path();
        folder.writeDocuments();
        folder.writePicture(u"Fichas/1.png"_s, {200, 200});
        QVERIFY(m_outside.isValid());
        QImage outsidePicture(40, 40, QImage::Format_RGB32);
        outsidePicture.fill(Qt::red);
        QVERIFY(outsidePicture.save(m_outside.filePath(u"outside.png"_s)));
        prepare(kind, folder, m_outside.path());
        if (QTest::currentTestFailed())
            return;
        // Root, or a process allowed past permission bits, reads the file anyway.
        if (kind == u"unreadable fichas.mdb"
            && QFile(folder.file(u"fichas.mdb"_s)).open(QIODevice::ReadOnly))
            QSKIP("permission bits do not stop this user reading (root or CAP_DAC_OVERRIDE)");
        const QStringList before = snapshot(folder.path());

        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        DesktopStandIn desktop;
        const Session seen = runSession(ends);

        QStringList prompts;
        for (const tk::MsgBoxRequest &box : boxes.boxes)
            prompts << box.prompt.left(300);

        QCOMPARE(ends.codes.empty() ? -1 : ends.codes.front(), end);
        QVERIFY2(ends.codes.size() <= 1, "the program went on after its end");
        QCOMPARE(prompts.size(), messages.size());
        for (int i = 0; i < messages.size(); ++i)
            QVERIFY2(prompts[i].contains(messages[i], Qt::CaseInsensitive), qPrintable(prompts[i]));
        if (!label.isEmpty())
            QCOMPARE(seen.label, label);
        if (end == -1) {
            // An empty caption: the card window must not have opened.
            QCOMPARE(seen.caption, caption);
            QCOMPARE(seen.picture, picture);
        }
        QCOMPARE(snapshot(folder.path()), afterStartup || afterSearch ? folderAfterChange : before);
        if (!opened.isEmpty()) {
            const QString app = QFileInfo(tk::App::Path()).canonicalFilePath();
            QCOMPARE(desktop.opened, opened.replaceInStrings(u"%APP%"_s, app));
        }
    }
};

QTEST_MAIN(TestBadCatalogue)
#include "tst_badcatalogue.moc"
