/// A headless LibreOffice of our own, for the tests, the demo and the tools: a throwaway profile,
/// a unique pipe, its own process group; ended with the object.
#pragma once

#include "OfficeSetup.hxx"

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <atomic>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillmark::office
{
namespace css = com::sun::star;

/// This process's own UNO runtime (types of the office and of the component), made once.
css::uno::Reference<css::uno::XComponentContext> localContext();

class Office
{
public:
    /// Extra soffice arguments (such as -env: settings); environment variables for soffice.
    struct Options
    {
        std::vector<std::string> arguments;
        std::vector<std::pair<std::string, std::string>> environment;
        /// Load the component's own types into the office too.
        bool componentTypes = true;
        /// A visible office with windows (on the display the environment names).
        bool visible = false;
    };

    Office();
    explicit Office(Options options);
    ~Office();
    Office(const Office&) = delete;
    Office& operator=(const Office&) = delete;

    void start();
    void stop();
    bool running() const { return pid > 0; }
    /// Ends the office's processes at once, whatever they are doing: a call waiting on it then
    /// fails. Safe from another thread while the owner waits on a call; stop() still cleans up.
    void kill();

    css::uno::Reference<css::uno::XComponentContext> context() const { return officeContext; }
    css::uno::Reference<css::lang::XMultiComponentFactory> serviceManager() const;
    css::uno::Reference<css::frame::XDesktop2> desktop() const;

    /// Folder for files that live as long as the office; removed with it.
    const std::string& workDirectory() const { return workDir; }
    /// The profile's user folder (…/user).
    std::string userDirectory() const { return workDir + "/profile/user"; }
    /// The profile's gallery folder, where the office's graphic path points.
    std::string galleryDirectory() const { return userDirectory() + "/gallery"; }
    /// Copies `picture` into the gallery folder under its own name.
    void addToGallery(const std::string& picture) const;

    /// The office this process shares between its users, started on first use.
    static Office& shared();
    /// Ends the shared office if it was started.
    static void stopShared();

private:
    void launch();

    Options options;
    std::vector<std::string> arguments;
    std::atomic<pid_t> pid{ -1 };
    std::string workDir;
    std::string pipeName;
    css::uno::Reference<css::uno::XComponentContext> officeContext;
};

/// Removes a folder tree.
void removeTree(const std::string& path);
}
