#include "CRecordingNotifyArea.h"

using platform::kNotifyFlagIcon;
using platform::kNotifyFlagMessage;

bool CRecordingNotifyArea::Add(const platform::NotifyIconData& data) {
    m_Requests.push_back({Request::Add, data});
    if (m_bRefuseAdds || m_bAdded)
        return false;
    m_bAdded = true;
    m_Added = data;
    return true;
}

bool CRecordingNotifyArea::Modify(const platform::NotifyIconData& data) {
    m_Requests.push_back({Request::Modify, data});
    if (!m_bAdded || data.m_uID != m_Added.m_uID)
        return false;
    if (data.m_uFlags & kNotifyFlagIcon)
        m_Added.m_hIcon = data.m_hIcon;
    if (data.m_uFlags & kNotifyFlagMessage)
        m_Added.m_uCallbackMessage = data.m_uCallbackMessage;
    return true;
}

bool CRecordingNotifyArea::Delete(const platform::NotifyIconData& data) {
    m_Requests.push_back({Request::Delete, data});
    if (!m_bAdded || data.m_uID != m_Added.m_uID)
        return false;
    m_bAdded = false;
    m_Menu.clear();
    return true;
}

bool CRecordingNotifyArea::SetMenu(const platform::NotifyIconData& data,
                                   const std::vector<platform::NotifyMenuItem>& items) {
    if (!m_bAdded || data.m_uID != m_Added.m_uID)
        return false;
    m_Menu = items;
    return true;
}

void CRecordingNotifyArea::Choose(unsigned nCommandId) {
    if (m_bAdded && m_Added.m_pOwner != nullptr)
        m_Added.m_pOwner->OnNotifyCommand(m_Added.m_uID, nCommandId);
}

std::vector<platform::IconHandle> CRecordingNotifyArea::IconsShown() const {
    std::vector<platform::IconHandle> icons;
    for (const Entry& entry : m_Requests)
        if (entry.m_Request != Request::Delete && (entry.m_Data.m_uFlags & kNotifyFlagIcon))
            icons.push_back(entry.m_Data.m_hIcon);
    return icons;
}

platform::IconHandle CRecordingNotifyArea::ShownIcon() const {
    return m_bAdded ? m_Added.m_hIcon : platform::IconHandle{};
}

int CRecordingNotifyArea::Click(unsigned uMouseMessage) {
    if (!m_bAdded || m_Added.m_pOwner == nullptr)
        return 0;
    return m_Added.m_pOwner->OnNotifyMessage(m_Added.m_uCallbackMessage, m_Added.m_uID, uMouseMessage);
}
