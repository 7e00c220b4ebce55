// The stand-in host: a real, in-memory implementation of the host functions the system binds,
// over one or more open documents. It keeps state, assigns numbers, moves arrays and fails only
// where a real host would, or where a test asks it to (fault injection).
#pragma once

#include "host/Document.h"
#include "host/Frames.h"
#include "platform/Windows.h"

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <type_traits>
#include <string>
#include <vector>

namespace host {

/// One host call as the system made it.
struct Call {
    std::string name;
    std::vector<int64_t> arguments; // every argument but the version, as passed (addresses too)
    EVERSION version = 0;
};

/// A copy of music taken to the clipboard: the frames of a rectangle of staves by measures,
/// indexed from the rectangle's top left.
struct Clip {
    int staffCount = 0;
    int measureCount = 0;
    std::map<FrameKey, std::vector<EXENTRY>> frames; // staff and measure are 0-based offsets
    RecordStore details;                             // entry details keyed by the old numbers
};

class Host {
public:
    static Host& Instance();

    /// Closes every document and forgets every log, fault, clip, edit and font added since.
    void Reset();

    /// Registers the host functions in the module registry under `moduleName`, leaving out the
    /// functions named in `leaveOut`. Answers the module handle. Off Windows only.
    HMODULE Register(const std::string& moduleName = "FINALE.EXE",
                     const std::set<std::string>& leaveOut = {});

    // Documents --------------------------------------------------------------------------------

    /// Opens a new, empty document and makes it the current one.
    Document& NewDocument(const std::string& path = "");
    Document* FindDocument(twobyte number);
    /// The current document; null when none is open.
    Document* Current();
    bool SetCurrent(twobyte number);
    const std::vector<std::unique_ptr<Document>>& Documents() const { return documents_; }

    // Logs -------------------------------------------------------------------------------------

    /// Records a call and answers whether it must fail (fault injection).
    bool Enter(const char* name, EVERSION version, std::initializer_list<int64_t> arguments);
    const std::vector<Call>& Calls() const { return calls_; }
    /// Number of host calls since the last Reset, logged or not.
    long long CallCount() const { return callCount_; }
    /// Keeps (true, the default) or stops keeping the call log; benchmarks turn it off.
    void SetCallLog(bool keep) { keepCallLog_ = keep; }
    void ClearCalls() { calls_.clear(); }
    /// Number of logged calls of `name`.
    int CountCalls(const std::string& name) const;
    /// Texts shown through FX_AlertMessage, in order.
    std::vector<std::string>& AlertLog() { return alerts_; }

    // Fault injection --------------------------------------------------------------------------

    /// The next call of `name` fails.
    void FailNext(const std::string& name);
    /// Every call of `name` fails until ClearFaults.
    void FailAlways(const std::string& name);
    /// The n-th host call from now (1 = the next one), whatever its name, fails.
    void FailCallNumber(int n);
    /// As FailCallNumber, counting from the next Reset: for programs that reset the host as they
    /// start (the command-line program does).
    void FailCallNumberAfterReset(int n) { failAfterReset_ = n; }
    void ClearFaults();
    /// Number of calls that were made to fail.
    int FaultsInjected() const { return faultsInjected_; }

    // Menu commands ----------------------------------------------------------------------------

    /// Menu command numbers the plug-in asked the host to run, in order.
    std::vector<ufourbyte>& MenuCommandsRun() { return menuCommands_; }

    // Fonts ------------------------------------------------------------------------------------

    /// The number of a font name, adding the font when it is new.
    twobyte FontNumber(const std::string& name);
    /// The name of a font number; nullopt when there is none.
    std::optional<std::string> FontName(twobyte number) const;

    // Clipboard --------------------------------------------------------------------------------

    ufourbyte AddClip(Clip clip);
    const Clip* FindClip(ufourbyte token) const;
    bool DisposeClip(ufourbyte token);
    size_t ClipCount() const { return clips_.size(); }

    // Undoable edits ---------------------------------------------------------------------------

    /// Opens an edit on the current document: a cancel puts the document back as it is now.
    void StartEdit(const std::string& name = "");
    /// Commits the innermost open edit; false when none is open.
    bool EndEdit();
    /// Restores the document kept by the innermost open edit; false when none is open.
    bool CancelEdit();
    size_t OpenEdits() const { return edits_.size(); }
    /// Names of the edits committed, in order (what the host's undo list would show).
    const std::vector<std::string>& CommittedEdits() const { return committedEdits_; }

    // Frames -----------------------------------------------------------------------------------

    /// The frames handed out by FX_LoadTGF and not yet freed.
    FrameRegistry& Frames() { return frames_; }

private:
    Host();

    std::vector<std::unique_ptr<Document>> documents_;
    twobyte current_ = 0;
    twobyte nextDocumentNumber_ = 1;

    std::vector<Call> calls_;
    long long callCount_ = 0;
    bool keepCallLog_ = true;
    std::vector<std::string> alerts_;

    std::set<std::string> failNext_;
    std::set<std::string> failAlways_;
    int failCountdown_ = 0;
    int failAfterReset_ = 0;
    int faultsInjected_ = 0;

    std::map<twobyte, std::string> fonts_;
    std::vector<ufourbyte> menuCommands_;

    std::map<ufourbyte, Clip> clips_;
    ufourbyte nextClipToken_ = 0x1000;

    struct OpenEdit {
        twobyte document;
        std::string name;
        Document saved;
    };
    std::vector<OpenEdit> edits_;
    std::vector<std::string> committedEdits_;

    FrameRegistry frames_;
};

/// Records a call of the host function `name` with its arguments and answers whether it must
/// fail. Every host function starts with it.
template <typename... A> bool EnterCall(const char* name, EVERSION version, A... arguments) {
    [[maybe_unused]] auto asNumber = [](auto value) -> int64_t {
        if constexpr (std::is_pointer_v<decltype(value)>)
            return static_cast<int64_t>(reinterpret_cast<uintptr_t>(value));
        else
            return static_cast<int64_t>(value);
    };
    return Host::Instance().Enter(name, version, {asNumber(arguments)...});
}

} // namespace host
