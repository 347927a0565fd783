// The system side of the web back end: the page's message box, the help in
// a tab of its own, the page's folder, and the end of the program.
#include "web_platform.h"

#include "backend.h"

#include <string>

namespace platform {

namespace web {

void Halt(int status)
{
    FlushPictures();
    page::End(status);
    // Nothing of the program runs again: its stack waits for ever.
    for (;;)
        page::Sleep();
}

}  // namespace web

namespace backend {

void MessageBox(const std::string& prompt, int style, const std::string& title)
{
    // The box comes up over what the program has drawn so far.
    web::FlushPictures();
    page::MessageBox(prompt, title, style);
}

// A help file has no viewer in a browser: the page opens the same help
// pages, published in the help/ folder beside the file's place. Any other
// file is opened as an address.
bool OpenWithShell(NativeForm* /*owner*/, const std::string& file)
{
    const std::string::size_type slash = file.rfind('/');
    const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const bool help = name.size() > 4 && name.compare(name.size() - 4, 4, ".chm") == 0;
    if (!help) {
        page::OpenHelp(file);
        return true;
    }
    const std::string folder = slash == std::string::npos ? std::string(".") : file.substr(0, slash);
    page::OpenHelp(folder + "/help/index.html");
    return true;
}

void Exit(int status)
{
    web::Halt(status);
}

// The page's folder (its address up to the last "/"), where the program's
// files lie.
std::string ExecutableDirectory()
{
    return page::Folder();
}

// The page has no command line and nothing to set up.
int Start(int& /*argc*/, char* /*argv*/[])
{
    return -1;
}

// The last window has gone: the page says that the program has ended.
void Stop()
{
    web::FlushPictures();
    page::End(0);
}

}  // namespace backend
}  // namespace platform
