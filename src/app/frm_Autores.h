#pragma once

#include "toolkit/Form.h"

class frm_Autores : public tk::DefaultForm<frm_Autores>
{
public:
    frm_Autores();

    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label lblProvincia;
    tk::CommandButton cmdVolver;
    tk::Label Label;

    void cmdVolver_Click();

protected:
    void createControls() override;
};
