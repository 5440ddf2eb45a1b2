// Linked into every test: a test refuses to run on the host's network. The window broadcasts
// a device lookup at start-up, and the machines' network must never receive one from a test;
// scripts/test-env.sh (what ctest runs) puts each test into a private namespace first.
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

const bool privateNetwork = [] {
    if (qEnvironmentVariable("VORNE_IN_NETNS") == QLatin1String("1") ||
        qEnvironmentVariable("VORNE_ALLOW_HOST_NETWORK") == QLatin1String("1"))
        return true;
    std::fputs("This test runs only inside a private network namespace: run it with ctest, or "
               "as scripts/test-env.sh TEST (VORNE_ALLOW_HOST_NETWORK=1 to run it anyway).\n",
               stderr);
    std::exit(2);
}();

} // namespace
