#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Form.h"

#include <QString>

// What the card and guide windows share: the link button, the container that hosts the
// viewer, the never-visible strip button, their stacking, the layout rule and the hand-over
// of a target to the desktop.
namespace linkwindow {

inline const QString kLinkToolTip
    = QStringLiteral("Haga clic en el botón para abrir el vínculo asociado a la Ficha.");

// The controls both windows have, under the same names.
struct Controls
{
    tk::CommandButton &cmdVinculo;
    tk::CommandButton &cmdVolver;
    tk::PictureBox &PicContenedor;
    tk::ControlArray<tk::PictureBox> &Picture;
    tk::Label &Label;
    tk::HiddenButton &Command1;
};

// Where the two windows differ.
struct Design
{
    int linkLeft;
    const char *linkPicture;
    QString linkCaption;
    int returnLeft;
    QString containerName; // for assistive tools
};

// Creates the controls in their tab order and stacks them: front to back, link button,
// sponsor logo, return button, container; the label stays behind them all on the window's
// surface. Events are the window's to wire.
void createControls(tk::Form &form, const Controls &controls, const Design &design);

// The container fills the client area but for a strip as high as Command1, which then
// moves into that strip. A step that fails (a minimised window) is skipped.
void layout(tk::Form &form, tk::PictureBox &PicContenedor, tk::HiddenButton &Command1);

// The shell's open service with the arguments both windows pass; its result is not used.
void openWithDesktop(tk::Form &owner, const QString &target);

} // namespace linkwindow
