#include "platform/CDescriptor.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

CDescriptor::~CDescriptor() {
    if (m_iDescriptor >= 0)
        close(m_iDescriptor);
}

int CDescriptor::Release() {
    const int descriptor = m_iDescriptor;
    m_iDescriptor = -1;
    return descriptor;
}

bool CDescriptor::WriteAll(std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t count = write(m_iDescriptor, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

} // namespace platform
