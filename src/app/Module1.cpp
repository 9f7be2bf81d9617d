#include "app/Module1.h"

#include "app/frm_Principal.h"
#include "app/frm_Splash.h"
#include "toolkit/Services.h"

namespace Module1 {

qint32 iIdFicha = 0;

void Main()
{
    if (tk::App::PrevInstance())
        tk::App::End(0);

    frm_Splash::Default().Show();
    frm_Principal::Default().Load();
    do {
        tk::DoEvents();
    } while (!frm_Splash::Default().Listo);
    frm_Principal::Default().Show();
    frm_Splash::Default().Unload();
    frm_Splash::dropDefault();
}

} // namespace Module1
