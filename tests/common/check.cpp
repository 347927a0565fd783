#include "check.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace check {

namespace {

struct Named {
    const char* name;
    Case run;
};

std::vector<Named>& registry()
{
    static std::vector<Named> cases;
    return cases;
}

}  // namespace

int add(const char* name, Case run)
{
    registry().push_back({name, run});
    return static_cast<int>(registry().size());
}

void fail(const char* file, int line, const std::string& what)
{
    const char* slash = std::strrchr(file, '/');
    throw Failure{std::string(slash ? slash + 1 : file) + ":" + std::to_string(line) + ": " + what};
}

int runAll(int argc, char* argv[])
{
    int passed = 0, failed = 0;
    for (const Named& c : registry()) {
        if (argc > 1 && !std::strstr(c.name, argv[1]))
            continue;
        try {
            c.run();
            ++passed;
            std::printf("PASS   %s\n", c.name);
        } catch (const Failure& f) {
            ++failed;
            std::printf("FAIL!  %s: %s\n", c.name, f.what.c_str());
        } catch (const std::exception& e) {
            ++failed;
            std::printf("FAIL!  %s: unexpected exception: %s\n", c.name, e.what());
        }
        std::fflush(stdout);
    }
    // A name that matches no case is a mistake in the test's command, not a
    // run that found nothing wrong.
    if (passed + failed == 0) {
        std::printf("FAIL!  no case matches \"%s\"\n", argc > 1 ? argv[1] : "");
        ++failed;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed;
}

}  // namespace check
