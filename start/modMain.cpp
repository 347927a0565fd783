#include "modMain.h"

#include "frmMain.h"
#include "frmStart.h"
#include "forms.h"
#include "runtime.h"

namespace modMain {

vb::Long gNum = 0;

void Main()
{
    {
        frmStart start;
        platform::ShowModal(start);
    }
    // End() never returns in a real run; under a test's exit seam it does,
    // and then nothing more of the program may happen.
    if (platform::Ended())
        return;

    auto* game = new frmMain(gNum);
    game->setAttribute(Qt::WA_DeleteOnClose);
    platform::ShowModeless(*game);
}

}  // namespace modMain
