#pragma once

#include <string>
#include <sys/types.h>

// A virtual X server of the test's own, for what only a real X11 display
// shows (window properties, keyboard extension state). It takes the first
// free display from :120 on, so it never meets a desktop's display, and is
// killed with the object.
class XvfbDisplay {
public:
    // Throws when no Xvfb could be started.
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // ":120" and the like, for DISPLAY.
    const std::string& Name() const { return m_name; }

private:
    bool TryStart(int number);

    pid_t m_pid = -1;
    std::string m_name;
};
