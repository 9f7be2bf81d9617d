#include "guide/frm_Orlaneva.h"

#include "db/Connection.h"
#include "frame/CommonFrame.h"
#include "frame/LinkWindow.h"
#include "resources/Art.h"
#include "toolkit/CatalogueFolder.h"
#include "toolkit/Services.h"
#include "viewer/cPicScroll.h"

frm_Orlaneva::frm_Orlaneva()
    : DefaultForm({QStringLiteral("frm_Orlaneva"), QStringLiteral("Orlaneva. - Guía."),
                   frame::kClientWidth, frame::kClientHeight,
                   QString::fromUtf8(art::kIconOrlaneva)})
{ }

frm_Orlaneva::~frm_Orlaneva() = default;

void frm_Orlaneva::createControls()
{
    linkwindow::createControls(*this,
                               {cmdVinculo, cmdVolver, PicContenedor, Picture, Label, Command1},
                               {11520, art::kDownloadBitmap, QStringLiteral("Descargar guía"),
                                13845, QStringLiteral("Portada de la guía")});

    cmdVinculo.Click = [this] { cmdVinculo_Click(); };
    cmdVolver.Click = [this] { cmdVolver_Click(); };
}

void frm_Orlaneva::Form_Initialize()
{
    frame::commonInitialize();
}

void frm_Orlaneva::Form_Load()
{
    // Never queried: the guide only needs the catalogue to be reachable.
    frame::openCatalogue(conexion, sPathBD);
    mcPicScroll = std::make_unique<cPicScroll>();
    mcPicScroll->Init(PicContenedor, *this);
    sPathImage = tk::App::cataloguePath() + QStringLiteral("\\Documentos\\Orlaneva.bmp");
    mcPicScroll->SetPicture(sPathImage);
}

void frm_Orlaneva::Form_Resize()
{
    linkwindow::layout(*this, PicContenedor, Command1);
}

void frm_Orlaneva::cmdVinculo_Click()
{
    frame::openCatalogue(conexion, sPathBD);
    linkwindow::openWithDesktop(
        *this, tk::App::cataloguePath() + QStringLiteral("\\Documentos\\Orlaneva.pdf"));
}

void frm_Orlaneva::cmdVolver_Click()
{
    Unload();
}

void frm_Orlaneva::Form_Unload(int &Cancel)
{
    (void)Cancel;
    mcPicScroll.reset();
    Hide();
}
