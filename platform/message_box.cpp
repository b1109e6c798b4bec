#include "platform/message_box.h"

#include <gtk/gtk.h>
#include <unistd.h>

#include "platform/codepage.h"

namespace platform {
namespace {

std::string Utf8(const std::wstring& text) {
    std::string out;
    WideToMultiByte(kCodePageUtf8, text, &out);
    return out;
}

}  // namespace

int MessageBox(NativeWindow owner, const std::wstring& text, const std::wstring& caption,
               unsigned icon) {
    if (!OpenDisplay()) {
        const std::string line = Utf8(caption) + ": " + Utf8(text) + "\n";
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
        return 0;
    }
    const GtkMessageType type =
        (icon & kMessageBoxIconHand) != 0 ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO;
    GtkWidget* dialog = gtk_message_dialog_new(static_cast<GtkWindow*>(owner), GTK_DIALOG_MODAL,
                                               type, GTK_BUTTONS_OK, "%s", Utf8(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), Utf8(caption).c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return kMessageBoxOk;
}

}  // namespace platform
