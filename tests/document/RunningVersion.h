// Test helper: pretends that the host has another version for one scope.
#pragma once

#include "finalepdk/FinaleBinding.h"

namespace testing_support {

/// Sets RunningFinaleVersion for the life of the object and puts the earlier one back.
class RunningVersion {
public:
    explicit RunningVersion(EVERSION version) : saved_(RunningFinaleVersion) {
        RunningFinaleVersion = version;
    }
    ~RunningVersion() { RunningFinaleVersion = saved_; }
    RunningVersion(const RunningVersion&) = delete;
    RunningVersion& operator=(const RunningVersion&) = delete;

private:
    EVERSION saved_;
};

} // namespace testing_support
