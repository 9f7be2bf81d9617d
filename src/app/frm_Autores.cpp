#include "app/frm_Autores.h"

#include "frame/CommonFrame.h"
#include "resources/Art.h"

frm_Autores::frm_Autores()
    : DefaultForm({QStringLiteral("frm_Autores"), QStringLiteral("Orlaneva. - Autores."),
                   frame::kClientWidth, frame::kClientHeight, QString::fromUtf8(art::kIconAutores)})
{ }

void frm_Autores::createControls()
{
    tk::PictureBox &authors = Picture.create(*this, 0);
    authors.setBorderStyle(tk::PictureBox::vbBSNone);
    authors.Move(3270, 1912, 8940, 7050);
    authors.setBackColor(tk::SystemColor::WindowBackground());
    authors.setPicture(QString::fromUtf8(art::kAuthorsPicture));
    authors.widget()->setAccessibleName(QStringLiteral("Autores"));
    authors.setTabIndex(0);

    lblProvincia.create(*this, QStringLiteral("lblProvincia"));
    lblProvincia.Move(3360, 1440, 1605, 285);
    lblProvincia.setCaption(QStringLiteral("Autores:"));
    frame::styleLabel(lblProvincia);
    lblProvincia.setTabIndex(1);

    frame::createReturnButton(*this, cmdVolver, 13845, frame::ReturnPicture::ReturnBitmap);
    cmdVolver.setTabIndex(2);
    cmdVolver.Click = [this] { cmdVolver_Click(); };

    frame::createSponsorStrip(*this, Label, QStringLiteral("Label"), {10800, 9600, 1335, 375},
                              Picture, {12000, 9240, 2895, 975});
    Picture(3).setTabIndex(3);
    Label.setTabIndex(4);
}

void frm_Autores::cmdVolver_Click()
{
    Unload();
}
