#pragma once

#include <map>
#include <memory>
#include <string>

// Watches the top-level windows of a bare X server (no window manager, so they are the root
// window's children): which are mapped and what their titles are. Kept apart from the test so
// that Xlib's macros stay out of Qt's way.
class TopLevels
{
public:
    // Connects to the display and starts listening; events from before this are not seen.
    explicit TopLevels(const std::string &display);
    ~TopLevels();
    TopLevels(const TopLevels &) = delete;
    TopLevels &operator=(const TopLevels &) = delete;

    bool connected() const;

    // Takes in what the server reported, waiting up to the given time for the first report.
    void update(int waitMs);

    // Mapped top-level windows and their titles (_NET_WM_NAME, else WM_NAME), in UTF-8.
    const std::map<unsigned long, std::string> &mapped() const { return m_mapped; }
    // The first mapped window of that title, or 0.
    unsigned long find(const std::string &title) const;

    // Asks the window to close as a window manager's close button does (WM_DELETE_WINDOW).
    void requestClose(unsigned long window);

private:
    struct Connection;
    std::unique_ptr<Connection> m_x;
    std::map<unsigned long, std::string> m_mapped;
};
