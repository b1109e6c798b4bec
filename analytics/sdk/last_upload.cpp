#include "analytics/sdk/last_upload.h"

#include <mutex>

namespace event_collect {
namespace {

std::mutex g_mutex;
bool g_succeeded = false;

}  // namespace

bool LastUploadSucceeded() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_succeeded;
}

void SetLastUploadSucceeded(bool succeeded) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_succeeded = succeeded;
}

}  // namespace event_collect
