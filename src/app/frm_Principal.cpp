#include "app/frm_Principal.h"

#include "app/frm_Autores.h"
#include "db/Connection.h"
#include "frame/CommonFrame.h"
#include "guide/frm_Orlaneva.h"
#include "resources/Art.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/CatalogueFolder.h"
#include "toolkit/Services.h"
#include "viewer/cPicScroll.h"

namespace {

void createPictureButton(tk::Form &form, tk::CommandButton &button, const QString &name,
                         frame::Place place, const char *picture, const QString &tooltip,
                         int tabIndex)
{
    button.create(form, name);
    button.Move(place.left, place.top, place.width, place.height);
    button.setBackColor(frame::kWhite);
    button.setPicture(QString::fromUtf8(picture));
    button.setToolTipText(tooltip);
    button.widget()->setAccessibleName(tooltip);
    button.setTabIndex(tabIndex);
}

} // namespace

frm_Principal::frm_Principal()
    : DefaultForm({QStringLiteral("frm_Principal"), QStringLiteral("Orlaneva. - Presentación."),
                   frame::kClientWidth, frame::kClientHeight,
                   QString::fromUtf8(art::kIconPrincipal)})
{ }

frm_Principal::~frm_Principal() = default;

void frm_Principal::createControls()
{
    createPictureButton(*this, cmdGuia, QStringLiteral("cmdGuia"), {1440, 360, 2295, 2055},
                        art::kGuideButton, QStringLiteral("Guía"), 0);
    createPictureButton(*this, cmdBusqueda, QStringLiteral("cmdBusqueda"), {4560, 360, 2295, 2055},
                        art::kSearchButton, QStringLiteral("Búsqueda de Fichas"), 1);
    createPictureButton(*this, cmdAutores, QStringLiteral("cmdAutores"), {7680, 360, 2295, 2055},
                        art::kAuthorsButton, QStringLiteral("Autores"), 2);
    frame::createReturnButton(*this, cmdVolver, 13845, frame::ReturnPicture::ExitIcon);
    cmdVolver.setTabIndex(3);

    frame::createCaptionLabel(*this, Label2, QStringLiteral("Label2"), {2280, 2400, 615, 255},
                              QStringLiteral("Guía"), 4);
    frame::createCaptionLabel(*this, Label3, QStringLiteral("Label3"), {5160, 2400, 1095, 255},
                              QStringLiteral("Buscador"), 5);
    frame::createCaptionLabel(*this, Label4, QStringLiteral("Label4"), {8400, 2400, 975, 255},
                              QStringLiteral("Autores"), 6);

    frame::createSponsorStrip(*this, Label, QStringLiteral("Label"), {10800, 1680, 1335, 375},
                              Picture, {12000, 1320, 2895, 975});
    Picture(3).setTabIndex(7);
    Label.setTabIndex(8);

    PicContenedor.create(*this, QStringLiteral("PicContenedor"));
    PicContenedor.setBorderStyle(tk::PictureBox::vbBSNone);
    PicContenedor.Move(1275, 3000, 8985, 7000);
    PicContenedor.setBackColor(frame::kWhite);
    PicContenedor.widget()->setAccessibleName(QStringLiteral("Presentación"));
    PicContenedor.setTabIndex(9);

    cmdGuia.Click = [this] { cmdGuia_Click(); };
    cmdBusqueda.Click = [this] { cmdBusqueda_Click(); };
    cmdAutores.Click = [this] { cmdAutores_Click(); };
    cmdVolver.Click = [this] { cmdVolver_Click(); };
}

void frm_Principal::Form_Initialize()
{
    frame::commonInitialize();
}

void frm_Principal::Form_Load()
{
    frame::openCatalogue(conexion, sPathBD);
    mcPicScroll = std::make_unique<cPicScroll>();
    mcPicScroll->Init(PicContenedor, *this);
    sPathImage = tk::App::cataloguePath() + QStringLiteral("\\Documentos\\Presentación.bmp");
    mcPicScroll->SetPicture(sPathImage);
}

void frm_Principal::Form_Resize()
{
    tk::resumeNext({[this] { PicContenedor.Move(10, 3200, ScaleWidth() - 20, 7000); }});
}

void frm_Principal::cmdGuia_Click()
{
    frm_Orlaneva::Default().Show();
}

void frm_Principal::cmdBusqueda_Click()
{
    frm_Tarvelo::Default().Show();
}

void frm_Principal::cmdAutores_Click()
{
    frm_Autores::Default().Show();
}

void frm_Principal::cmdVolver_Click()
{
    Unload();
}

void frm_Principal::Form_Unload(int &Cancel)
{
    (void)Cancel;
    mcPicScroll.reset();

    while (tk::Forms().size() > 1) {
        tk::Form *next = nullptr;
        for (tk::Form *form : tk::Forms()) {
            if (form->Caption() != Caption()) {
                next = form;
                break;
            }
        }
        if (next == nullptr)
            break;
        next->Unload();
        // A window that refuses to go must not keep the program from ending.
        const auto &loaded = tk::Forms();
        if (std::find(loaded.begin(), loaded.end(), next) != loaded.end())
            break;
    }
    tk::App::End(0);
}
