#include "platform/folder_dialog.h"

#include <gtk/gtk.h>

#include <utility>

#include "platform/codepage.h"

namespace platform {
namespace {

FolderDialogHandler& Handler() {
    static FolderDialogHandler handler;
    return handler;
}

}  // namespace

void SetFolderDialogHandler(FolderDialogHandler handler) {
    Handler() = std::move(handler);
}

bool BrowseForFolder(NativeWindow owner, const std::wstring& title, const std::wstring& start,
                     std::wstring* path) {
    // A copy, so that a handler which replaces itself is not destroyed while it runs.
    if (const FolderDialogHandler handler = Handler()) return handler(owner, title, start, path);
    if (!OpenDisplay()) return false;
    std::string title8;
    WideToMultiByte(kCodePageUtf8, title, &title8);
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title8.c_str(), static_cast<GtkWindow*>(owner), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
        "_Cancel", GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
    if (!start.empty()) {
        std::string start8;
        WideToMultiByte(kCodePageUtf8, start, &start8);
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), start8.c_str());
    }
    bool chosen = false;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* file = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
        if (file != nullptr) {
            chosen = MultiByteToWide(kCodePageUtf8, file, path);
            g_free(file);
        }
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

}  // namespace platform
