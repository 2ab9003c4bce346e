#include "VisibleOffice.hxx"

#include <cairo.h>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <fcntl.h>
#include <signal.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillmark::test
{
namespace
{
using office::shellQuoted;

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

/// True when a live X server holds the display; a server that died leaves its lock behind, and
/// the next one takes that over.
bool displayTaken(int number)
{
    std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
    pid_t holder = 0;
    if (!(lock >> holder) || holder <= 0)
        return false;
    return kill(holder, 0) == 0 || errno == EPERM;
}

pid_t startDisplay(int number)
{
    const std::string name = ":" + std::to_string(number);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0)
    {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x900x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}
}

VisibleOffice::VisibleOffice(const std::vector<int>& displays,
                             std::vector<std::pair<std::string, std::string>> environment)
{
    char pattern[] = "/tmp/quillmark-gui-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("cannot create a work folder");
    workFolder = pattern;

    for (int number : displays)
    {
        // A display another run holds has its lock file.
        if (displayTaken(number))
            continue;
        display = startDisplay(number);
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        for (int i = 0; i < 100 && !exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (exists(socket) && waitpid(display, nullptr, WNOHANG) == 0)
        {
            displayName = ":" + std::to_string(number);
            break;
        }
        kill(-display, SIGKILL);
        waitpid(display, nullptr, 0);
        display = -1;
    }
    if (displayName.empty())
        throw std::runtime_error("no free display for the visible office");
    setenv("DISPLAY", displayName.c_str(), 1);

    const std::string install = office::unopkgCommand({ "add", SEAL_OXT }, workFolder) + " >"
                                + office::shellQuoted(workFolder + "/unopkg.log") + " 2>&1";
    if (std::system(install.c_str()) != 0)
        throw std::runtime_error("unopkg could not install the extension");

    office::Office::Options options;
    options.arguments = office::sharedPackages(workFolder);
    options.environment = std::move(environment);
    options.componentTypes = false;
    options.visible = true;
    visibleOffice = std::make_unique<office::Office>(options);
    visibleOffice->start();
}

VisibleOffice::~VisibleOffice()
{
    visibleOffice.reset();
    if (display > 0)
    {
        kill(-display, SIGTERM);
        waitpid(display, nullptr, 0);
    }
    office::removeTree(workFolder);
}

int VisibleOffice::run(const std::string& command) const
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string VisibleOffice::screenshot(const std::string& name) const
{
    // The office paints after it answers: give it a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const std::string path = std::string(SEAL_GUI_SHOTS) + "/" + name + ".png";
    run("mkdir -p " + shellQuoted(SEAL_GUI_SHOTS) + " && import -window root " + shellQuoted(path));
    return path;
}

bool VisibleOffice::waitForWindow(const std::string& pattern, int seconds) const
{
    // Looked at once more at the deadline, so that no wait looks only once.
    for (int i = 0;; ++i)
    {
        if (run("xdotool search --onlyvisible --name " + shellQuoted(pattern) + " >/dev/null 2>&1")
            == 0)
            return true;
        if (i >= seconds * 5)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

bool VisibleOffice::waitForWindowGone(const std::string& pattern, int seconds) const
{
    // Looked at once more at the deadline, so that no wait looks only once.
    for (int i = 0;; ++i)
    {
        if (run("xdotool search --onlyvisible --name " + shellQuoted(pattern) + " >/dev/null 2>&1")
            != 0)
            return true;
        if (i >= seconds * 5)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

Point redCentre(const std::string& png)
{
    constexpr int kPageTop = 110;
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    Point centre;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS)
    {
        const int width = cairo_image_surface_get_width(image);
        const int height = cairo_image_surface_get_height(image);
        const int stride = cairo_image_surface_get_stride(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        long sumX = 0, sumY = 0, count = 0;
        // The toolbars' icons above the page are red too.
        for (int y = kPageTop; y < height; ++y)
        {
            const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
            for (int x = 0; x < width; ++x)
            {
                const int red = (row[x] >> 16) & 0xff;
                const int green = (row[x] >> 8) & 0xff;
                const int blue = row[x] & 0xff;
                if (red > 170 && green < 90 && blue < 90)
                {
                    sumX += x;
                    sumY += y;
                    ++count;
                }
            }
        }
        // A few red pixels are the office's own (icons); a seal is hundreds.
        if (count > 300)
            centre = { static_cast<int>(sumX / count), static_cast<int>(sumY / count) };
    }
    cairo_surface_destroy(image);
    return centre;
}
}
