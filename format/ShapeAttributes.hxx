/// The marks that make a picture a seal: the user-defined attributes "ShapeType" and
/// "StamperName", and the alternative text of text graphics.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <rtl/ustring.hxx>

namespace quillmark
{
/// The "ShapeType" attribute's value, or "" when the object carries none.
rtl::OUString getShapeType(const css::uno::Reference<css::beans::XPropertySet>& object);
/// The "StamperName" attribute's value (the seal name), or "" when the object carries none.
rtl::OUString getStamperName(const css::uno::Reference<css::beans::XPropertySet>& object);

/// The object's "UserDefinedAttributes", read as they are: a shape that has none throws.
css::uno::Any shapeAttributes(const css::uno::Reference<css::beans::XPropertySet>& object);
/// Writes the attribute `key` (type "CDATA") into `attributes`, read before by shapeAttributes,
/// replacing one of that name, and stores them on the object again.
void writeShapeAttribute(const css::uno::Reference<css::beans::XPropertySet>& object,
                         const css::uno::Any& attributes, const char* key,
                         const rtl::OUString& value);

/// Names the seal a certificate seal's picture belongs to.
void setStamperName(const css::uno::Reference<css::beans::XPropertySet>& object,
                    const rtl::OUString& name);

/// The seal name of the last graphic shape among the selected objects ("" when it carries none);
/// "" too for a selection that is no collection of objects, such as a picture in the text.
rtl::OUString lastStamperName(const css::uno::Reference<css::uno::XInterface>& selection);

/// Text graphics of this office version have no "AlternativeText"; the same mark then goes
/// through "Description". These two choose the property the object offers.
rtl::OUString readAlternativeText(const css::uno::Reference<css::beans::XPropertySet>& object);
void writeAlternativeText(const css::uno::Reference<css::beans::XPropertySet>& object,
                          const rtl::OUString& text);
}
