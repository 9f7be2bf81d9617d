#pragma once

#include "toolkit/Form.h"
#include "toolkit/Services.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <vector>

namespace testing {

// Records every message box instead of showing it; answers OK.
class MsgBoxRecorder
{
public:
    MsgBoxRecorder();
    ~MsgBoxRecorder();
    std::vector<tk::MsgBoxRequest> boxes;
};

// Replaces the program's end: records the exit codes; the running event stops there.
class EndRecorder
{
public:
    EndRecorder();
    ~EndRecorder();
    std::vector<int> codes;
};

// One row of table Ficha in the fixture catalogue; nullopt stands for Null.
struct Card
{
    qint64 id;
    std::optional<QString> titulo;
    std::optional<QString> nivel;
    std::optional<QString> descriptores;
    std::optional<QString> enlace;
    std::optional<QString> imagen;
};

// The twelve columns the fixture writes, in table order: position 1 is the title,
// 3 the link, 11 the image file name.
QStringList catalogueColumns();

// A program folder for one test: fichas.mdb, Fichas/ and Documentos/ in a temporary
// folder that App::Path() points to while the object lives, and the only place a catalogue
// is looked for.
class AppFolder
{
public:
    explicit AppFolder(const std::vector<Card> &cards = {});
    ~AppFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const;
    void writeCatalogue(const std::vector<Card> &cards);
    // Writes a picture of the given pixel size (format from the file's extension).
    void writePicture(const QString &relative, QSize size, QColor colour = Qt::darkCyan);
    void writeFile(const QString &relative, const QByteArray &bytes);
    // The presentation, guide cover and guide document beside the catalogue.
    void writeDocuments();

private:
    QTemporaryDir m_dir;
};

// A window of the program as a row of a table of windows: its default instance, and how to
// drop it again.
struct WindowCase
{
    std::function<tk::Form &()> form;
    std::function<void()> drop;
};

template<class T>
WindowCase windowCase()
{
    return {[]() -> tk::Form & { return T::Default(); }, [] { T::dropDefault(); }};
}

// What a test needs to show any window: a program folder with card 1 and the documents,
// message boxes and the end recorded, and a clock that moves a second at every reading.
class WindowSession
{
public:
    WindowSession();
    ~WindowSession();
    AppFolder folder;
    MsgBoxRecorder boxes;
    EndRecorder ends;
};

// Gives pending deferred deletions and events a chance to run.
void flushEvents();

// The number of the error the statement raises (its description into *description); 0 if
// it raises none.
int errorNumber(const std::function<void()> &statement, QString *description = nullptr);

} // namespace testing

Q_DECLARE_METATYPE(testing::WindowCase)
