#pragma once

#include "platform/NotifyArea.h"

#include <vector>

// A notification area that keeps every request it gets, for tests. It holds at most one icon, as a
// real area would: Modify and Delete fail while nothing is added.
class CRecordingNotifyArea final : public platform::CNotifyArea {
public:
    enum class Request { Add, Modify, Delete };
    struct Entry {
        Request m_Request;
        platform::NotifyIconData m_Data;
    };

    bool Add(const platform::NotifyIconData& data) override;
    bool Modify(const platform::NotifyIconData& data) override;
    bool Delete(const platform::NotifyIconData& data) override;
    // Keeps the menu of the added icon, as an area that shows menus itself does.
    bool SetMenu(const platform::NotifyIconData& data,
                 const std::vector<platform::NotifyMenuItem>& items) override;

    // Makes every later Add fail, as a desktop without a notification area does.
    void RefuseAdds() { m_bRefuseAdds = true; }

    const std::vector<Entry>& Requests() const { return m_Requests; }
    // The icons that the requests carried, in order (one per request with the icon flag).
    std::vector<platform::IconHandle> IconsShown() const;
    // The icon shown now; a null handle when none is in the area.
    platform::IconHandle ShownIcon() const;

    // The user's mouse on the icon: delivers the callback to the added icon's owner, as the desktop
    // would; 0 when no icon is added.
    int Click(unsigned uMouseMessage);
    // The menu that the added icon was given last; empty when none.
    const std::vector<platform::NotifyMenuItem>& Menu() const { return m_Menu; }
    // The user's choice in that menu: reaches the owner as the desktop would deliver it.
    void Choose(unsigned nCommandId);

private:
    std::vector<Entry> m_Requests;
    bool m_bRefuseAdds = false;
    bool m_bAdded = false;
    platform::NotifyIconData m_Added;
    std::vector<platform::NotifyMenuItem> m_Menu;
};
