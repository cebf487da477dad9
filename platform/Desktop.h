#pragma once

#include <QPoint>
#include <string>

// What the window asks of the desktop besides its controls and the
// clipboard. Each answer is asked for afresh whenever it is needed. Tests
// derive from it to put the program somewhere else or the cursor elsewhere.
class TDesktop {
public:
    virtual ~TDesktop() = default;
    // The running executable's full path, as the system's bytes.
    virtual std::string ExecutablePath() const;
    // The mouse cursor in screen coordinates.
    virtual QPoint CursorPos() const;
    // Whether the user may create files in the folder.
    virtual bool FolderWritable(const std::string& folder) const;
    // The user's own configuration folder for this program
    // ($XDG_CONFIG_HOME/irochi, by default ~/.config/irochi).
    virtual std::string UserConfigFolder() const;
};
