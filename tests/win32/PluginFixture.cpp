#include "win32/PluginFixture.h"

#include "finalepdk/PdkTypes.h"

namespace win32_testing {

void PluginTest::Load() {
    std::string error;
    plugin_ = host::windows::PluginLibrary::Load(PLUGIN_FILE, error);
    ASSERT_NE(plugin_, nullptr) << error;
    ASSERT_EQ(plugin_->Version(HOST_VERSION), 0x0F000000u);
    ufourbyte flags = 0;
    ASSERT_EQ(plugin_->Init(&flags), 1u);
}

void PluginTest::SetUp() {
    Host().Reset();
    Load();
}

void PluginTest::TearDown() {
    Unload();
    for (const host::Call& call : Host().Calls())
        EXPECT_EQ(call.version, FINALEPDK_VERSION) << call.name;
    EXPECT_EQ(Host().Frames().LiveCount(), 0) << "frames not freed";
    EXPECT_EQ(Host().Frames().BadFrees(), 0) << "frames freed twice or never loaded";
    Host().Reset();
}

void PluginTest::Unload() {
    plugin_.reset();
}

host::DocumentBuilder PluginTest::NewDocument(const std::string& path) {
    return host::DocumentBuilder(Host().NewDocument(path));
}

ufourbyte PluginTest::Invoke(ufourbyte item) {
    host::Document* document = Host().Current();
    EREGION selection = document ? document->selection : EREGION{};
    return Plugin().Invoke(HOST_CONTEXT, item, &selection);
}

} // namespace win32_testing
