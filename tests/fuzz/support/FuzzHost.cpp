#include "support/FuzzHost.h"

#include "platform/StandIn.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz_support {

host::Host& FreshHost() {
    static bool registered = false;
    host::Host& host = host::Host::Instance();
    if (!registered) {
        host.Register("FINALE.EXE");
        platform::SetAlertSink([](const platform::Alert&) { return IDOK; });
        registered = true;
    }
    host.Reset();
    return host;
}

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace fuzz_support
