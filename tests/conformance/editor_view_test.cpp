// The controller's views, as a host asks for them: "editor" answers the web-view editor when the
// bundle ships its page (and nothing, with a reason, when it does not); every other name, null.
#include <filesystem>
#include <string>

#include "bundle_fixture.h"
#include "pluginterfaces/gui/iplugview.h"

namespace velmo::conformance {
namespace {

using namespace Steinberg;

class EditorView : public PluginTest {};

TEST_F(EditorView, OnlyTheEditorNameAnswersAView) {
    const std::filesystem::path ui =
        std::filesystem::path(bundle().binaryPath()).parent_path().parent_path() / "Resources" / "ui";
    const bool shipsPage = std::filesystem::is_directory(ui);

    auto uiRootOf = reinterpret_cast<const char* (*)()>(bundle().symbol("velmoPluginUiRootForDiagnostics"));
    ASSERT_NE(uiRootOf, nullptr);
    EXPECT_EQ(std::string(uiRootOf()), shipsPage ? ui.lexically_normal().string() : std::string());

    testing::internal::CaptureStderr();
    IPtr<IPlugView> view = owned(controller()->createView("editor"));
    const std::string stderrText = testing::internal::GetCapturedStderr();
    if (shipsPage) {
        ASSERT_NE(view, nullptr);
        ViewRect size;
        EXPECT_EQ(view->getSize(&size), kResultOk);
        EXPECT_EQ(size.getWidth(), 760);
        EXPECT_EQ(size.getHeight(), 620);
        EXPECT_EQ(view->canResize(), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeNSView), kResultFalse);
    } else {
        EXPECT_EQ(view, nullptr);
        EXPECT_NE(stderrText.find("velmo-plugin-shell: no UI bundle found; editor disabled"), std::string::npos);
    }
    for (const char* other : {"", "Editor", "editor2", "parameters"})
        EXPECT_EQ(owned(controller()->createView(other)), nullptr) << other;
    EXPECT_EQ(controller()->createView(nullptr), nullptr);
}

}  // namespace
}  // namespace velmo::conformance
