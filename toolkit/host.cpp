#include "toolkit/host.h"

#include "toolkit/gtk_host.h"
#include "toolkit/offscreen_host.h"

namespace toolkit {
namespace {

bool g_chosen = false;
HostKind g_kind = HostKind::kOffscreen;

}  // namespace

bool UseHost(HostKind kind) {
    if (kind == HostKind::kGtk && GtkHost::Instance() == nullptr) return false;
    g_kind = kind;
    g_chosen = true;
    return true;
}

Host& CurrentHost() {
    if (!g_chosen) {
        g_chosen = true;
        g_kind = GtkHost::Instance() != nullptr ? HostKind::kGtk : HostKind::kOffscreen;
    }
    if (g_kind == HostKind::kGtk) return *GtkHost::Instance();
    return OffscreenHost::Instance();
}

HostKind CurrentHostKind() {
    CurrentHost();
    return g_kind;
}

}  // namespace toolkit
