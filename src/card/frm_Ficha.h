#pragma once

#include "toolkit/Form.h"

#include <QtGlobal>

#include <memory>

namespace db {
class Connection;
class Recordset;
} // namespace db
class cPicScroll;

// One record card: its title in the caption, its picture in the viewer, its link handed to
// the desktop.
class frm_Ficha : public tk::DefaultForm<frm_Ficha>
{
public:
    frm_Ficha();
    ~frm_Ficha() override;

    tk::CommandButton cmdVinculo;
    tk::CommandButton cmdVolver;
    tk::PictureBox PicContenedor;
    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label Label;
    tk::HiddenButton Command1;

    // The chosen card's row: " Select * FROM Ficha where id=" and the digits of iIdFicha.
    std::unique_ptr<db::Recordset> FNC_ConsultaPoridFicha(db::Connection &connection);

    // Loads the window, or, when it is open on another card than the one now chosen, shows
    // that card; then brings the window to the front.
    void Show() override;

    void cmdVinculo_Click();
    void PicContenedor_Click();
    void cmdVolver_Click();

protected:
    void createControls() override;
    void Form_Initialize() override;
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(int &Cancel) override;

private:
    // Opens a fresh connection and reads the chosen card; returns the Id it asked for.
    qint32 readCard();
    void showCard(qint32 id);
    QString column(int position) const;

    std::unique_ptr<db::Connection> conexion;
    QString sPathBD;
    std::unique_ptr<db::Recordset> rsFicha;
    QString sPathImage;
    std::unique_ptr<cPicScroll> mcPicScroll;
    // The card whose title and picture are on screen.
    qint32 m_shownId = 0;
};
