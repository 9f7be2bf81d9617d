#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct CheckRun
{
    int exitCode = -1;
    QString output;
};

CheckRun runCheck(const QString &root)
{
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral(ORLANEVA_PYTHON),
                {QStringLiteral("-B"),
                 QStringLiteral(ORLANEVA_SOURCE_DIR "/scripts/check-layers.py"), root});
    if (!check.waitForFinished(60000))
        return {};
    return {check.exitCode(), QString::fromUtf8(check.readAll())};
}

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(file);
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

bool appendLine(const QString &path, const QByteArray &line)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(line + '\n') == line.size() + 1;
}

} // namespace

class tst_Layers : public QObject
{
    Q_OBJECT

private slots:
    void treeAsItStands();
    void injectedInclude_data();
    void injectedInclude();
};

void tst_Layers::treeAsItStands()
{
    const CheckRun run = runCheck(QStringLiteral(ORLANEVA_SOURCE_DIR));
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
}

void tst_Layers::injectedInclude_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("include");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("toolkit up to the frame")
        << "toolkit/Form.cpp" << QByteArray("#include \"frame/CommonFrame.h\"") << false;
    QTest::newRow("toolkit sideways to db")
        << "toolkit/Controls.h" << QByteArray("#include \"db/Connection.h\"") << false;
    QTest::newRow("db up to a window")
        << "db/Connection.cpp" << QByteArray("#include \"search/frm_Tarvelo.h\"") << false;
    QTest::newRow("viewer up to the frame")
        << "viewer/cPicScroll.cpp" << QByteArray("  #  include \"frame/LinkWindow.h\"") << false;
    QTest::newRow("card back to the search window")
        << "card/frm_Ficha.cpp" << QByteArray("#include \"search/frm_Tarvelo.h\"") << false;
    QTest::newRow("card back to the main window")
        << "card/frm_Ficha.h" << QByteArray("#include \"app/frm_Principal.h\"") << false;
    QTest::newRow("guide sideways to the card")
        << "guide/frm_Orlaneva.cpp" << QByteArray("#include \"card/frm_Ficha.h\"") << false;
    QTest::newRow("a folder with no layer")
        << "extra/Thing.cpp" << QByteArray("#include \"toolkit/Form.h\"") << false;
    QTest::newRow("guide down to the viewer")
        << "guide/frm_Orlaneva.cpp" << QByteArray("#include \"viewer/cPicScroll.h\"") << true;
    QTest::newRow("search to the shared card number")
        << "search/frm_Tarvelo.h" << QByteArray("#include \"app/Module1.h\"") << true;
    QTest::newRow("main to the windows")
        << "main.cpp" << QByteArray("#include \"search/frm_Tarvelo.h\"") << true;
    QTest::newRow("a system header")
        << "db/Connection.cpp" << QByteArray("#include <QWidget>") << true;
}

void tst_Layers::injectedInclude()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, include);
    QFETCH(bool, accepted);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString src = root.path() + QStringLiteral("/src");
    QVERIFY(copyTree(QStringLiteral(ORLANEVA_SOURCE_DIR "/src"), src));
    QVERIFY(QDir().mkpath(QFileInfo(src + QLatin1Char('/') + file).path()));
    QVERIFY(appendLine(src + QLatin1Char('/') + file, include));

    const CheckRun run = runCheck(root.path());
    QCOMPARE(run.exitCode == 0, accepted);
    if (!accepted)
        QVERIFY2(run.output.contains(file), qPrintable(run.output));
    else
        QVERIFY2(run.output.isEmpty(), qPrintable(run.output));
}

QTEST_GUILESS_MAIN(tst_Layers)
#include "tst_layers.moc"
