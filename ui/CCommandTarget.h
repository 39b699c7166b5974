#pragma once

// Whatever carries out the program's menu commands (the main frame): the tray icon hands it the
// command id of a chosen menu item or of its default item.
class CCommandTarget {
public:
    virtual ~CCommandTarget() = default;

    // Carries out the command with the given id; an id the target does not know is ignored.
    virtual void OnCommand(unsigned nId) = 0;

protected:
    CCommandTarget() = default;
    CCommandTarget(const CCommandTarget&) = default;
    CCommandTarget& operator=(const CCommandTarget&) = default;
};
