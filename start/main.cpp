// The executable: the back end's start around the entry routine.
#include "app.h"
#include "modMain.h"

int main(int argc, char* argv[])
{
    return platform::RunProgram(argc, argv, &modMain::Main);
}
