#include "card/frm_Ficha.h"

#include "app/Module1.h"
#include "common/Paths.h"
#include "db/Connection.h"
#include "frame/CommonFrame.h"
#include "frame/LinkWindow.h"
#include "resources/Art.h"
#include "toolkit/CatalogueFolder.h"
#include "toolkit/Services.h"
#include "viewer/cPicScroll.h"

namespace {
const QString kCaptionBefore = QStringLiteral("Datos de la Ficha: ");
const QString kCaptionAfter = QStringLiteral(
    " /  Pinche en el botón de Intenet para abrir el enlace asociado a cada Ficha.");
constexpr int kTitleColumn = 1;
constexpr int kLinkColumn = 3;
constexpr int kImageColumn = 11;

// The catalogue names a picture in Fichas; a name that climbs out of it ("..\\") names
// none: the program shows only the pictures of its own folder.
bool staysInFichas(const QString &fichas, const QString &imagen)
{
    const QString folder = QDir::cleanPath(orlaneva::nativePath(fichas));
    const QString file = QDir::cleanPath(orlaneva::nativePath(fichas + imagen));
    return file.startsWith(folder + QLatin1Char('/'));
}
} // namespace

frm_Ficha::frm_Ficha()
    : DefaultForm({QStringLiteral("frm_Ficha"), QStringLiteral("Orlaneva. - Datos de la Ficha."),
                   frame::kClientWidth, frame::kClientHeight, QString::fromUtf8(art::kIconFicha)})
{ }

frm_Ficha::~frm_Ficha() = default;

void frm_Ficha::createControls()
{
    linkwindow::createControls(*this,
                               {cmdVinculo, cmdVolver, PicContenedor, Picture, Label, Command1},
                               {11640, art::kLinkBitmap, QStringLiteral("Abrir enlace"), 13965,
                                QStringLiteral("Imagen de la ficha")});

    cmdVinculo.Click = [this] { cmdVinculo_Click(); };
    PicContenedor.Click = [this] { PicContenedor_Click(); };
    cmdVolver.Click = [this] { cmdVolver_Click(); };
}

void frm_Ficha::Form_Initialize()
{
    frame::commonInitialize();
}

std::unique_ptr<db::Recordset> frm_Ficha::FNC_ConsultaPoridFicha(db::Connection &connection)
{
    connection.CursorLocation = db::adUseClient;
    const QString sql
        = QStringLiteral(" Select * FROM Ficha where id=") + QString::number(Module1::iIdFicha);
    return connection.Execute(sql, nullptr, db::adOptionUnspecified);
}

qint32 frm_Ficha::readCard()
{
    frame::openCatalogue(conexion, sPathBD);
    // The card is looked up in the catalogue the search listed it from, even if the file
    // has changed since.
    conexion->readAsListed();
    const qint32 id = Module1::iIdFicha;
    rsFicha = FNC_ConsultaPoridFicha(*conexion);
    return id;
}

QString frm_Ficha::column(int position) const
{
    // An Id that selects no row reads as a card whose every column is Null.
    if (!rsFicha || rsFicha->BOF() || rsFicha->isEOF())
        return QString();
    return rsFicha->Fields(position).Value().toString();
}

void frm_Ficha::showCard(qint32 id)
{
    setCaption(kCaptionBefore + column(kTitleColumn) + kCaptionAfter);
    // A fresh viewer, so that a card without a picture does not keep the previous one.
    mcPicScroll.reset();
    mcPicScroll = std::make_unique<cPicScroll>();
    mcPicScroll->Init(PicContenedor, *this);
    const QString imagen = column(kImageColumn);
    const QString fichas = tk::App::cataloguePath() + QStringLiteral("\\Fichas\\");
    if (!imagen.isEmpty() && staysInFichas(fichas, imagen)) {
        sPathImage = fichas + imagen;
        mcPicScroll->SetPicture(sPathImage);
    }
    m_shownId = id;
}

void frm_Ficha::Form_Load()
{
    showCard(readCard());
}

void frm_Ficha::Show()
{
    // The search window hands over a card by changing iIdFicha and showing this window
    // again; the window must then show the card its link opens.
    if (isLoaded() && Module1::iIdFicha != m_shownId)
        showCard(readCard());
    Form::Show();
}

void frm_Ficha::Form_Resize()
{
    linkwindow::layout(*this, PicContenedor, Command1);
}

void frm_Ficha::cmdVinculo_Click()
{
    const qint32 id = readCard();
    if (id != m_shownId)
        showCard(id);
    const bool found = !rsFicha->BOF() && !rsFicha->isEOF();
    const QString enlace = found ? rsFicha->Fields(kLinkColumn).Value().toString() : QString();
    rsFicha.reset();
    if (!found)
        return;
    if (enlace.trimmed().isEmpty()) {
        tk::Beep();
        return;
    }
    linkwindow::openWithDesktop(*this, enlace);
}

void frm_Ficha::PicContenedor_Click()
{
    cmdVinculo_Click();
}

void frm_Ficha::cmdVolver_Click()
{
    Unload();
}

void frm_Ficha::Form_Unload(int &Cancel)
{
    (void)Cancel;
    mcPicScroll.reset();
    Hide();
}
