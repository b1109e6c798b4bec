#include "install/child_pipe.h"

#include "sys/exception.h"
#include "sys/text.h"

void ChildPipe::Create() {
    Close();
    const int error = platform::CreatePipe(&m_readEnd, &m_writeEnd);
    if (error != 0) {
        Close();
        throw Utils::Exception(L"CreatePipe failed: " +
                               Utils::FromUtf8(platform::StartErrorText(error)));
    }
}

void ChildPipe::Close() {
    CloseWriteEnd();
    CloseReadEnd();
}
