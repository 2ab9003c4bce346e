/// Which formats carry seals when a stamped document is saved in them.
#pragma once

#include <rtl/ustring.hxx>

namespace quillmark
{
/// True for the office's filters whose files keep the seal picture and its signature: the
/// OpenDocument text filters, and the Word filters through which the seal's fields are mirrored.
bool formatKeepsSeals(const rtl::OUString& filterName);
/// True for the Word filters (.doc, .docx).
bool isWordFormat(const rtl::OUString& filterName);
}
