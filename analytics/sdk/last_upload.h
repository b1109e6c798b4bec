// The process-wide "last upload succeeded" flag: set by every upload that reached the
// sending stage, read by the send scheduler. Starts false. Safe on any thread.
#pragma once

namespace event_collect {

bool LastUploadSucceeded();
void SetLastUploadSucceeded(bool succeeded);

}  // namespace event_collect
