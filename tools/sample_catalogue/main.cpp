// Writes the sample catalogue into a folder: fichas.mdb, the card pictures in Fichas and the
// presentation, guide cover, guide and linked documents in Documentos. With --synthetic N it
// writes only a fichas.mdb of N generated cards, for benchmarks. With --jet fichas.mdb is a
// Jet 4 (Access) file instead of SQLite.
#include "CardData.h"
#include "CatalogueWriter.h"
#include "Documents.h"
#include "Pictures.h"
#include "Synthetic.h"
#include "jetwriter/FromSqlite.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: sample_catalogue --out DIR [--synthetic COUNT] [--jet]\n");
    return 2;
}

qint64 folderSize(const QString &path)
{
    qint64 total = 0;
    for (const QFileInfo &info : QDir(path).entryInfoList(QDir::Files))
        total += info.size();
    return total;
}

void writeSample(const QString &out)
{
    const QDir dir(out);
    dir.mkpath(QStringLiteral("Fichas"));
    dir.mkpath(QStringLiteral("Documentos"));
    const QList<SampleCard> cards = sampleCards();

    CatalogueWriter writer(dir.filePath(QStringLiteral("fichas.mdb")));
    for (const SampleCard &card : cards) {
        writer.add(card);
        if (card.imagen)
            saveIndexed(drawCardPicture(card),
                        dir.filePath(QStringLiteral("Fichas/") + *card.imagen), "PNG");
    }
    writer.commit();

    saveIndexed(drawPresentation(), dir.filePath(QStringLiteral("Documentos/Presentación.bmp")),
                "BMP");
    saveIndexed(drawGuideCover(), dir.filePath(QStringLiteral("Documentos/Orlaneva.bmp")), "BMP");
    writeGuide(dir.filePath(QStringLiteral("Documentos/Orlaneva.pdf")), cards);
    for (const LinkedDocument &document : linkedDocuments())
        writeLinkedDocument(dir.filePath(QStringLiteral("Documentos/") + document.fileName),
                            document);
    std::printf("sample catalogue: %lld cards, pictures %.1f MB, documents %.1f MB in %s\n",
                qint64(cards.size()),
                double(folderSize(dir.filePath(QStringLiteral("Fichas")))) / 1e6,
                double(folderSize(dir.filePath(QStringLiteral("Documentos")))) / 1e6,
                qPrintable(QDir::toNativeSeparators(dir.absolutePath())));
}

// The same cards as a Jet 4 file in place of the SQLite one.
void convertToJet(const QString &path)
{
    const QString jet = path + QStringLiteral(".jet");
    jetwriter::copyFromSqlite(path, jet);
    QFile::remove(path);
    if (!QFile::rename(jet, path))
        throw std::runtime_error("cannot move the Jet catalogue into place");
}

} // namespace

int main(int argc, char **argv)
{
    QString out;
    int synthetic = 0;
    bool jet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            out = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--synthetic") == 0 && i + 1 < argc)
            synthetic = QString::fromLocal8Bit(argv[++i]).toInt();
        else if (std::strcmp(argv[i], "--jet") == 0)
            jet = true;
        else
            return usage();
    }
    if (out.isEmpty() || synthetic < 0)
        return usage();

    try {
        if (synthetic > 0) {
            QCoreApplication app(argc, argv);
            QDir().mkpath(out);
            QElapsedTimer timer;
            timer.start();
            writeSynthetic(QDir(out).filePath(QStringLiteral("fichas.mdb")), synthetic);
            if (jet)
                convertToJet(QDir(out).filePath(QStringLiteral("fichas.mdb")));
            std::printf("synthetic catalogue: %d cards in %.1f s\n", synthetic,
                        double(timer.elapsed()) / 1e3);
            return 0;
        }
        // Drawing text needs a GUI application, but never a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        writeSample(out);
        if (jet)
            convertToJet(QDir(out).filePath(QStringLiteral("fichas.mdb")));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "sample_catalogue: %s\n", e.what());
        return 1;
    }
    return 0;
}
