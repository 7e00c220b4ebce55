// Shared test scaffolding: a stand-in host registered once per process as "FINALE.EXE", reset
// before every test, with an alert recorder in place of the message box.
#pragma once

#include "host/Builder.h"
#include "host/Host.h"
#include "platform/StandIn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_support {

/// Records every message box and answers with a scripted result (IDOK by default).
class AlertRecorder {
public:
    AlertRecorder();
    ~AlertRecorder();

    const std::vector<platform::Alert>& Alerts() const { return alerts_; }
    void Answer(int result) { answer_ = result; }

private:
    std::vector<platform::Alert> alerts_;
    int answer_ = IDOK;
    platform::AlertSink previous_;
};

/// Registers the stand-in host in this process (once) and answers it.
host::Host& RegisteredHost();

/// Base fixture: a freshly reset host with the alert recorder in place.
class HostTest : public ::testing::Test {
protected:
    HostTest();
    ~HostTest() override;

    host::Host& Host() { return host_; }
    /// A new document, made current, with its builder.
    host::DocumentBuilder NewDocument(const std::string& path = "");
    const std::vector<platform::Alert>& Alerts() const { return alerts_.Alerts(); }
    /// Asserts that every logged host call passed the framework version last.
    void ExpectEveryCallPassedFrameworkVersion() const;

    host::Host& host_;
    AlertRecorder alerts_;
};

} // namespace testing_support
