#include "toolkit/offscreen_host.h"

#include <glib.h>

#include "toolkit/message_queue.h"
#include "toolkit/native_window.h"

namespace toolkit {

OffscreenHost& OffscreenHost::Instance() {
    static auto* host = new OffscreenHost();  // lives for the process, like its windows' loop
    return *host;
}

std::unique_ptr<HostWindow> OffscreenHost::CreateHostWindow(CNativeWindow& window,
                                                            const HostWindowParams& params) {
    return std::make_unique<OffscreenWindow>(window, params);
}

void OffscreenHost::QueueModalAnswer(std::function<void(CNativeWindow&)> answer) {
    m_answers.push_back(std::move(answer));
}

void OffscreenHost::OnModalLoop(CNativeWindow& window) {
    if (m_answers.empty()) return;
    struct Pending {
        HWND hwnd;
        std::function<void(CNativeWindow&)> answer;
    };
    auto* pending = new Pending{window.GetHWND(), std::move(m_answers.front())};
    m_answers.pop_front();
    // Runs from the modal loop itself, as a user's click would.
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(
        source,
        [](gpointer data) -> gboolean {
            auto* p = static_cast<Pending*>(data);
            if (CNativeWindow* target = CNativeWindow::FromHandle(p->hwnd)) p->answer(*target);
            return G_SOURCE_REMOVE;
        },
        pending, [](gpointer data) { delete static_cast<Pending*>(data); });
    GMainContext* context = g_main_context_get_thread_default();
    g_source_attach(source, context != nullptr ? context : g_main_context_default());
    g_source_unref(source);
}

OffscreenWindow::OffscreenWindow(CNativeWindow& window, const HostWindowParams& params)
    : m_window(window),
      m_title(params.title),
      m_rect(params.rect),
      m_owner(params.owner),
      m_layered(params.layered) {}

OffscreenWindow::~OffscreenWindow() {
    if (m_surface != nullptr) cairo_surface_destroy(m_surface);
    if (m_icon != nullptr) cairo_surface_destroy(m_icon);
    if (m_layeredContent != nullptr) cairo_surface_destroy(m_layeredContent);
}

void OffscreenWindow::Show(bool show, bool activate) {
    m_shown = show;
    if (show && !m_layered) {
        if (activate && !m_active) {
            m_active = true;
            m_window.OnHostActivated(true);
        }
    } else if (!show && m_active) {
        m_active = false;
        m_window.OnHostActivated(false);
    }
}

void OffscreenWindow::Move(const Rect& screenRect) {
    if (screenRect.Width() != m_rect.Width() || screenRect.Height() != m_rect.Height()) {
        m_dirty = {0, 0, screenRect.Width(), screenRect.Height()};
    }
    m_rect = screenRect;
}

void OffscreenWindow::Invalidate(const Rect& clientRect) {
    m_dirty = m_dirty.Union(clientRect.Intersect({0, 0, m_rect.Width(), m_rect.Height()}));
}

void OffscreenWindow::SetIcon(cairo_surface_t* image) {
    if (m_icon != nullptr) cairo_surface_destroy(m_icon);
    m_icon = cairo_surface_reference(image);
}

void OffscreenWindow::SetModal(bool modal, HostWindow* owner) {
    m_modal = modal;
    m_owner = owner;
}

void OffscreenWindow::SetLayeredContent(cairo_surface_t* image) {
    if (m_layeredContent != nullptr) cairo_surface_destroy(m_layeredContent);
    m_layeredContent = image != nullptr ? cairo_surface_reference(image) : nullptr;
}

cairo_surface_t* OffscreenWindow::Render() {
    if (m_layered) return m_layeredContent;
    const int width = std::max(1, m_rect.Width());
    const int height = std::max(1, m_rect.Height());
    if (m_surface == nullptr || cairo_image_surface_get_width(m_surface) != width ||
        cairo_image_surface_get_height(m_surface) != height) {
        if (m_surface != nullptr) cairo_surface_destroy(m_surface);
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        m_dirty = {0, 0, width, height};
    }
    if (!m_dirty.IsEmpty()) {
        const Rect dirty = m_dirty;
        m_dirty = {};
        cairo_t* cr = cairo_create(m_surface);
        m_window.OnHostPaint(cr, dirty);
        cairo_destroy(cr);
        cairo_surface_flush(m_surface);
    }
    return m_surface;
}

}  // namespace toolkit
