#pragma once

#include "toolkit/Form.h"

class frm_Tarvelo : public tk::DefaultForm<frm_Tarvelo>
{
public:
    frm_Tarvelo();

    tk::CommandButton cmdVolver;
    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label Label;

    void cmdVolver_Click();

protected:
    void createControls() override;
};
