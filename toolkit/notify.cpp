#include "toolkit/notify.h"

namespace toolkit {

bool CNotifyDispatcher::DispatchNotify(Notification& msg) {
    if (msg.type == kNotifyClick) {
        OnClick(msg);
        return true;
    }
    return false;
}

}  // namespace toolkit
