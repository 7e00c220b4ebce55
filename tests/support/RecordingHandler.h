// A handler that writes down every call a walk makes, in order, and answers as a test scripts it.
#pragma once

#include "finaleframework/core/FCIteratorHandler.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

/// Each call is recorded as its name, followed by the element's description for the per-element
/// calls ("Iterate m3"). The answers: OnBrowseStart and OnFirstLoaded answer as set; Iterate,
/// PostIterate and IsMatch answer false on the n-th call of their kind (counted from 1, across the
/// whole walk) when so set, true (IsMatch: false) otherwise.
class RecordingHandler : public FCIteratorHandler {
public:
    explicit RecordingHandler(std::function<std::string(__FCBase*)> describe = nullptr)
        : describe_(std::move(describe)) {}

    bool Iterate(__FCBase* element) override {
        calls.push_back("Iterate " + Describe(element));
        return ++iterates_ != stopIterateAt;
    }
    bool PostIterate(__FCBase* element) override {
        calls.push_back("PostIterate " + Describe(element));
        return ++postIterates_ != stopPostIterateAt;
    }
    bool IsMatch(__FCBase* element) override {
        calls.push_back("IsMatch " + Describe(element));
        return ++matches_ == matchAt;
    }
    bool OnBrowseStart() override {
        calls.push_back("OnBrowseStart");
        return browseStart;
    }
    bool OnFirstLoaded() override {
        calls.push_back("OnFirstLoaded");
        return firstLoaded;
    }
    void OnVisitsDone() override { calls.push_back("OnVisitsDone"); }
    void OnBrowseEnd() override { calls.push_back("OnBrowseEnd"); }

    std::vector<std::string> calls;
    bool browseStart = true;
    bool firstLoaded = true;
    int stopIterateAt = 0;     // 0: never stop
    int stopPostIterateAt = 0; // 0: never stop
    int matchAt = 0;           // 0: nothing matches

private:
    std::string Describe(__FCBase* element) {
        return describe_ ? describe_(element)
                         : std::string(element ? element->ClassName() : "null");
    }

    std::function<std::string(__FCBase*)> describe_;
    int iterates_ = 0;
    int postIterates_ = 0;
    int matches_ = 0;
};

/// `pieces` joined into one vector, for writing expected call sequences in pieces.
inline std::vector<std::string> Calls(std::initializer_list<std::vector<std::string>> pieces) {
    std::vector<std::string> all;
    for (const auto& piece : pieces)
        all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

} // namespace testing_support
