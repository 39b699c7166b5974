#pragma once

#include <string_view>

namespace platform {

// An open file descriptor, closed when the object goes.
class CDescriptor final {
public:
    explicit CDescriptor(int descriptor) : m_iDescriptor(descriptor) {}
    ~CDescriptor();
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;

    // The descriptor, or a negative number when there is none.
    int Get() const { return m_iDescriptor; }
    // Gives the descriptor up without closing it: the caller owns it from now on.
    int Release();
    // Writes all bytes, going on after short writes and interruptions; false once a write fails.
    bool WriteAll(std::string_view bytes) const;

private:
    int m_iDescriptor;
};

} // namespace platform
