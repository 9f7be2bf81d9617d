#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <sqlite3.h>

#include <stdexcept>

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
    return {QStringLiteral("Id"),
            QStringLiteral("TITULO"),
            QStringLiteral("AUTOR"),
            QStringLiteral("ENLACE"),
            QStringLiteral("NIVEL_EDUCATIVO"),
            QStringLiteral("DESCRIPTORES"),
            QStringLiteral("EDITORIAL"),
            QStringLiteral("ANIO"),
            QStringLiteral("IDIOMA"),
            QStringLiteral("FORMATO"),
            QStringLiteral("RESUMEN"),
            QStringLiteral("IMAGEN")};
}

AppFolder::AppFolder(const std::vector<Card> &cards)
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    QDir(m_dir.path()).mkpath(QStringLiteral("Fichas"));
    QDir(m_dir.path()).mkpath(QStringLiteral("Documentos"));
    writeCatalogue(cards);
    tk::App::setPathForTesting(m_dir.path());
}

AppFolder::~AppFolder()
{
    tk::App::setPathForTesting(QString());
}

QString AppFolder::file(const QString &relative) const
{
    return m_dir.filePath(relative);
}

namespace {
void bindOptional(sqlite3_stmt *statement, int index, const std::optional<QString> &value)
{
    if (!value) {
        sqlite3_bind_null(statement, index);
        return;
    }
    const QByteArray utf8 = value->toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void exec(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "sqlite error";
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}
} // namespace

void AppFolder::writeCatalogue(const std::vector<Card> &cards)
{
    const QByteArray path = file(QStringLiteral("fichas.mdb")).toUtf8();
    QFile::remove(QString::fromUtf8(path));
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot write fixture catalogue");
    exec(db,
         "CREATE TABLE Ficha (Id INTEGER PRIMARY KEY, TITULO TEXT, AUTOR TEXT, ENLACE TEXT,"
         " NIVEL_EDUCATIVO TEXT, DESCRIPTORES TEXT, EDITORIAL TEXT, ANIO INTEGER,"
         " IDIOMA TEXT, FORMATO TEXT, RESUMEN TEXT, IMAGEN TEXT)");
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Ficha (Id, TITULO, AUTOR, ENLACE, NIVEL_EDUCATIVO,"
                       " DESCRIPTORES, EDITORIAL, ANIO, IDIOMA, FORMATO, RESUMEN, IMAGEN)"
                       " VALUES (?, ?, 'Autor', ?, ?, ?, 'Editorial', 2004, 'Castellano',"
                       " 'Libro', 'Resumen', ?)",
                       -1, &insert, nullptr);
    exec(db, "BEGIN");
    for (const Card &card : cards) {
        sqlite3_bind_int64(insert, 1, card.id);
        bindOptional(insert, 2, card.titulo);
        bindOptional(insert, 3, card.enlace);
        bindOptional(insert, 4, card.nivel);
        bindOptional(insert, 5, card.descriptores);
        bindOptional(insert, 6, card.imagen);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    exec(db, "COMMIT");
    sqlite3_finalize(insert);
    sqlite3_close(db);
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

void flushEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace testing
