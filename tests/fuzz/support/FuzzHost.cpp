#include "support/FuzzHost.h"

#include "platform/StandIn.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz_support {
namespace {
std::string lastAlert;
} // namespace

const std::string& LastAlert() { return lastAlert; }

host::Host& FreshHost() {
    static bool registered = false;
    host::Host& host = host::Host::Instance();
    if (!registered) {
        host.Register("FINALE.EXE");
        platform::SetAlertSink([](const platform::Alert& alert) {
            lastAlert = alert.text;
            return IDOK;
        });
        registered = true;
    }
    host.Reset();
    lastAlert.clear();
    return host;
}

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace fuzz_support
