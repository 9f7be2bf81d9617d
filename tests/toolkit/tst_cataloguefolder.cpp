#include "toolkit/CatalogueFolder.h"
#include "toolkit/Desktop.h"
#include "toolkit/Services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Sets an environment variable for one test and puts the old value back after it.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QString &value, bool set = true)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (set)
            qputenv(name, value.toLocal8Bit());
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

// Folders for the program and the data places, under one temporary root.
struct Places
{
    QTemporaryDir root;
    QString folder(const QString &name) const { return root.filePath(name); }
};

} // namespace

class TestCatalogueFolder : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        tk::App::setPathForTesting(QString());
        tk::App::setDataFoldersForTesting(std::nullopt);
    }

    // A null text leaves the variable unset.
    void dataFoldersFollowTheBaseDirectoryRules_data()
    {
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("dataDirs");
        QTest::addColumn<QStringList>("expected");

        const QStringList defaults{u"/usr/local/share/orlaneva"_s, u"/usr/share/orlaneva"_s};
        const QString home = u"/home/ana/.local/share/orlaneva"_s;
        QTest::newRow("nothing set") << QString() << QString() << (QStringList{home} + defaults);
        QTest::newRow("both empty") << u""_s << u""_s << (QStringList{home} + defaults);
        QTest::newRow("both set") << u"/datos/ana"_s << u"/opt/a:/srv/b/"_s
                                  << QStringList{u"/datos/ana/orlaneva"_s, u"/opt/a/orlaneva"_s,
                                                 u"/srv/b/orlaneva"_s};
        QTest::newRow("relative paths are ignored")
            << u"datos"_s << u"rel::/opt/a:otra"_s << QStringList{home, u"/opt/a/orlaneva"_s};
        QTest::newRow("only relative system folders")
            << u"/d"_s << u"a:b"_s << (QStringList{u"/d/orlaneva"_s} + defaults);
        QTest::newRow("repeated folders once") << u"/usr/share"_s << u"/usr/share:/usr/share/"_s
                                               << QStringList{u"/usr/share/orlaneva"_s};
    }
    void dataFoldersFollowTheBaseDirectoryRules()
    {
        QFETCH(QString, dataHome);
        QFETCH(QString, dataDirs);
        QFETCH(QStringList, expected);
        ScopedEnv home("HOME", u"/home/ana"_s);
        ScopedEnv dataHomeEnv("XDG_DATA_HOME", dataHome, !dataHome.isNull());
        ScopedEnv dataDirsEnv("XDG_DATA_DIRS", dataDirs, !dataDirs.isNull());
        QCOMPARE(tk::App::dataFolders(), expected);
    }

    // holding: the places with something named fichas.mdb ("app", "home", "sys1", "sys2"),
    // a "/" after the name for a folder so named; chosen: the place read, "app" when none.
    void theFirstPlaceHoldingACatalogueIsRead_data()
    {
        QTest::addColumn<QStringList>("holding");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("found");

        QTest::newRow("beside the program first")
            << QStringList{u"app"_s, u"home"_s, u"sys1"_s} << u"app"_s << true;
        QTest::newRow("the user's before the system's")
            << QStringList{u"home"_s, u"sys2"_s} << u"home"_s << true;
        QTest::newRow("first system folder holding one")
            << QStringList{u"sys2"_s} << u"sys2"_s << true;
        QTest::newRow("a folder named fichas.mdb still stops the search")
            << QStringList{u"app/"_s, u"home"_s} << u"app"_s << true;
        QTest::newRow("none anywhere") << QStringList() << u"app"_s << false;
    }
    void theFirstPlaceHoldingACatalogueIsRead()
    {
        QFETCH(QStringList, holding);
        QFETCH(QString, chosen);
        QFETCH(bool, found);
        Places places;
        QVERIFY(places.root.isValid());
        const QStringList names{u"app"_s, u"home"_s, u"sys1"_s, u"sys2"_s};
        for (const QString &name : names)
            QVERIFY(QDir().mkpath(places.folder(name)));
        for (const QString &entry : holding) {
            const QString mdb = places.folder(QString(entry).remove(u'/')) + u"/fichas.mdb"_s;
            if (entry.endsWith(u'/')) {
                QVERIFY(QDir().mkpath(mdb));
            } else {
                QFile file(mdb);
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        tk::App::setPathForTesting(places.folder(u"app"_s));
        tk::App::setDataFoldersForTesting(QStringList{
            places.folder(u"home"_s), places.folder(u"sys1"_s), places.folder(u"sys2"_s)});

        const tk::App::CatalogueFolder where = tk::App::findCatalogue();
        QCOMPARE(where.path, places.folder(chosen));
        QCOMPARE(where.found, found);
        QStringList searched;
        for (const QString &name : names)
            searched << places.folder(name);
        QCOMPARE(where.searched, searched);
        QCOMPARE(tk::App::cataloguePath(), places.folder(chosen));
    }

    void theNoteNamesEveryFolderAndTheUsersOwn()
    {
        const tk::App::CatalogueFolder none{u"/usr/lib/orlaneva"_s,
                                            false,
                                            {u"/usr/lib/orlaneva"_s,
                                             u"/home/ana/.local/share/orlaneva"_s,
                                             u"/usr/share/orlaneva"_s}};
        const QString note = tk::App::catalogueNotFoundNote(none);
        QCOMPARE(note,
                 u"\n\nSe ha buscado fichas.mdb en estas carpetas:\n/usr/lib/orlaneva\n"
                 "/home/ana/.local/share/orlaneva\n/usr/share/orlaneva\n\n"
                 "Para usar un catálogo propio, copie fichas.mdb y las carpetas Fichas y "
                 "Documentos en /home/ana/.local/share/orlaneva."_s);
    }

    // A card's link to a document of the catalogue is read where the catalogue was found.
    void aRelativeDocumentIsTakenFromTheCataloguesFolder()
    {
        Places places;
        QVERIFY(places.root.isValid());
        const QString data = places.folder(u"data"_s);
        QVERIFY(QDir().mkpath(places.folder(u"app"_s)));
        QVERIFY(QDir().mkpath(data + u"/Documentos"_s));
        QFile mdb(data + u"/fichas.mdb"_s);
        QVERIFY(mdb.open(QIODevice::WriteOnly));
        QFile guide(data + u"/Documentos/Guía.pdf"_s);
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.write("%PDF-1.4\n%%EOF\n");
        guide.close();
        tk::App::setPathForTesting(places.folder(u"app"_s));
        tk::App::setDataFoldersForTesting(QStringList{data});

        const tk::DesktopTarget target = tk::desktopTarget(u"Documentos\\Guía.pdf"_s);
        QCOMPARE(target.refusal, QString());
        QCOMPARE(target.target, QFileInfo(guide.fileName()).canonicalFilePath());
    }
};

QTEST_GUILESS_MAIN(TestCatalogueFolder)
#include "tst_cataloguefolder.moc"
