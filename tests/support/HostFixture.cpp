#include "support/HostFixture.h"

#include "finalepdk/PdkTypes.h"

namespace testing_support {

AlertRecorder::AlertRecorder() {
    previous_ = platform::SetAlertSink([this](const platform::Alert& alert) {
        alerts_.push_back(alert);
        return answer_;
    });
}

AlertRecorder::~AlertRecorder() { platform::SetAlertSink(previous_); }

host::Host& RegisteredHost() {
    static bool registered = false;
    if (!registered) {
        host::Host::Instance().Register("FINALE.EXE");
        registered = true;
    }
    return host::Host::Instance();
}

HostTest::HostTest() : host_(RegisteredHost()) { host_.Reset(); }

HostTest::~HostTest() { host_.Reset(); }

host::DocumentBuilder HostTest::NewDocument(const std::string& path) {
    return host::DocumentBuilder(host_.NewDocument(path));
}

void HostTest::ExpectEveryCallPassedFrameworkVersion() const {
    for (const host::Call& call : host_.Calls())
        EXPECT_EQ(call.version, FINALEPDK_VERSION) << call.name;
}

} // namespace testing_support
