#include "install/child_pipe.h"

#include <cstring>

#include "sys/exception.h"
#include "sys/text.h"

void ChildPipe::Create() {
    Close();
    const int error = platform::CreatePipe(&m_readEnd, &m_writeEnd);
    if (error != 0) {
        Close();
        throw Utils::Exception(L"CreatePipe failed: " + Utils::NarrowToWide(std::strerror(error)));
    }
}

void ChildPipe::Close() {
    CloseWriteEnd();
    CloseReadEnd();
}
