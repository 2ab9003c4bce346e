/// Which formats carry seals when a stamped document is saved in them. Header-only: the suite,
/// which reaches the component only through its services, decides with the very same lists.
#pragma once

#include <rtl/ustring.hxx>

namespace quillmark
{
/// True for the office's filters whose files keep the seal picture and its signature: the
/// OpenDocument text filters, and the Word filters through which the seal's fields are mirrored.
inline bool formatKeepsSeals(const rtl::OUString& filterName)
{
    for (const char* kept : { "writer8", "writer8_template", "StarOffice XML (Writer)",
                              "MS Word 97", "MS Word 97 Vorlage", "MS Word 2007 XML",
                              "MS Word 2007 XML Template", "Office Open XML Text" })
        if (filterName.equalsAscii(kept))
            return true;
    return false;
}

/// True for the Word filters (.doc, .docx).
inline bool isWordFormat(const rtl::OUString& filterName)
{
    return filterName.startsWith("MS Word") || filterName.startsWith("Office Open XML");
}

/// True for exports of the page's look (PDF, pictures): they show the seal as it is drawn and
/// were never meant to carry a signature that could be verified.
inline bool formatShowsOnlyTheLook(const rtl::OUString& filterName)
{
    for (const char* picture :
         { "writer_pdf_Export", "writer_web_pdf_Export", "writer_png_Export", "writer_jpg_Export",
           "writer_svg_Export", "writer_web_png_Export", "writer_web_jpg_Export" })
        if (filterName.equalsAscii(picture))
            return true;
    return false;
}

/// True where a sealed document would silently lose its seals: what the person is warned of.
/// An unknown filter counts as losing them.
inline bool formatLosesSeals(const rtl::OUString& filterName)
{
    return !formatKeepsSeals(filterName) && !formatShowsOnlyTheLook(filterName);
}
}
