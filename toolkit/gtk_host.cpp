#include "toolkit/gtk_host.h"

#include <gtk/gtk.h>

#include "platform/display.h"
#include "platform/screen.h"
#include "sys/text.h"
#include "toolkit/keyboard.h"
#include "toolkit/message_queue.h"
#include "toolkit/messages.h"
#include "toolkit/native_window.h"

namespace toolkit {
namespace {

UINT VirtualKey(guint keyval) {
    switch (keyval) {
        case GDK_KEY_BackSpace:
            return VK_BACK;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
            return VK_TAB;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            return VK_RETURN;
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R:
            return VK_SHIFT;
        case GDK_KEY_Control_L:
        case GDK_KEY_Control_R:
            return VK_CONTROL;
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R:
            return VK_MENU;
        case GDK_KEY_Escape:
            return VK_ESCAPE;
        case GDK_KEY_space:
            return VK_SPACE;
        case GDK_KEY_End:
        case GDK_KEY_KP_End:
            return VK_END;
        case GDK_KEY_Home:
        case GDK_KEY_KP_Home:
            return VK_HOME;
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left:
            return VK_LEFT;
        case GDK_KEY_Up:
        case GDK_KEY_KP_Up:
            return VK_UP;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right:
            return VK_RIGHT;
        case GDK_KEY_Down:
        case GDK_KEY_KP_Down:
            return VK_DOWN;
        case GDK_KEY_Insert:
            return VK_INSERT;
        case GDK_KEY_Delete:
        case GDK_KEY_KP_Delete:
            return VK_DELETE;
        case GDK_KEY_F4:
            return VK_F4;
        default:
            break;
    }
    const guint upper = gdk_keyval_to_upper(keyval);
    if ((upper >= GDK_KEY_A && upper <= GDK_KEY_Z) || (upper >= GDK_KEY_0 && upper <= GDK_KEY_9)) {
        return static_cast<UINT>(upper);  // the keysyms of letters and digits are their ASCII codes
    }
    return 0;
}

void TakeModifiers(guint state) {
    SetKeyModifiers({(state & GDK_SHIFT_MASK) != 0, (state & GDK_CONTROL_MASK) != 0,
                     (state & GDK_MOD1_MASK) != 0});
}

WPARAM MouseKeys(guint state) {
    WPARAM keys = 0;
    if ((state & GDK_BUTTON1_MASK) != 0) keys |= MK_LBUTTON;
    if ((state & GDK_SHIFT_MASK) != 0) keys |= MK_SHIFT;
    if ((state & GDK_CONTROL_MASK) != 0) keys |= MK_CONTROL;
    return keys;
}

cairo_region_t* RegionOf(const WindowRegion& region) {
    cairo_region_t* result = cairo_region_create();
    for (const Rect& band : region.Bands()) {
        const cairo_rectangle_int_t r{band.left, band.top, band.Width(), band.Height()};
        cairo_region_union_rectangle(result, &r);
    }
    return result;
}

class GtkHostWindow final : public HostWindow {
public:
    GtkHostWindow(CNativeWindow& window, const HostWindowParams& params)
        : m_window(window), m_layered(params.layered) {
        // A layered window (a shadow) is an ordinary managed window kept with its owner, not
        // an override-redirect popup, which would float above every window on the desktop.
        m_widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        g_object_ref_sink(m_widget);
        GtkWindow* gtkWindow = GTK_WINDOW(m_widget);
        gtk_window_set_decorated(gtkWindow, FALSE);
        gtk_widget_set_app_paintable(m_widget, TRUE);
        GdkScreen* screen = gtk_widget_get_screen(m_widget);
        if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen);
            rgba != nullptr && gdk_screen_is_composited(screen)) {
            gtk_widget_set_visual(m_widget, rgba);
        }
        SetTitle(params.title);
        gtk_window_set_default_size(gtkWindow, std::max(1, params.rect.Width()),
                                    std::max(1, params.rect.Height()));
        gtk_window_move(gtkWindow, params.rect.left, params.rect.top);
        if (params.owner != nullptr) {
            gtk_window_set_transient_for(gtkWindow,
                                         static_cast<GtkWindow*>(params.owner->NativeHandle()));
        }
        if (m_layered) {
            gtk_window_set_accept_focus(gtkWindow, FALSE);
            gtk_window_set_focus_on_map(gtkWindow, FALSE);
            gtk_window_set_skip_taskbar_hint(gtkWindow, TRUE);
            gtk_window_set_skip_pager_hint(gtkWindow, TRUE);
            gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_UTILITY);
        } else {
            gtk_widget_add_events(m_widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                                GDK_BUTTON_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK |
                                                GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                                GDK_FOCUS_CHANGE_MASK | GDK_STRUCTURE_MASK);
            m_im = gtk_im_multicontext_new();
            g_signal_connect(m_im, "commit", G_CALLBACK(OnCommit), this);
            Connect("button-press-event", G_CALLBACK(OnButtonPress));
            Connect("button-release-event", G_CALLBACK(OnButtonRelease));
            Connect("motion-notify-event", G_CALLBACK(OnMotion));
            Connect("leave-notify-event", G_CALLBACK(OnLeave));
            Connect("key-press-event", G_CALLBACK(OnKeyPress));
            Connect("key-release-event", G_CALLBACK(OnKeyRelease));
            Connect("focus-in-event", G_CALLBACK(OnFocusIn));
            Connect("focus-out-event", G_CALLBACK(OnFocusOut));
            Connect("delete-event", G_CALLBACK(OnDelete));
            Connect("window-state-event", G_CALLBACK(OnWindowState));
            Connect("realize", G_CALLBACK(OnRealize));
        }
        Connect("draw", G_CALLBACK(OnDraw));
        Connect("configure-event", G_CALLBACK(OnConfigure));
    }

    ~GtkHostWindow() override {
        g_signal_handlers_disconnect_by_data(m_widget, this);
        if (m_im != nullptr) {
            g_signal_handlers_disconnect_by_data(m_im, this);
            gtk_im_context_set_client_window(m_im, nullptr);
            g_object_unref(m_im);
        }
        gtk_widget_destroy(m_widget);
        g_object_unref(m_widget);
        if (m_layeredContent != nullptr) cairo_surface_destroy(m_layeredContent);
    }

    void SetTitle(const std::wstring& title) override {
        gtk_window_set_title(GTK_WINDOW(m_widget), Utils::ToUtf8(title).c_str());
    }

    void Show(bool show, bool activate) override {
        if (!show) {
            gtk_widget_hide(m_widget);
            return;
        }
        gtk_window_set_focus_on_map(GTK_WINDOW(m_widget), activate && !m_layered);
        gtk_widget_show(m_widget);
        if (m_layered) {
            // Clicks go through a shadow to whatever lies below it.
            cairo_region_t* none = cairo_region_create();
            gtk_widget_input_shape_combine_region(m_widget, none);
            cairo_region_destroy(none);
        } else if (activate) {
            gtk_window_present(GTK_WINDOW(m_widget));
        }
    }

    void Move(const Rect& r) override {
        gtk_window_move(GTK_WINDOW(m_widget), r.left, r.top);
        gtk_window_resize(GTK_WINDOW(m_widget), std::max(1, r.Width()), std::max(1, r.Height()));
        m_expected = r;
    }

    void Invalidate(const Rect& r) override {
        gtk_widget_queue_draw_area(m_widget, r.left, r.top, r.Width(), r.Height());
    }

    void SetEnabled(bool /*enabled*/) override {
        // The window itself drops input while disabled; GTK's modality keeps the desktop's
        // focus on the modal window.
    }
    void Minimize() override { gtk_window_iconify(GTK_WINDOW(m_widget)); }
    void Restore() override { gtk_window_deiconify(GTK_WINDOW(m_widget)); }
    void BringToFront() override { gtk_window_present(GTK_WINDOW(m_widget)); }

    void SetShape(const WindowRegion* region) override {
        if (region == nullptr) {
            gtk_widget_shape_combine_region(m_widget, nullptr);
            return;
        }
        cairo_region_t* shape = RegionOf(*region);
        gtk_widget_shape_combine_region(m_widget, shape);
        cairo_region_destroy(shape);
    }

    void SetIcon(cairo_surface_t* image) override {
        GdkPixbuf* pixbuf =
            gdk_pixbuf_get_from_surface(image, 0, 0, cairo_image_surface_get_width(image),
                                        cairo_image_surface_get_height(image));
        if (pixbuf == nullptr) return;
        gtk_window_set_icon(GTK_WINDOW(m_widget), pixbuf);
        g_object_unref(pixbuf);
    }

    void SetModal(bool modal, HostWindow* owner) override {
        if (owner != nullptr) {
            gtk_window_set_transient_for(GTK_WINDOW(m_widget),
                                         static_cast<GtkWindow*>(owner->NativeHandle()));
        }
        gtk_window_set_modal(GTK_WINDOW(m_widget), modal);
    }

    void SetLayeredContent(cairo_surface_t* image) override {
        if (m_layeredContent != nullptr) cairo_surface_destroy(m_layeredContent);
        m_layeredContent = image != nullptr ? cairo_surface_reference(image) : nullptr;
        gtk_widget_queue_draw(m_widget);
    }

    platform::NativeWindow NativeHandle() const override { return m_widget; }

private:
    void Connect(const char* signal, GCallback callback) {
        g_signal_connect(m_widget, signal, callback, this);
    }

    static gboolean OnDraw(GtkWidget* /*widget*/, cairo_t* cr, GtkHostWindow* self) {
        if (self->m_layered) {
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            if (self->m_layeredContent != nullptr) {
                cairo_set_source_surface(cr, self->m_layeredContent, 0, 0);
            } else {
                cairo_set_source_rgba(cr, 0, 0, 0, 0);
            }
            cairo_paint(cr);
            return TRUE;
        }
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
        const Rect dirty{static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2 + 0.999),
                         static_cast<int>(y2 + 0.999)};
        self->m_window.OnHostPaint(cr, dirty);
        return TRUE;
    }

    static gboolean OnConfigure(GtkWidget* /*widget*/, GdkEventConfigure* event,
                                GtkHostWindow* self) {
        self->m_window.OnHostMoved(
            {event->x, event->y, event->x + event->width, event->y + event->height});
        return FALSE;
    }

    static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, GtkHostWindow* self) {
        if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
        TakeModifiers(event->state);
        const int x = static_cast<int>(event->x);
        const int y = static_cast<int>(event->y);
        if (event->type == GDK_BUTTON_PRESS &&
            self->m_window.SendMessage(WM_NCHITTEST, 0,
                                       MakeLParam(static_cast<int>(event->x_root),
                                                  static_cast<int>(event->y_root))) == HTCAPTION) {
            if (self->m_window.IsEnabled()) {
                gtk_window_begin_move_drag(GTK_WINDOW(widget), static_cast<gint>(event->button),
                                           static_cast<gint>(event->x_root),
                                           static_cast<gint>(event->y_root), event->time);
            }
            return TRUE;
        }
        if (event->type == GDK_BUTTON_PRESS) {
            self->m_window.DeliverInput(WM_LBUTTONDOWN, MouseKeys(event->state) | MK_LBUTTON,
                                        MakeLParam(x, y));
        } else if (event->type == GDK_2BUTTON_PRESS) {
            self->m_window.DeliverInput(WM_LBUTTONDBLCLK, MouseKeys(event->state) | MK_LBUTTON,
                                        MakeLParam(x, y));
        }
        return TRUE;
    }

    static gboolean OnButtonRelease(GtkWidget* /*widget*/, GdkEventButton* event,
                                    GtkHostWindow* self) {
        if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
        TakeModifiers(event->state);
        self->m_window.DeliverInput(
            WM_LBUTTONUP, MouseKeys(event->state) & ~MK_LBUTTON,
            MakeLParam(static_cast<int>(event->x), static_cast<int>(event->y)));
        return TRUE;
    }

    static gboolean OnMotion(GtkWidget* /*widget*/, GdkEventMotion* event, GtkHostWindow* self) {
        TakeModifiers(event->state);
        self->m_window.DeliverInput(
            WM_MOUSEMOVE, MouseKeys(event->state),
            MakeLParam(static_cast<int>(event->x), static_cast<int>(event->y)));
        return TRUE;
    }

    static gboolean OnLeave(GtkWidget* /*widget*/, GdkEventCrossing* event, GtkHostWindow* self) {
        if (event->mode == GDK_CROSSING_NORMAL) self->m_window.DeliverInput(WM_MOUSELEAVE, 0, 0);
        return FALSE;
    }

    static gboolean OnKeyPress(GtkWidget* /*widget*/, GdkEventKey* event, GtkHostWindow* self) {
        TakeModifiers(event->state);
        const HWND hwnd = self->m_window.GetHWND();
        if (const UINT key = VirtualKey(event->keyval); key != 0) {
            self->m_window.DeliverInput(WM_KEYDOWN, key, 1);
            if (!IsWindow(hwnd)) return TRUE;
        }
        // Shortcuts are keys, not text.
        if ((event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) == 0) {
            gtk_im_context_filter_keypress(self->m_im, event);
        }
        return TRUE;
    }

    static gboolean OnKeyRelease(GtkWidget* /*widget*/, GdkEventKey* event, GtkHostWindow* self) {
        TakeModifiers(event->state);
        gtk_im_context_filter_keypress(self->m_im, event);
        if (const UINT key = VirtualKey(event->keyval); key != 0) {
            self->m_window.DeliverInput(WM_KEYUP, key, 1);
        }
        return TRUE;
    }

    static void OnCommit(GtkIMContext* /*im*/, const gchar* text, GtkHostWindow* self) {
        const HWND hwnd = self->m_window.GetHWND();
        for (wchar_t c : Utils::FromUtf8(text)) {
            if (!IsWindow(hwnd)) return;
            self->m_window.DeliverInput(WM_CHAR, static_cast<WPARAM>(c), 1);
        }
    }

    static gboolean OnFocusIn(GtkWidget* /*widget*/, GdkEventFocus* /*event*/,
                              GtkHostWindow* self) {
        gtk_im_context_focus_in(self->m_im);
        self->m_window.OnHostActivated(true);
        self->m_window.SendMessage(WM_SETFOCUS, 0, 0);
        return FALSE;
    }

    static gboolean OnFocusOut(GtkWidget* /*widget*/, GdkEventFocus* /*event*/,
                               GtkHostWindow* self) {
        gtk_im_context_focus_out(self->m_im);
        self->m_window.SendMessage(WM_KILLFOCUS, 0, 0);
        self->m_window.OnHostActivated(false);
        return FALSE;
    }

    static gboolean OnDelete(GtkWidget* /*widget*/, GdkEvent* /*event*/, GtkHostWindow* self) {
        // The window decides; GTK must not destroy it behind the toolkit's back.
        self->m_window.DeliverInput(WM_CLOSE, 0, 0);
        return TRUE;
    }

    static gboolean OnWindowState(GtkWidget* /*widget*/, GdkEventWindowState* event,
                                  GtkHostWindow* self) {
        if ((event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) != 0) {
            self->m_window.OnHostMinimized((event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) !=
                                           0);
        }
        return FALSE;
    }

    static void OnRealize(GtkWidget* widget, GtkHostWindow* self) {
        gtk_im_context_set_client_window(self->m_im, gtk_widget_get_window(widget));
    }

    CNativeWindow& m_window;
    GtkWidget* m_widget = nullptr;
    GtkIMContext* m_im = nullptr;
    bool m_layered = false;
    cairo_surface_t* m_layeredContent = nullptr;
    Rect m_expected;
};

}  // namespace

GtkHost* GtkHost::Instance() {
    if (!platform::OpenDisplay()) return nullptr;
    static auto* host = new GtkHost();  // lives for the process, like the display connection
    return host;
}

std::unique_ptr<HostWindow> GtkHost::CreateHostWindow(CNativeWindow& window,
                                                      const HostWindowParams& params) {
    return std::make_unique<GtkHostWindow>(window, params);
}

Rect GtkHost::WorkArea() const {
    const platform::ScreenArea area = platform::PrimaryMonitorWorkArea();
    return {area.x, area.y, area.x + area.width, area.y + area.height};
}

bool GtkHost::SupportsLayeredWindows() const {
    GdkScreen* screen = gdk_screen_get_default();
    return screen != nullptr && gdk_screen_is_composited(screen) &&
           gdk_screen_get_rgba_visual(screen) != nullptr;
}

void GtkHost::SetClipboardText(const std::wstring& text) {
    const std::string utf8 = Utils::ToUtf8(text);
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), utf8.c_str(),
                           static_cast<gint>(utf8.size()));
}

std::wstring GtkHost::GetClipboardText() {
    gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    if (text == nullptr) return {};
    std::wstring result = Utils::FromUtf8(text);
    g_free(text);
    return result;
}

bool GtkHost::CaptureWindow(CNativeWindow& window, const std::string& pngPath) {
    auto* widget = static_cast<GtkWidget*>(window.GetNativeHandle());
    if (widget == nullptr || !gtk_widget_get_mapped(widget)) return false;
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdkWindow, 0, 0, gdk_window_get_width(gdkWindow),
                                                 gdk_window_get_height(gdkWindow));
    if (shot == nullptr) return false;
    const bool saved = gdk_pixbuf_save(shot, pngPath.c_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(shot);
    return saved;
}

}  // namespace toolkit
