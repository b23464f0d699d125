// The editor's platform-free logic: the page's address and scripts, file serving rules, the
// helper link's frames, the UI folder lookup and the view's size and platform rules.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/bridge_frames.h"
#include "editor/page_script.h"
#include "editor/ui_files.h"
#include "editor/ui_root.h"
#include "editor/webview_plug_view.h"
#include "scratch_dir.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;
using Steinberg::ViewRect;
using test::ScratchDir;

TEST(PageScript, InjectedScriptDeliveryAndAddress) {
    const std::string script = injectedBridgeScript();
    EXPECT_EQ(script.size(), 459u);
    EXPECT_EQ(script.rfind("(function () {  if (window.velmoHost) { return; }  var handlers = [];", 0), 0u);
    EXPECT_NE(script.find("window.webkit.messageHandlers.velmo.postMessage(JSON.stringify(message));    },"),
              std::string::npos);
    EXPECT_NE(script.find("try { handlers[i](message); } catch (error) { console.error(error); }      }    }  };})();"),
              std::string::npos);

    std::string text;
    ASSERT_TRUE(deliveryScript("{\"type\":\"velmo.hello\"}", text));
    EXPECT_EQ(text, "window.velmoHost && window.velmoHost._deliver({\"type\":\"velmo.hello\"});");
    EXPECT_TRUE(deliveryScript("{\"name\":\"Gl\xC3\xA4ser \xF0\x9F\x94\x94\"}", text));
    EXPECT_FALSE(deliveryScript("{\"name\":\"\xC3\"}", text));        // cut short
    EXPECT_FALSE(deliveryScript("{\"name\":\"\xED\xA0\x80\"}", text));  // a surrogate
    EXPECT_FALSE(deliveryScript("{\"name\":\"\xC0\xAF\"}", text));      // overlong
    EXPECT_TRUE(text.empty());

    EXPECT_EQ(bundleKey(""), 0x14650fb0739d0383ULL);
    EXPECT_EQ(bundleKey("/a/ui"), bundleKey("/a/ui"));
    EXPECT_NE(bundleKey("/a/ui"), bundleKey("/b/ui"));
    // One step by hand: (start ^ 'a') * prime.
    EXPECT_EQ(bundleKey("a"), (0x14650fb0739d0383ULL ^ 0x61) * 0x100000001b3ULL);
    EXPECT_EQ(pageUrl(""), "velmo-ui://bundle-14650fb0739d0383/index.html");
}

TEST(UiFiles, ServesOnlyFilesInsideTheFolderWithTheirTypes) {
    ScratchDir scratch;
    const fs::path dir = scratch.path();
    scratch.write("ui/index.html", "<p>");
    scratch.write("ui/js/APP.JS", "x");
    scratch.write("ui/blob.bin", "x");
    scratch.write("secret.txt", "no");
    fs::create_directory_symlink(dir, dir / "ui" / "out");
    const std::string root = (dir / "ui").string();
    const std::string canonicalRoot = fs::canonical(root).string();

    EXPECT_EQ(resolveUiFile(root, "/"), canonicalRoot + "/index.html");
    EXPECT_EQ(resolveUiFile(root, ""), canonicalRoot + "/index.html");
    EXPECT_EQ(resolveUiFile(root, "/js/APP.JS"), canonicalRoot + "/js/APP.JS");
    EXPECT_EQ(resolveUiFile(root, "/js/%41PP.JS"), canonicalRoot + "/js/APP.JS");
    for (const char* refused : {"/../secret.txt", "/js/../../secret.txt", "/%2e%2e/secret.txt",
                                "/js/..%2f..%2fsecret.txt", "/%2E%2E/secret.txt", "/out/secret.txt",
                                "/missing.html", "/js", "/index.html%00.js", "/%zz", "/%2"})
        EXPECT_EQ(resolveUiFile(root, refused), "") << refused;
    // An absolute path is taken inside the folder, never from the file system's root.
    EXPECT_EQ(resolveUiFile(root, (dir / "secret.txt").string()), "");
    EXPECT_EQ(resolveUiFile("", "/index.html"), "");

    EXPECT_STREQ(mimeTypeForPath("/a/APP.JS"), "text/javascript");
    EXPECT_STREQ(mimeTypeForPath("x.Woff2"), "font/woff2");
    EXPECT_STREQ(mimeTypeForPath("x.svg"), "image/svg+xml");
    EXPECT_STREQ(mimeTypeForPath("x.map"), "application/json");
    EXPECT_STREQ(mimeTypeForPath("x.bin"), "application/octet-stream");
    EXPECT_STREQ(mimeTypeForPath("README"), "application/octet-stream");
    EXPECT_STREQ(mimeTypeForPath("dir.js/file"), "application/octet-stream");
}

TEST(BridgeFrames, SplitAnywhereKeepViewsApartAndRefuseCorruptLengths) {
    std::string stream;
    ASSERT_TRUE(appendFrame(stream, FrameType::PageMessage, 7, "{\"type\":\"velmo.ready\"}"));
    ASSERT_TRUE(appendFrame(stream, FrameType::Resize, 0x01020304u, resizePayload(1000, 700)));
    ASSERT_TRUE(appendFrame(stream, FrameType::Open, 2,
                            openPayload({0x1234567890ULL, 760, 620, "/opt/Zuriz.vst3/ui"})));
    ASSERT_TRUE(appendFrame(stream, FrameType::Close, 7, ""));
    // Byte by byte: every frame comes out whole, in order, with its view.
    FrameReader reader;
    struct Got {
        FrameType type;
        std::uint32_t view;
        std::string payload;
    };
    std::vector<Got> frames;
    for (char c : stream) {
        reader.feed(&c, 1);
        Got got{};
        while (reader.next(got.type, got.view, got.payload) == FrameReader::Next::Frame) frames.push_back(got);
    }
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].payload, "{\"type\":\"velmo.ready\"}");
    EXPECT_EQ(frames[0].view, 7u);
    EXPECT_EQ(frames[1].view, 0x01020304u);
    std::int32_t w = 0, h = 0;
    EXPECT_TRUE(parseResize(frames[1].payload, w, h));
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 700);
    OpenRequest open;
    ASSERT_TRUE(parseOpen(frames[2].payload, open));
    EXPECT_EQ(open.window, 0x1234567890ULL);
    EXPECT_EQ(open.width, 760);
    EXPECT_EQ(open.height, 620);
    EXPECT_EQ(open.uiRoot, "/opt/Zuriz.vst3/ui");
    EXPECT_FALSE(parseOpen(openPayload({0, 760, 620, "/ui"}), open));
    EXPECT_FALSE(parseOpen(openPayload({5, 760, 620, ""}), open));
    EXPECT_EQ(frames[3].type, FrameType::Close);
    EXPECT_EQ(frames[3].view, 7u);
    EXPECT_FALSE(parseResize("1234", w, h));

    FrameType type{};
    std::uint32_t view = 0;
    std::string payload;
    FrameReader corrupt;
    const char huge[] = {'\xff', '\xff', '\xff', '\x7f', '\x01'};
    corrupt.feed(huge, sizeof huge);
    EXPECT_EQ(corrupt.next(type, view, payload), FrameReader::Next::Corrupt);
    FrameReader unknown;
    const char badType[] = {'\x05', 0, 0, 0, '\x09', 0, 0, 0, 0};
    unknown.feed(badType, sizeof badType);
    EXPECT_EQ(unknown.next(type, view, payload), FrameReader::Next::Corrupt);
    FrameReader noView;  // a length too short for the view id
    const char shortFrame[] = {'\x01', 0, 0, 0, '\x01'};
    noView.feed(shortFrame, sizeof shortFrame);
    EXPECT_EQ(noView.next(type, view, payload), FrameReader::Next::Corrupt);
    EXPECT_FALSE(appendFrame(stream, FrameType::Script, 1, std::string(kMaxFramePayload + 1, 'x')));
}

TEST(UiRoot, FoundOnlyWhenTheBundleHasAUiFolder) {
    ScratchDir scratch;
    const fs::path dir = scratch.path();
    const fs::path module = dir / "Zuriz.vst3" / "Contents" / "x86_64-linux" / "Zuriz.so";
    scratch.write(module.lexically_relative(dir).string(), "");
    EXPECT_EQ(uiRootForModuleFile(module.string()), "");
    fs::create_directories(dir / "Zuriz.vst3" / "Contents" / "Resources" / "ui");
    EXPECT_EQ(uiRootForModuleFile(module.string()),
              (dir / "Zuriz.vst3" / "Contents" / "Resources" / "ui").string());
    EXPECT_EQ(uiRootForModuleFile(""), "");
    EXPECT_EQ(uiRootForImageAddress(nullptr), "");
}

TEST(EditorView, SizeLimitsAndPlatformTypes) {
    Steinberg::IPtr<WebViewPlugView> view = Steinberg::owned(new WebViewPlugView(nullptr, "/nowhere"));
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), Steinberg::kResultOk);
    EXPECT_EQ(size.getWidth(), 760);
    EXPECT_EQ(size.getHeight(), 620);
    EXPECT_EQ(view->canResize(), Steinberg::kResultTrue);

    ViewRect small{10, 20, 110, 120};
    EXPECT_EQ(view->checkSizeConstraint(&small), Steinberg::kResultTrue);
    EXPECT_EQ(small.left, 10);
    EXPECT_EQ(small.top, 20);
    EXPECT_EQ(small.getWidth(), 480);
    EXPECT_EQ(small.getHeight(), 360);
    ViewRect big{0, 0, 2000, 2000};
    view->checkSizeConstraint(&big);
    EXPECT_EQ(big.getWidth(), 1400);
    EXPECT_EQ(big.getHeight(), 1100);
    EXPECT_EQ(view->checkSizeConstraint(nullptr), Steinberg::kInvalidArgument);
    EXPECT_EQ(view->onSize(nullptr), Steinberg::kResultFalse);
    ViewRect grown{0, 0, 5000, 100};
    EXPECT_EQ(view->onSize(&grown), Steinberg::kResultOk);
    view->getSize(&size);
    EXPECT_EQ(size.getWidth(), 1400);
    EXPECT_EQ(size.getHeight(), 360);

    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), Steinberg::kResultTrue);
    for (const char* other : {"NSView", "HWND", "UIView", "X11EmbedWindowIDs", ""})
        EXPECT_EQ(view->isPlatformTypeSupported(other), Steinberg::kResultFalse) << other;
    EXPECT_EQ(view->isPlatformTypeSupported(nullptr), Steinberg::kResultFalse);
    int window = 0;
    EXPECT_EQ(view->attached(&window, "HWND"), Steinberg::kResultFalse);
    EXPECT_EQ(view->attached(nullptr, "X11EmbedWindowID"), Steinberg::kResultFalse);
    EXPECT_EQ(view->attached(&window, nullptr), Steinberg::kResultFalse);
}

}  // namespace
}  // namespace velmo
