// The application object and the program's start on the web page.
#include "app.h"

#include "runtime.h"
#include "web_platform.h"

namespace platform {

std::string App::Title() { return "Velmo"; }
vb::Integer App::Major() { return VELMO_VERSION_MAJOR; }
vb::Integer App::Minor() { return VELMO_VERSION_MINOR; }
vb::Integer App::Revision() { return VELMO_VERSION_PATCH; }

// The page's folder (its address up to the last "/"), where the program's
// files lie; the help is in its help/ folder.
std::string App::Path()
{
    return page::Folder();
}

char PathSeparator()
{
    return '/';
}

// The page has no command line. The entry routine runs, then the page's
// events until the last window is unloaded; then the page says that the
// program has ended.
int RunProgram(int /*argc*/, char* /*argv*/[], void (*entry)())
{
    RunEvent(entry);
    if (!Ended())
        web::PumpUntil(web::NoFormShown);
    web::Halt(0);
}

}  // namespace platform
