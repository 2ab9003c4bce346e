/// Fields whose shown value follows the day, the file's name or folder, the person or the editing
/// state would change a signed text by themselves. Signing fixes them to what they show, as the
/// office's "fixed" option does.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <vector>

namespace quillmark
{
class FixedFields
{
public:
    /// Fixes every such field of the document, or only those within `region` where one is given.
    explicit FixedFields(const css::uno::Reference<css::frame::XModel>& document,
                         const css::uno::Reference<css::text::XTextRange>& region = {});
    /// Unless kept, the fields follow again: a signing that failed changes nothing.
    ~FixedFields();
    FixedFields(const FixedFields&) = delete;
    FixedFields& operator=(const FixedFields&) = delete;

    void keep() { kept = true; }
    size_t count() const { return fields.size(); }

private:
    std::vector<css::uno::Reference<css::beans::XPropertySet>> fields;
    bool kept = false;
};
}
