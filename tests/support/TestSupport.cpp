#include "TestSupport.h"

#include "CatalogueFixture.h"
#include "toolkit/CatalogueFolder.h"

#include "common/Error.h"
#include "toolkit/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <stdexcept>

namespace {
// Every test that links this support runs with the settings the program starts with.
void applyToolkitSettings()
{
    tk::initialize();
}
} // namespace
Q_COREAPP_STARTUP_FUNCTION(applyToolkitSettings)

namespace testing {

MsgBoxRecorder::MsgBoxRecorder()
{
    tk::setMsgBoxHandler([this](const tk::MsgBoxRequest &request) {
        boxes.push_back(request);
        return int(tk::vbOK);
    });
}

MsgBoxRecorder::~MsgBoxRecorder()
{
    tk::setMsgBoxHandler(nullptr);
}

EndRecorder::EndRecorder()
{
    tk::App::setEndHandler([this](int code) { codes.push_back(code); });
}

EndRecorder::~EndRecorder()
{
    tk::App::setEndHandler(nullptr);
}

QStringList catalogueColumns()
{
    return fixture::cardColumns();
}

AppFolder::AppFolder(const std::vector<Card> &cards)
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    QDir(m_dir.path()).mkpath(QStringLiteral("Fichas"));
    QDir(m_dir.path()).mkpath(QStringLiteral("Documentos"));
    writeCatalogue(cards);
    tk::App::setPathForTesting(m_dir.path());
    // Only this folder: a catalogue installed on the machine must not stand in for it.
    tk::App::setDataFoldersForTesting(QStringList());
}

AppFolder::~AppFolder()
{
    tk::App::setPathForTesting(QString());
    tk::App::setDataFoldersForTesting(std::nullopt);
}

QString AppFolder::file(const QString &relative) const
{
    return m_dir.filePath(relative);
}

namespace {
QVariant orNull(const std::optional<QString> &value)
{
    return value ? QVariant(*value) : QVariant();
}
} // namespace

void AppFolder::writeCatalogue(const std::vector<Card> &cards)
{
    QList<fixture::Card> rows;
    for (const Card &card : cards)
        rows.append({card.id, orNull(card.titulo), orNull(card.nivel), orNull(card.descriptores),
                     orNull(card.enlace), orNull(card.imagen)});
    fixture::writeCatalogue(file(QStringLiteral("fichas.mdb")), rows);
}

void AppFolder::writePicture(const QString &relative, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(0, 0), size).adjusted(4, 4, -4, -4), colour);
    painter.end();
    const QString target = file(relative);
    QDir().mkpath(QFileInfo(target).path());
    if (!image.save(target))
        throw std::runtime_error("cannot write fixture picture");
}

void AppFolder::writeFile(const QString &relative, const QByteArray &bytes)
{
    const QString target = file(relative);
    QDir().mkpath(QFileInfo(target).path());
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write fixture file");
}

void AppFolder::writeDocuments()
{
    writePicture(QStringLiteral("Documentos/Presentación.bmp"), {1200, 500}, Qt::darkBlue);
    writePicture(QStringLiteral("Documentos/Orlaneva.bmp"), {1100, 900}, Qt::darkGreen);
    writeFile(QStringLiteral("Documentos/Orlaneva.pdf"), QByteArrayLiteral("%PDF-1.4\n%%EOF\n"));
}

WindowSession::WindowSession()
    : folder({{1, QStringLiteral("Cuentos"), QStringLiteral("Primaria"),
               QStringLiteral("Lengua y literatura"), QStringLiteral("https://example.org"),
               std::nullopt}})
{
    folder.writeDocuments();
    tk::setClockForTesting([] {
        static double now = 0;
        return now += 1.0;
    });
}

WindowSession::~WindowSession()
{
    tk::setClockForTesting(nullptr);
}

void flushEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int errorNumber(const std::function<void()> &statement, QString *description)
{
    try {
        statement();
    } catch (const orlaneva::Error &e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

} // namespace testing
