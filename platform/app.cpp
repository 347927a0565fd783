// The application object and the program's start, once for every back end.
#include "app.h"

#include "backend.h"
#include "forms.h"
#include "runtime.h"

#include <algorithm>

namespace platform {

std::string App::Title() { return "Velmo"; }
vb::Integer App::Major() { return VELMO_VERSION_MAJOR; }
vb::Integer App::Minor() { return VELMO_VERSION_MINOR; }
vb::Integer App::Revision() { return VELMO_VERSION_PATCH; }

std::string App::Path()
{
    return backend::ExecutableDirectory();
}

char PathSeparator()
{
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

int RunProgram(int argc, char* argv[], void (*entry)())
{
    static int args = argc;  // the toolkit may keep a reference to the count
    if (const int status = backend::Start(args, argv); status >= 0)
        return status;
    RunEvent(entry);
    if (!Ended())
        backend::RunEventLoop([] {
            return std::any_of(Forms().begin(), Forms().end(), [](const Form* f) { return f->Shown(); });
        });
    backend::Stop();
    return 0;
}

}  // namespace platform
