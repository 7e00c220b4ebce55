// Test helpers for the document tests: a scoped host version, created texts and clones, and the
// records the stand-in host keeps.
#pragma once

#include "finaleframework/core/FCString.h"
#include "finaleframework/records/FCBaseData.h"
#include "finalepdk/FinaleBinding.h"
#include "host/Document.h"
#include "host/TextRecords.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<unsigned char>;

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

/// The text of a string created for the caller, which is destroyed; "<null>" when none was made.
inline std::string TakeText(FCString* created) {
    std::unique_ptr<FCString> owned(created);
    return owned ? owned->GetCString() : "<null>";
}

/// A clone of `data`, or null when the clone is missing or of another class.
template <class T> std::unique_ptr<T> CloneOf(T& data) {
    std::unique_ptr<__FCBaseData> clone(data.CreateClone());
    if (!dynamic_cast<T*>(clone.get())) return nullptr;
    return std::unique_ptr<T>(static_cast<T*>(clone.release()));
}

/// The record `document` holds under `tag` and the key words, or null.
inline const Bytes* FindRecord(host::Document& document, EXTAG tag, twobyte w0, twobyte w1 = 0,
                               twobyte w2 = 0) {
    auto it = document.records.find(host::WordKey(tag, w0, w1, w2));
    return it == document.records.end() ? nullptr : &it->second;
}

/// The 16-bit word at byte `offset` of a record.
inline twobyte WordAt(const void* record, size_t offset) {
    twobyte value;
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}
inline twobyte WordAt(const Bytes& record, size_t offset) {
    return WordAt(record.data(), offset);
}

} // namespace testing_support
