#include "modMain.h"

#include "frmMain.h"
#include "frmStart.h"
#include "runtime.h"

namespace modMain {

vb::Long gNum = 0;

void Main()
{
    {
        frmStart start;
        start.ShowModal();
    }
    // End() never returns in a real run; under a test's exit seam it does,
    // and then nothing more of the program may happen.
    if (platform::Ended())
        return;

    auto* game = new frmMain(gNum);
    game->DeleteOnUnload();
    game->ShowModeless();
}

}  // namespace modMain
