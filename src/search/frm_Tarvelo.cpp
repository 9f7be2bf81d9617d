#include "search/frm_Tarvelo.h"

#include "app/CommonFrame.h"
#include "resources/Art.h"

frm_Tarvelo::frm_Tarvelo()
    : DefaultForm({QStringLiteral("frm_Tarvelo"), QStringLiteral("Orlaneva. - Gestor Documental."),
                   frame::kClientWidth, frame::kSearchClientHeight,
                   QString::fromUtf8(art::kIconTarvelo)})
{ }

void frm_Tarvelo::createControls()
{
    frame::createReturnButton(*this, cmdVolver, 13845, frame::ReturnPicture::ReturnBitmap);
    cmdVolver.Click = [this] {
        cmdVolver_Click();
    };
    frame::createSponsorStrip(*this, Label, QStringLiteral("Label"), {10800, 9600, 1335, 375},
                              Picture, {12000, 9240, 2895, 975});
}

void frm_Tarvelo::cmdVolver_Click()
{
    Unload();
}
