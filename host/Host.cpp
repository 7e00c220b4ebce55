#include "host/Host.h"

#include "host/HostFunctions.h"
#ifndef _WIN32
#include "platform/StandIn.h"
#endif

#include <algorithm>
#include <type_traits>

namespace host {

Host& Host::Instance() {
    static Host host;
    return host;
}

Host::Host() { Reset(); }

void Host::Reset() {
    documents_.clear();
    current_ = 0;
    nextDocumentNumber_ = 1;
    calls_.clear();
    callCount_ = 0;
    keepCallLog_ = true;
    alerts_.clear();
    const int armed = failAfterReset_;
    ClearFaults();
    FailCallNumber(armed);
    faultsInjected_ = 0;
    fonts_ = {{0, "Maestro"}, {1, "Times New Roman"}, {2, "Arial"}, {3, "Engraver Font Set"}};
    clips_.clear();
    edits_.clear();
    committedEdits_.clear();
    menuCommands_.clear();
    frames_.Reset();
}

#ifndef _WIN32
HMODULE Host::Register(const std::string& moduleName, const std::set<std::string>& leaveOut) {
    platform::ExportTable exports;
#define HOST_EXPORT(name)                                                                       \
    static_assert(std::is_same_v<decltype(&fx::name), ::name##_HostFn>);                        \
    if (!leaveOut.count(#name)) exports.emplace_back(#name, reinterpret_cast<void*>(&fx::name));
#include "host/HostExports.def"
    return platform::RegisterModule(moduleName, std::move(exports), true);
}
#endif

Document& Host::NewDocument(const std::string& path) {
    auto document = std::make_unique<Document>();
    document->number = nextDocumentNumber_++;
    document->path = path;
    document->window.handle = 0x5000u + static_cast<ufourbyte>(document->number);
    documents_.push_back(std::move(document));
    current_ = documents_.back()->number;
    return *documents_.back();
}

Document* Host::FindDocument(twobyte number) {
    for (auto& document : documents_)
        if (document->number == number) return document.get();
    return nullptr;
}

Document* Host::Current() { return FindDocument(current_); }

bool Host::SetCurrent(twobyte number) {
    if (!FindDocument(number)) return false;
    current_ = number;
    return true;
}

bool Host::Enter(const char* name, EVERSION version, std::initializer_list<int64_t> arguments) {
    ++callCount_;
    if (keepCallLog_) calls_.push_back(Call{name, std::vector<int64_t>(arguments), version});
    bool fail = false;
    if (failCountdown_ > 0 && --failCountdown_ == 0) fail = true;
    // (The name becomes a string only when faults are asked for by name.)
    if (!failNext_.empty() && failNext_.erase(name) > 0) fail = true;
    if (!failAlways_.empty() && failAlways_.count(name)) fail = true;
    if (fail) ++faultsInjected_;
    return fail;
}

int Host::CountCalls(const std::string& name) const {
    return static_cast<int>(
        std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.name == name; }));
}

void Host::FailNext(const std::string& name) { failNext_.insert(name); }
void Host::FailAlways(const std::string& name) { failAlways_.insert(name); }
void Host::FailCallNumber(int n) { failCountdown_ = n > 0 ? n : 0; }

void Host::ClearFaults() {
    failNext_.clear();
    failAlways_.clear();
    failCountdown_ = 0;
    failAfterReset_ = 0;
}

twobyte Host::FontNumber(const std::string& name) {
    for (const auto& [number, fontName] : fonts_)
        if (fontName == name) return number;
    const twobyte number = fonts_.empty() ? 0 : static_cast<twobyte>(fonts_.rbegin()->first + 1);
    fonts_[number] = name;
    return number;
}

std::optional<std::string> Host::FontName(twobyte number) const {
    auto it = fonts_.find(number);
    if (it == fonts_.end()) return std::nullopt;
    return it->second;
}

ufourbyte Host::AddClip(Clip clip) {
    const ufourbyte token = nextClipToken_++;
    clips_[token] = std::move(clip);
    return token;
}

const Clip* Host::FindClip(ufourbyte token) const {
    auto it = clips_.find(token);
    return it == clips_.end() ? nullptr : &it->second;
}

bool Host::DisposeClip(ufourbyte token) { return clips_.erase(token) > 0; }

void Host::StartEdit(const std::string& name) {
    Document* document = Current();
    if (!document) return;
    edits_.push_back(OpenEdit{document->number, name, *document});
}

bool Host::EndEdit() {
    if (edits_.empty()) return false;
    committedEdits_.push_back(edits_.back().name);
    edits_.pop_back();
    return true;
}

bool Host::CancelEdit() {
    if (edits_.empty()) return false;
    OpenEdit edit = std::move(edits_.back());
    edits_.pop_back();
    if (Document* document = FindDocument(edit.document)) *document = std::move(edit.saved);
    return true;
}

} // namespace host
