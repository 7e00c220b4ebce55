// Scaffolding for the suite that FINALE.EXE runs: a freshly reset stand-in host and the plug-in
// library freshly loaded for every test, driven through its entry points as the host program
// drives it.
#pragma once

#include "host/Builder.h"
#include "host/Host.h"
#include "host/windows/PluginLibrary.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace win32_testing {

/// The plug-in library, found beside FINALE.EXE.
constexpr const char* PLUGIN_FILE = "ZQCadentra.dll";

/// The version this host hands over at the version handshake.
constexpr ufourbyte HOST_VERSION = 0x0F000200;

/// Menu item numbers as the host passes them.
constexpr ufourbyte ITEM_SETSOURCE = 0;
constexpr ufourbyte ITEM_COPY = 1;

/// The context value this host passes to every invocation.
constexpr ufourbyte HOST_CONTEXT = 0x00C0FFEE;

class PluginTest : public ::testing::Test {
protected:
    /// Resets the host, loads the plug-in and makes the version handshake and the initialisation
    /// call that the host program makes after loading a plug-in.
    void SetUp() override;
    /// Unloads the plug-in; checks that every host call the test made passed the framework
    /// version last and that every frame the host handed out was freed exactly once.
    void TearDown() override;

    host::Host& Host() { return host::Host::Instance(); }
    host::windows::PluginLibrary& Plugin() { return *plugin_; }
    /// A new document, made current, with its builder.
    host::DocumentBuilder NewDocument(const std::string& path = "");

    /// Runs a menu command on the current document's selection, as the host does: the plug-in
    /// gets the address of a selection record the host owns.
    ufourbyte Invoke(ufourbyte item);

    /// Loads the plug-in and makes the version handshake and the initialisation call.
    void Load();
    /// Unloads the plug-in: everything it kept is gone.
    void Unload();

private:
    std::unique_ptr<host::windows::PluginLibrary> plugin_;
};

} // namespace win32_testing
