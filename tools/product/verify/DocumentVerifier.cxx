// One stored document in, its seals and their verdicts out. The document is opened read-only and
// hidden, with macros and link updates off: the files come from elsewhere and must stay as
// they are.

#include "DocumentVerifier.hxx"

#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <osl/file.hxx>

#include <algorithm>
#include <unistd.h>

#include <sys/stat.h>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::verify
{
namespace
{
constexpr char kHelperService[] = "Quillmark.Certificate.QORVHelper";
/// Filters that read any bytes as plain text: a file only they accept is no Writer document.
constexpr const char* kPlainTextFilters[] = { "Text", "Text (encoded)" };

std::string utf8(const OUString& text)
{
    return OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

beans::PropertyValue argument(const char* name, const Any& value)
{
    beans::PropertyValue property;
    property.Name = OUString::createFromAscii(name);
    property.Value = value;
    return property;
}

FileReport errorReport(const std::string& path, const std::string& error)
{
    FileReport report;
    report.file = path;
    report.status = FileReport::Status::Error;
    report.error = error;
    return report;
}

std::string absolutePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char* cwd = getcwd(nullptr, 0);
    std::string absolute = std::string(cwd ? cwd : ".") + "/" + path;
    free(cwd);
    return absolute;
}

OUString fileUrlOf(const std::string& path)
{
    OUString url;
    const OUString system = OUString::fromUtf8(absolutePath(path).c_str());
    if (osl::FileBase::getFileURLFromSystemPath(system, url) != osl::FileBase::E_None)
        return OUString();
    return url;
}

std::string filterOf(const Reference<frame::XModel>& model)
{
    for (const beans::PropertyValue& property : model->getArgs())
        if (property.Name == "FilterName")
        {
            OUString filter;
            property.Value >>= filter;
            return utf8(filter);
        }
    return std::string();
}

void closeDocument(const Reference<lang::XComponent>& document)
{
    Reference<util::XCloseable> closeable(document, UNO_QUERY);
    if (closeable.is())
        closeable->close(true);
    else if (document.is())
        document->dispose();
}

std::vector<SealReport> surveyOf(office::Office& office, const Reference<frame::XModel>& model)
{
    Reference<uno::XInterface> helper = office.serviceManager()->createInstanceWithContext(
        OUString::createFromAscii(kHelperService), office.context());
    if (!helper.is())
        throw OfficeLost("the office does not know the seal component");
    const Any frame(model->getCurrentController()->getFrame());
    Reference<lang::XInitialization>(helper, UNO_QUERY_THROW)
        ->initialize(uno::Sequence<Any>(&frame, 1));
    std::vector<SealReport> seals;
    for (const auto& entry : Reference<Quillmark::Certificate::XSealSurvey>(helper, UNO_QUERY_THROW)
                                 ->surveySeals(false))
    {
        SealReport seal{ utf8(entry.Kind),        utf8(entry.Name),  static_cast<bool>(entry.Valid),
                         utf8(entry.Reason),      utf8(entry.Scope), {},
                         utf8(entry.Organisation) };
        for (const OUString& part : entry.Changed)
            seal.changed.push_back(utf8(part));
        seals.push_back(std::move(seal));
    }
    return seals;
}
}

std::optional<FileReport> unreadableFile(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return errorReport(path, "no such file");
    if (!S_ISREG(info.st_mode))
        return errorReport(path, "not a file");
    return std::nullopt;
}

FileReport verifyDocument(office::Office& office, const std::string& path)
{
    if (std::optional<FileReport> unreadable = unreadableFile(path))
        return *unreadable;
    const OUString url = fileUrlOf(path);
    if (url.isEmpty())
        return errorReport(path, "the file name cannot be made a URL");

    const beans::PropertyValue loadArguments[] = {
        argument("ReadOnly", Any(true)),
        argument("Hidden", Any(true)),
        argument("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
        argument("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
        argument("Silent", Any(true)),
    };
    Reference<lang::XComponent> document;
    try
    {
        document = office.desktop()->loadComponentFromURL(
            url, "_blank", 0,
            uno::Sequence<beans::PropertyValue>(loadArguments, std::size(loadArguments)));
    }
    catch (const uno::RuntimeException& exception)
    {
        throw OfficeLost(utf8(exception.Message));
    }
    catch (const uno::Exception& exception)
    {
        return errorReport(
            path,
            "the office cannot read it"
                + (exception.Message.isEmpty() ? std::string() : ": " + utf8(exception.Message)));
    }
    if (!document.is())
        return errorReport(path, "the office cannot read it");

    FileReport report;
    report.file = path;
    try
    {
        Reference<frame::XModel> model(document, UNO_QUERY);
        const std::string filter = model.is() ? filterOf(model) : std::string();
        const bool plainText
            = std::any_of(std::begin(kPlainTextFilters), std::end(kPlainTextFilters),
                          [&](const char* name) { return filter == name; });
        if (!Reference<text::XTextDocument>(document, UNO_QUERY).is() || plainText)
            report = errorReport(path, "not a text document, or damaged");
        else
        {
            report.seals = surveyOf(office, model);
            report.status = statusOfSeals(report.seals);
        }
        closeDocument(document);
    }
    catch (const uno::Exception& exception)
    {
        // The document may hold the office in a state nobody can trust: start afresh.
        throw OfficeLost(utf8(exception.Message));
    }
    return report;
}

void warmUp(office::Office& office)
{
    const beans::PropertyValue hidden = argument("Hidden", Any(true));
    closeDocument(office.desktop()->loadComponentFromURL(
        "private:factory/swriter", "_blank", 0, uno::Sequence<beans::PropertyValue>(&hidden, 1)));
}

office::Office::Options officeWithComponent()
{
    office::Office::Options options;
    options.arguments.push_back(office::moreServices({ SEAL_COMPONENT_FILE }));
    return options;
}
}
