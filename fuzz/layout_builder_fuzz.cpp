// The layout builder (toolkit/layout_builder.h) on arbitrary markup, on the offscreen host: the
// tree it builds is attached to a window, laid out, painted, and clicked once at its centre,
// with the installer's skin folder as the resource path so that real images are drawn. What
// must hold:
// - building, laying out, painting and destroying never fault and leak nothing (the leak
//   checker runs after the inputs);
// - a document is refused (null) exactly when it says why, and a built tree is the window's
//   root afterwards, in which a control found by name carries that name.
#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "sys/text.h"
#include "toolkit/control.h"
#include "toolkit/image_cache.h"
#include "toolkit/layout_builder.h"
#include "toolkit/native_window.h"
#include "toolkit/offscreen_driver.h"
#include "toolkit/resource_access.h"
#include "toolkit/window_ui.h"

namespace {

using namespace toolkit;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// A window that hands its messages to the tree of the current input.
class FuzzWindow : public CNativeWindow {
public:
    WindowUi* ui = nullptr;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (ui != nullptr && ui->MessageHandler(msg, wParam, lParam, result)) return result;
        return CNativeWindow::HandleMessage(msg, wParam, lParam);
    }
};

struct Setup {
    Setup() {
        offscreen::Use();
        ResourceAccess::SetResourcePath(Utils::FromUtf8(COLLIVO_SKIN_DIR));
        window.Create(nullptr, L"fuzz", WS_POPUP, 0, 0, 0, kWidth, kHeight);
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    }
    fuzz::QuietDebugOutput quiet;
    FuzzWindow window;
    cairo_surface_t* surface;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup* setup = new Setup();  // lives for the run: fonts and the window stay loaded
    const std::string_view markup(reinterpret_cast<const char*>(data), size);
    {
        WindowUi ui(setup->window);
        setup->window.ui = &ui;
        std::wstring error;
        CControlUI* root = BuildLayout(markup, ui, nullptr, &error);
        FUZZ_CHECK((root == nullptr) == !error.empty());
        if (root != nullptr) {
            ui.AttachRoot(root);
            FUZZ_CHECK(ui.GetRoot() == root);
            const std::wstring& name = root->GetName();
            if (!name.empty()) FUZZ_CHECK(ui.FindControl(name)->GetName() == name);
            cairo_t* cr = cairo_create(setup->surface);
            ui.Paint(cr, {0, 0, kWidth, kHeight});
            cairo_destroy(cr);
            offscreen::ClickAt(setup->window, {kWidth / 2, kHeight / 2});
            offscreen::RunPending();
        }
        setup->window.ui = nullptr;
    }
    offscreen::RunPending();
    // Images and failed lookups are cached by name; a fuzzer run names millions.
    ImageCache::Clear();
    return 0;
}
