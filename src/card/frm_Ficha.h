#pragma once

#include "toolkit/Form.h"

class frm_Ficha : public tk::DefaultForm<frm_Ficha>
{
public:
    frm_Ficha();

    tk::CommandButton cmdVolver;
    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label Label;

    void cmdVolver_Click();

protected:
    void createControls() override;
};
