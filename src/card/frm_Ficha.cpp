#include "card/frm_Ficha.h"

#include "app/CommonFrame.h"
#include "resources/Art.h"

frm_Ficha::frm_Ficha()
    : DefaultForm({QStringLiteral("frm_Ficha"), QStringLiteral("Orlaneva. - Datos de la Ficha."),
                   frame::kClientWidth, frame::kClientHeight, QString::fromUtf8(art::kIconFicha)})
{ }

void frm_Ficha::createControls()
{
    frame::createReturnButton(*this, cmdVolver, 13965, frame::ReturnPicture::ReturnBitmap);
    cmdVolver.Click = [this] {
        cmdVolver_Click();
    };
    frame::createSponsorStrip(*this, Label, QStringLiteral("Label"), {10800, 9720, 1335, 375},
                              Picture, {12000, 9360, 2895, 975});
}

void frm_Ficha::cmdVolver_Click()
{
    Unload();
}
