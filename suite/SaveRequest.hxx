/// What a save or export command is about to write, read from the command and its arguments
/// before the office runs it.
#pragma once

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <rtl/ustring.hxx>

namespace quillmark::suite
{
namespace css = com::sun::star;

struct SaveRequest
{
    enum class Kind
    {
        /// Not a command that writes the document elsewhere or in another format.
        Unchanged,
        /// The format is known: `filterName`.
        Named,
        /// The office would ask for the file and its format.
        Ask
    };
    Kind kind = Kind::Unchanged;
    rtl::OUString filterName;
    /// Writes a copy (export): only export filters apply, and the document keeps its own file.
    bool exporting = false;
};

/// True for the commands that can write the document in another format.
bool isSaveCommand(const rtl::OUString& command);

/// What `command` with `arguments` writes, for a document currently stored with
/// `documentFilter` (empty when it has never been stored) at a location or not.
SaveRequest saveRequest(const rtl::OUString& command,
                        const css::uno::Sequence<css::beans::PropertyValue>& arguments,
                        const rtl::OUString& documentFilter, bool hasLocation);

/// `arguments` with `name` set to `value`, added where it is missing.
css::uno::Sequence<css::beans::PropertyValue>
withArgument(const css::uno::Sequence<css::beans::PropertyValue>& arguments, const char* name,
             const css::uno::Any& value);
}
