#include "platform/message_loop.h"

#include <glib.h>

namespace platform {
namespace {

thread_local bool t_quitPending = false;
thread_local int t_quitCode = 0;

GMainContext* ThreadContext() {
    GMainContext* context = g_main_context_get_thread_default();
    return context != nullptr ? context : g_main_context_default();
}

}  // namespace

void PostQuitMessage(int exitCode) {
    t_quitPending = true;
    t_quitCode = exitCode;
    g_main_context_wakeup(ThreadContext());
}

bool TakeQuitMessage(int* exitCode) {
    if (!t_quitPending) return false;
    t_quitPending = false;
    *exitCode = t_quitCode;
    return true;
}

void WaitAndDispatchOne() {
    g_main_context_iteration(ThreadContext(), TRUE);
}

void WaitAndDispatchOneFor(uint32_t maxWaitMs) {
    // A one-shot timeout wakes the wait; it is gone again whether it fired or not.
    GSource* wake = g_timeout_source_new(maxWaitMs);
    g_source_set_callback(
        wake, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
    g_source_attach(wake, ThreadContext());
    g_main_context_iteration(ThreadContext(), TRUE);
    g_source_destroy(wake);
    g_source_unref(wake);
}

bool DispatchPending() {
    return g_main_context_iteration(ThreadContext(), FALSE) != FALSE;
}

}  // namespace platform
