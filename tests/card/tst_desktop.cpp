#include "toolkit/Desktop.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// An xdg-open of our own, first on PATH: it writes down the arguments of every call.
class FakeXdgOpen
{
public:
    FakeXdgOpen() : m_oldPath(qgetenv("PATH"))
    {
        const QString script = m_bin.filePath(u"xdg-open"_s);
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the fake xdg-open");
        file.write("#!/bin/sh\n{ printf '%s' \"$#\"; for a in \"$@\"; do printf '\\037%s' \"$a\"; "
                   "done; printf '\\036'; } >> '"
                   + m_bin.filePath(u"calls"_s).toUtf8() + "'\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", m_bin.path().toUtf8() + ':' + m_oldPath);
    }
    ~FakeXdgOpen() { qputenv("PATH", m_oldPath); }

    // Each call: its argument list.
    QList<QStringList> calls() const
    {
        QFile file(m_bin.filePath(u"calls"_s));
        QList<QStringList> result;
        if (!file.open(QIODevice::ReadOnly))
            return result;
        QList<QByteArray> records = file.readAll().split('\x1e');
        records.removeLast(); // still being written, or empty
        for (const QByteArray &record : records) {
            QStringList fields = QString::fromUtf8(record).split(QChar(0x1f));
            const int count = fields.takeFirst().toInt();
            if (count != fields.size())
                fields << u"<argument count %1>"_s.arg(count);
            result << fields;
        }
        return result;
    }

private:
    QTemporaryDir m_bin;
    QByteArray m_oldPath;
};

int open(const QString &link)
{
    return tk::ShellExecute(0, u"Open"_s, link, QString(), u"0"_s, tk::SW_SHOWNORMAL);
}

const QByteArray kPdf = QByteArrayLiteral("%PDF-1.4\n1 0 obj <<>> endobj\n%%EOF\n");

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::AppFolder> m_folder;
    std::unique_ptr<testing::MsgBoxRecorder> m_boxes;
    QString m_app; // the folder as the file system names it
    int m_socket = -1;

    QString expand(QString text) const { return text.replace(u"%APP%"_s, m_folder->path()); }

private slots:
    void init()
    {
        m_folder = std::make_unique<testing::AppFolder>();
        m_app = QFileInfo(m_folder->path()).canonicalFilePath();
        m_boxes = std::make_unique<testing::MsgBoxRecorder>();
        m_folder->writeFile(u"Documentos/guia.pdf"_s, kPdf);
        m_folder->writeFile(u"Documentos/a b;$(touch pwned)'.pdf"_s, kPdf);
        QFile::link(m_folder->file(u"Documentos/guia.pdf"_s),
                    m_folder->file(u"Documentos/enlace.pdf"_s));

        m_folder->writeFile(u"Documentos/ejecutable.pdf"_s, kPdf);
        QFile::setPermissions(m_folder->file(u"Documentos/ejecutable.pdf"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::link(m_folder->file(u"Documentos/ejecutable.pdf"_s),
                    m_folder->file(u"Documentos/atajo.pdf"_s));
        m_folder->writeFile(u"Documentos/programa.pdf"_s,
                            QByteArray("\x7f"
                                       "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0",
                                       16));
        m_folder->writeFile(u"Documentos/guion.txt"_s, "#!/bin/sh\necho hola\n");
        m_folder->writeFile(u"Documentos/instalar.sh"_s, "echo hola\n");
        m_folder->writeFile(u"Documentos/calculo.py"_s, "print(1)\n");
        m_folder->writeFile(u"Documentos/abrir.desktop"_s, "hola\n");
        m_folder->writeFile(u"Documentos/leeme.txt"_s,
                            "# notas\n[Desktop Entry]\nType=Application\nExec=sh -c 'rm -rf ~'\n");
        m_folder->writeFile(u"Documentos/setup.exe"_s, "MZ\x90");
        m_folder->writeFile(u"Documentos/foto.jpg"_s, "MZ\x90");
        m_folder->writeFile(u"Documentos/línea\nnueva.pdf"_s, kPdf);
        QCOMPARE(::mkfifo(QFile::encodeName(m_folder->file(u"Documentos/tuberia.pdf"_s)), 0600), 0);
        m_socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(m_folder->file(u"Documentos/socket.pdf"_s));
        QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        QCOMPARE(::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    }

    void cleanup()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
        m_boxes.reset();
        m_folder.reset();
    }

    void acceptedLinksReachXdgOpenAsOneArgument_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("expected"); // %APP%: the catalogue folder
        QTest::newRow("https") << u"https://www.edu.xunta.gal/portal/?a=1&b=2"_s
                               << u"https://www.edu.xunta.gal/portal/?a=1&b=2"_s;
        QTest::newRow("scheme in capitals")
            << u"HTTP://Example.org/Ruta"_s << u"HTTP://Example.org/Ruta"_s;
        QTest::newRow("mailto") << u"mailto:orlaneva@example.org"_s
                                << u"mailto:orlaneva@example.org"_s;
        QTest::newRow("bare www") << u"www.xunta.gal"_s << u"http://www.xunta.gal"_s;
        QTest::newRow("blanks around")
            << u"  https://example.org/x \n"_s << u"https://example.org/x"_s;
        QTest::newRow("relative, backslashes")
            << u"Documentos\\guia.pdf"_s << u"%APP%/Documentos/guia.pdf"_s;
        QTest::newRow("relative, slashes")
            << u"Documentos/guia.pdf"_s << u"%APP%/Documentos/guia.pdf"_s;
        QTest::newRow("absolute, as the guide composes it")
            << u"%APP%\\Documentos\\guia.pdf"_s << u"%APP%/Documentos/guia.pdf"_s;
        QTest::newRow("file url") << u"file://%APP%/Documentos/guia.pdf"_s
                                  << u"%APP%/Documentos/guia.pdf"_s;
        QTest::newRow("file url, localhost, escapes")
            << u"file://localhost%APP%/Documentos/gu%69a.pdf"_s << u"%APP%/Documentos/guia.pdf"_s;
        QTest::newRow("symbolic link")
            << u"Documentos\\enlace.pdf"_s << u"%APP%/Documentos/guia.pdf"_s;
        QTest::newRow("folder") << u"Documentos"_s << u"%APP%/Documentos"_s;
        QTest::newRow("mailto, only the fields a person writes")
            << u"mailto:a@example.org?Subject=Hola&attach=/etc/passwd&body=Texto&ATTACHMENT=~/.ssh/id_rsa&%61ttach=x"_s
            << u"mailto:a@example.org?Subject=Hola&body=Texto"_s;
        QTest::newRow("mailto, copies kept")
            << u"mailto:a@example.org?CC=b@example.org&x-mozilla-html=1&Bcc=c@example.org&To=d@example.org"_s
            << u"mailto:a@example.org?CC=b@example.org&Bcc=c@example.org&To=d@example.org"_s;
        QTest::newRow("mailto, nothing left to keep")
            << u"mailto:a@example.org?attach=/etc/passwd"_s << u"mailto:a@example.org"_s;
        const QString address = u"https://example.org/?q="_s;
        QTest::newRow("longest link one argument holds")
            << address + QString(131071 - address.size(), u'a')
            << address + QString(131071 - address.size(), u'a');
        QTest::newRow("shell metacharacters") << u"Documentos\\a b;$(touch pwned)'.pdf"_s
                                              << u"%APP%/Documentos/a b;$(touch pwned)'.pdf"_s;
    }

    void acceptedLinksReachXdgOpenAsOneArgument()
    {
        QFETCH(QString, link);
        QFETCH(QString, expected);
        FakeXdgOpen desktop;
        QVERIFY(open(expand(link)) > 32);
        QTRY_COMPARE(desktop.calls().size(), 1);
        QCOMPARE(desktop.calls().first(),
                 QStringList{QString(expected).replace(u"%APP%"_s, m_app)});
        QVERIFY(m_boxes->boxes.empty());
        QVERIFY(!QFile::exists(m_folder->file(u"pwned"_s)));
        QVERIFY(!QFile::exists(u"pwned"_s));
    }

    void unsafeLinksAreRefusedWithAReason_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("reason");
        const QString runs = u"un programa, un guion o un lanzador"_s;
        const QString scheme = u"solo se abren direcciones web"_s;
        QTest::newRow("execute permission")
            << u"Documentos\\ejecutable.pdf"_s << u"permiso de ejecución"_s;
        QTest::newRow("symbolic link to a program")
            << u"Documentos\\atajo.pdf"_s << u"permiso de ejecución"_s;
        QTest::newRow("program content") << u"Documentos\\programa.pdf"_s << runs;
        QTest::newRow("script by its first line") << u"Documentos\\guion.txt"_s << runs;
        QTest::newRow("script by its name") << u"Documentos\\instalar.sh"_s << runs;
        QTest::newRow("python by its name") << u"Documentos\\calculo.py"_s << runs;
        QTest::newRow("launcher by its name") << u"Documentos\\abrir.desktop"_s << runs;
        QTest::newRow("launcher by its content") << u"Documentos\\leeme.txt"_s << runs;
        QTest::newRow("Windows program") << u"Documentos\\setup.exe"_s << runs;
        QTest::newRow("Windows program as a picture") << u"Documentos\\foto.jpg"_s << runs;
        QTest::newRow("file url to a script") << u"file://%APP%/Documentos/guion.txt"_s << runs;
        QTest::newRow("javascript") << u"javascript:alert(1)"_s << scheme;
        QTest::newRow("ftp") << u"ftp://example.org/guia.pdf"_s << scheme;
        QTest::newRow("data") << u"data:text/html,<script>alert(1)</script>"_s << scheme;
        QTest::newRow("smb") << u"smb://servidor/recursos/guia.pdf"_s << scheme;
        QTest::newRow("file url on another host")
            << u"file://servidor/recursos/guia.pdf"_s << scheme;
        QTest::newRow("missing document") << u"Documentos\\no-existe.pdf"_s << u"No se encuentra"_s;
        QTest::newRow("Windows drive") << u"C:\\Documentos\\guia.pdf"_s << u"unidad C:"_s;
        QTest::newRow("web address without host") << u"http:guia.pdf"_s << u"no es válida"_s;
        QTest::newRow("device") << u"/dev/zero"_s << u"no es un documento"_s;
        QTest::newRow("fifo") << u"Documentos\\tuberia.pdf"_s << u"no es un documento"_s;
        QTest::newRow("socket") << u"Documentos\\socket.pdf"_s << u"no es un documento"_s;
    }

    void unsafeLinksAreRefusedWithAReason()
    {
        QFETCH(QString, link);
        QFETCH(QString, reason);
        const QString given = expand(link);
        const tk::DesktopTarget target = tk::desktopTarget(given);
        QCOMPARE(target.target, QString());
        QVERIFY2(target.refusal.contains(reason), qPrintable(target.refusal));

        FakeXdgOpen desktop;
        QVERIFY(open(given) <= 32);
        QCOMPARE(m_boxes->boxes.size(), size_t(1));
        QVERIFY(m_boxes->boxes[0].prompt.contains(reason));
        QVERIFY(m_boxes->boxes[0].prompt.contains(given));
        QCOMPARE(m_boxes->boxes[0].buttons, int(tk::vbExclamation));
        // A later, harmless link is the only thing the desktop ever receives.
        const QString sentinel = u"https://example.org/despues"_s;
        QVERIFY(open(sentinel) > 32);
        QTRY_COMPARE(desktop.calls().size(), 1);
        QCOMPARE(desktop.calls().first(), QStringList{sentinel});
    }

    // What the desktop cannot take is refused before anything is looked up or started, with
    // the reason; the message shows the link's start, without its control characters.
    void linksTheDesktopCannotTakeAreRefusedAtOnce_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("reason");
        const QString address = u"https://example.org/?q="_s;
        const QString tooLong = u"no admite más de 131071"_s;
        const QString control = u"caracteres de control"_s;
        QTest::newRow("one byte more than one argument holds")
            << address + QString(131072 - address.size(), u'a') << tooLong;
        QTest::newRow("long in bytes, not in characters")
            << address + QString(65536, u'ñ') << tooLong;
        QTest::newRow("bare www address grown past the limit")
            << u"www."_s + QString(131071 - 4, u'a') << tooLong;
        QTest::newRow("newline inside") << u"https://example.org/a\nb"_s << control;
        QTest::newRow("tab inside") << u"https://example.org/a\tb"_s << control;
        QTest::newRow("escape sequence") << u"https://example.org/\x1b[31m"_s << control;
        QTest::newRow("delete") << u"mailto:a@example.org\x7f"_s << control;
        QTest::newRow("C1 control") << u"https://example.org/\u0085x"_s << control;
        QTest::newRow("NUL") << u"https://example.org/a"_s + QChar(0) + u"b"_s << control;
        QTest::newRow("existing document named with a newline")
            << u"Documentos\\línea\nnueva.pdf"_s << control;
    }
    void linksTheDesktopCannotTakeAreRefusedAtOnce()
    {
        QFETCH(QString, link);
        QFETCH(QString, reason);
        FakeXdgOpen desktop;
        QVERIFY(open(link) <= 32);
        QCOMPARE(m_boxes->boxes.size(), size_t(1));
        const QString prompt = m_boxes->boxes[0].prompt;
        QVERIFY2(prompt.contains(reason), qPrintable(prompt.left(300)));
        QVERIFY(prompt.size() < 1000);
        QVERIFY(std::none_of(prompt.begin(), prompt.end(),
                             [](QChar c) { return c.category() == QChar::Other_Control; }));
        const QString sentinel = u"https://example.org/despues"_s;
        QVERIFY(open(sentinel) > 32);
        QTRY_COMPARE(desktop.calls().size(), 1);
        QCOMPARE(desktop.calls().first(), QStringList{sentinel});
    }

    void missingXdgOpenIsReported()
    {
        QTemporaryDir empty;
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", empty.path().toUtf8());
        const int result = open(u"https://example.org"_s);
        qputenv("PATH", oldPath);
        QVERIFY(result <= 32);
        QCOMPARE(m_boxes->boxes.size(), size_t(1));
        QVERIFY(m_boxes->boxes[0].prompt.contains(u"xdg-open"_s));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
