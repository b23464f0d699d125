// The LV2 UI entry point: an X11 UI whose page is shown by the editor's web-view helper, a
// process of its own embedded in the host's ui:parent window. The host drives it through
// ui:idleInterface; GTK and WebKit never enter the host's process.
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "editor/embedded_web_view.h"
#include "lv2/lv2_messages.h"
#include "lv2/lv2_names.h"
#include "lv2/ui/idle_run_loop.h"
#include "lv2/ui/lv2_page_bridge.h"
#include "platform/monotonic_clock.h"

namespace velmo::lv2 {
namespace {

constexpr int WIDTH = 760;
constexpr int HEIGHT = 620;

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
        if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    }
    return nullptr;
}

struct ZurizUi {
    std::shared_ptr<IdleRunLoop> loop = std::make_shared<IdleRunLoop>();
    std::unique_ptr<Lv2PageBridge> bridge;
    std::unique_ptr<EmbeddedWebView> view;
    const LV2UI_Resize* hostResize = nullptr;
    std::uint32_t eventTransfer = 0;  // 0: the host maps no URIDs, so no atoms pass
    int width = WIDTH;
    int height = HEIGHT;
    bool sizeReported = false;
};

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char* bundlePath,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
    void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    if (parent == nullptr || write == nullptr || bundlePath == nullptr) {
        std::fputs("zuriz-lv2-ui: the host gave no parent window\n", stderr);
        return nullptr;
    }
    const std::string uiRoot = (std::filesystem::path(bundlePath) / kUiFolder).lexically_normal().string();
    auto ui = std::unique_ptr<ZurizUi>(new (std::nothrow) ZurizUi);
    if (ui == nullptr) return nullptr;
    ui->hostResize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    const auto* touch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    Lv2PageBridge::TouchPort touchPort;
    if (touch != nullptr && touch->touch != nullptr)
        touchPort = [touch](std::uint32_t port, bool grabbed) { touch->touch(touch->handle, port, grabbed); };
    Lv2PageBridge::SendAtom sendAtom;
    Lv2MessageTypes types;
    if (const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map))) {
        const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
        types = {id(kAuditionUri),    id(kPollUri),        id(kCcMapUri),       id(kLevelsUri),
                 id(kTransportUri),   id(kBankRequestUri), id(kBankReplyUri),   id(kPadOverridesUri),
                 id(kHostFactsUri)};
        const std::uint32_t transfer = ui->eventTransfer = id(LV2_ATOM__eventTransfer);
        sendAtom = [write, controller, transfer](std::uint32_t type, const void* body, std::uint32_t size) {
            std::vector<std::uint8_t> atom(sizeof(LV2_Atom) + size);
            const LV2_Atom head{size, type};
            std::memcpy(atom.data(), &head, sizeof head);
            std::memcpy(atom.data() + sizeof head, body, size);
            write(controller, kPortMidiIn, static_cast<std::uint32_t>(atom.size()), transfer, atom.data());
        };
    }
    ui->bridge = std::make_unique<Lv2PageBridge>(
        [write, controller](std::uint32_t port, float plain) { write(controller, port, sizeof plain, 0, &plain); },
        std::move(touchPort), std::move(sendAtom), types);
    ui->view = createEmbeddedWebView(*ui->bridge, uiRoot, parent, WIDTH, HEIGHT, ui->loop);
    if (ui->view == nullptr) return nullptr;  // the reason went to standard error
    // The page is embedded in the parent itself.
    *widget = parent;
    return ui.release();
}

void cleanup(LV2UI_Handle handle) {
    auto* ui = static_cast<ZurizUi*>(handle);
    ui->bridge->forgetHost();
    ui->view.reset();  // the helper closes this view (and exits a moment after its last)
    delete ui;
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    auto* ui = static_cast<ZurizUi*>(handle);
    if (buffer == nullptr) return;
    if (port == kPortNotify && format != 0 && format == ui->eventTransfer) {
        const auto* atom = static_cast<const LV2_Atom*>(buffer);
        if (size >= sizeof(LV2_Atom) && atom->size <= size - sizeof(LV2_Atom))
            ui->bridge->pluginMessage(atom->type, atom + 1, atom->size);
        return;
    }
    if (format != 0 || size != sizeof(float)) return;
    float plain = 0.0F;
    std::memcpy(&plain, buffer, sizeof plain);
    ui->bridge->portEvent(port, plain);
}

int idle(LV2UI_Handle handle) {
    auto* ui = static_cast<ZurizUi*>(handle);
    // The size goes to the host here rather than from instantiate, which the host may call
    // holding its own lock.
    if (!ui->sizeReported && ui->hostResize != nullptr) {
        ui->sizeReported = true;
        ui->hostResize->ui_resize(ui->hostResize->handle, ui->width, ui->height);
    }
    ui->loop->pump();
    ui->bridge->tick(static_cast<double>(monotonicNanos()) / 1e6);
    return ui->bridge->lost() ? 1 : 0;
}

// The host resizes the UI (ui:resize offered by the UI).
int resize(LV2UI_Feature_Handle handle, int width, int height) {
    auto* ui = static_cast<ZurizUi*>(handle);
    if (width <= 0 || height <= 0) return 1;
    ui->width = width;
    ui->height = height;
    ui->view->setSize(width, height);
    return 0;
}

const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface{idle};
    static const LV2UI_Resize resizeInterface{nullptr, resize};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    if (std::strcmp(uri, LV2_UI__resize) == 0) return &resizeInterface;
    return nullptr;
}

const LV2UI_Descriptor DESCRIPTOR{kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace
}  // namespace velmo::lv2

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &velmo::lv2::DESCRIPTOR : nullptr;
}
