/// A visible office on a virtual display, with the packed extension installed by unopkg, as a
/// person would have it; and the person's hands and eyes: keys, clicks and screenshots.
#pragma once

#include <Office.hxx>

#include <memory>
#include <string>
#include <sys/types.h>

namespace quillmark::test
{
class VisibleOffice
{
public:
    /// Starts a virtual display (the first free of `displays`), installs the extension and
    /// starts the office on it. `environment` goes to the office.
    VisibleOffice(const std::vector<int>& displays,
                  std::vector<std::pair<std::string, std::string>> environment);
    ~VisibleOffice();

    office::Office& office() { return *visibleOffice; }
    const std::string& folder() const { return workFolder; }

    /// Runs a shell command on the display; its exit status.
    int run(const std::string& command) const;
    /// Saves the screen as `<shots>/<name>.png`; the path.
    std::string screenshot(const std::string& name) const;
    /// Waits until a window whose name matches `pattern` is shown; false after `seconds` (0: looks
    /// once).
    bool waitForWindow(const std::string& pattern, int seconds) const;
    /// Waits until no window whose name matches `pattern` is shown; false after `seconds`.
    bool waitForWindowGone(const std::string& pattern, int seconds) const;

private:
    std::string workFolder;
    std::string displayName;
    pid_t display = -1;
    std::unique_ptr<office::Office> visibleOffice;
};

struct Point
{
    int x = -1;
    int y = -1;
};

/// The centre of the red pixels of a screenshot (a seal on the page), or (-1, -1) for none.
Point redCentre(const std::string& png);
}
