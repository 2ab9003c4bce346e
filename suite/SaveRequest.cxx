#include "SaveRequest.hxx"

#include "SuiteTexts.hxx"

#include <vector>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Sequence;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
OUString stringArgument(const Sequence<beans::PropertyValue>& arguments, const char* name)
{
    OUString value;
    for (const beans::PropertyValue& argument : arguments)
        if (argument.Name.equalsAscii(name))
            argument.Value >>= value;
    return value;
}

bool is(const OUString& command, const char* name) { return command.equalsAscii(name); }
}

bool isSaveCommand(const OUString& command)
{
    return is(command, texts::kSaveCommand) || is(command, texts::kSaveAsCommand)
           || is(command, texts::kSaveACopyCommand) || is(command, texts::kExportToCommand);
}

SaveRequest saveRequest(const OUString& command, const Sequence<beans::PropertyValue>& arguments,
                        const OUString& documentFilter, bool hasLocation)
{
    SaveRequest request;
    if (!isSaveCommand(command))
        return request;
    // A document never stored has no format of its own yet: the office's default is meant.
    const OUString ownFilter = documentFilter.isEmpty()
                                   ? OUString::createFromAscii(texts::kDefaultFilter)
                                   : documentFilter;
    request.exporting
        = is(command, texts::kExportToCommand) || is(command, texts::kSaveACopyCommand);
    if (is(command, texts::kSaveCommand) && hasLocation)
    {
        request.kind = SaveRequest::Kind::Named;
        request.filterName = ownFilter;
        return request;
    }
    // A save of a document with no file yet is a Save As.
    if (stringArgument(arguments, "URL").isEmpty())
    {
        request.kind = SaveRequest::Kind::Ask;
        return request;
    }
    request.kind = SaveRequest::Kind::Named;
    request.filterName = stringArgument(arguments, "FilterName");
    if (request.filterName.isEmpty())
        request.filterName = ownFilter;
    return request;
}

Sequence<beans::PropertyValue> withArgument(const Sequence<beans::PropertyValue>& arguments,
                                            const char* name, const Any& value)
{
    std::vector<beans::PropertyValue> result(arguments.begin(), arguments.end());
    bool found = false;
    for (beans::PropertyValue& argument : result)
        if (argument.Name.equalsAscii(name))
        {
            argument.Value = value;
            found = true;
        }
    if (!found)
    {
        beans::PropertyValue added;
        added.Name = OUString::createFromAscii(name);
        added.Value = value;
        result.push_back(added);
    }
    return Sequence<beans::PropertyValue>(result.data(), static_cast<sal_Int32>(result.size()));
}
}
