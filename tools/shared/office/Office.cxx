#include "Office.hxx"

#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <ftw.h>
#include <sys/prctl.h>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace quillmark::office
{
namespace
{
constexpr auto kStartTimeout = std::chrono::seconds(90);
/// How often an office that ends early is started again.
constexpr int kStartAttempts = 2;

std::string makeWorkDirectory()
{
    char pattern[] = "/tmp/quillmark-office-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("cannot create a work folder for the office");
    return pattern;
}

/// Exit status of an office that restarts itself, as it does on a fresh profile.
constexpr int kRestartRequested = 81;

/// True when the process has ended; its exit status goes to `status`.
bool processEnded(pid_t pid, int* status = nullptr)
{
    int waitStatus = 0;
    if (waitpid(pid, &waitStatus, WNOHANG) != pid)
        return false;
    if (status)
        *status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    return true;
}
}

Reference<uno::XComponentContext> localContext()
{
    static Reference<uno::XComponentContext> context
        = cppu::defaultBootstrap_InitialComponentContext(
            rtl::OUString::fromUtf8(fileUrl(SEAL_UNO_INI).c_str()));
    return context;
}

void removeTree(const std::string& path)
{
    nftw(
        path.c_str(),
        [](const char* file, const struct stat*, int, struct FTW*) { return remove(file); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

Office::Office() = default;

Office::Office(Options officeOptions)
    : options(std::move(officeOptions))
{
}

Office::~Office() { stop(); }

namespace
{
Office*& sharedOffice()
{
    static Office* office = nullptr;
    return office;
}
}

Office& Office::shared()
{
    Office*& office = sharedOffice();
    if (!office)
        office = new Office;
    if (!office->running())
        office->start();
    return *office;
}

void Office::stopShared()
{
    delete sharedOffice();
    sharedOffice() = nullptr;
}

void Office::start()
{
    // The bridge writes to the office's pipe; an office that ended (or was stopped while a
    // release was still on its way) must give a DisposedException to report, not a SIGPIPE that
    // ends this process without a word.
    signal(SIGPIPE, SIG_IGN);
    workDir = makeWorkDirectory();
    pipeName
        = "quillmark_" + std::to_string(getpid()) + "_" + workDir.substr(workDir.rfind('-') + 1);

    arguments = startArguments(workDir + "/profile", pipeName, options.visible);
    if (options.componentTypes)
        arguments.push_back(moreTypes({ SEAL_TYPES_RDB }));
    arguments.insert(arguments.end(), options.arguments.begin(), options.arguments.end());

    launch();

    Reference<bridge::XUnoUrlResolver> resolver(
        localContext()->getServiceManager()->createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", localContext()),
        UNO_QUERY_THROW);
    const rtl::OUString url = rtl::OUString::fromUtf8(connectionUrl(pipeName).c_str());
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    int unexpectedEnds = 0;
    while (!officeContext.is())
    {
        try
        {
            officeContext.set(resolver->resolve(url), UNO_QUERY_THROW);
        }
        catch (const uno::Exception& exception)
        {
            SAL_INFO("quillmark.tools", "the office does not answer yet: " << exception.Message);
            int status = 0;
            if (processEnded(pid, &status))
            {
                pid = -1;
                // A fresh profile asks for a restart; a first start on a busy machine now and
                // then ends early without a word: it gets another chance or two.
                if (status != kRestartRequested && ++unexpectedEnds > kStartAttempts)
                {
                    stop();
                    throw std::runtime_error("soffice ended before it accepted connections, "
                                             "last with exit status "
                                             + std::to_string(status));
                }
                launch();
            }
            if (std::chrono::steady_clock::now() > deadline)
            {
                stop();
                throw std::runtime_error("soffice did not accept connections in time");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
}

void Office::launch()
{
    const std::string log = workDir + "/office.log";
    const pid_t parent = getpid();
    pid = fork();
    if (pid < 0)
        throw std::runtime_error("cannot start soffice");
    if (pid == 0)
    {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        const int output = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (output >= 0)
        {
            dup2(output, STDOUT_FILENO);
            dup2(output, STDERR_FILENO);
            close(output);
        }
        const int input = open("/dev/null", O_RDONLY);
        if (input >= 0)
        {
            dup2(input, STDIN_FILENO);
            close(input);
        }
        for (const auto& [name, value] : options.environment)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid, pid);
}

void Office::stop()
{
    if (pid > 0)
    {
        try
        {
            if (officeContext.is())
                desktop()->terminate();
        }
        catch (const uno::Exception& exception)
        {
            // The office is ended by signal below whatever it answered.
            SAL_INFO("quillmark.tools",
                     "the office did not terminate when asked: " << exception.Message);
        }
        officeContext.clear();
        for (int i = 0; i < 50 && !processEnded(pid); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(-pid, SIGKILL);
        waitpid(pid, nullptr, WNOHANG);
        pid = -1;
    }
    if (!workDir.empty())
    {
        removeTree(workDir);
        workDir.clear();
    }
}

void Office::kill()
{
    if (const pid_t group = pid; group > 0)
        ::kill(-group, SIGKILL);
}

void Office::addToGallery(const std::string& picture) const
{
    std::error_code error;
    std::filesystem::create_directories(galleryDirectory(), error);
    const std::filesystem::path from(picture);
    std::filesystem::copy_file(from, std::filesystem::path(galleryDirectory()) / from.filename(),
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        throw std::runtime_error("cannot put " + picture
                                 + " into the office's gallery: " + error.message());
}

Reference<lang::XMultiComponentFactory> Office::serviceManager() const
{
    return officeContext->getServiceManager();
}

Reference<frame::XDesktop2> Office::desktop() const
{
    return frame::Desktop::create(officeContext);
}
}
