// Which formats a sealed document may be written in without a warning, and what format a save
// or export command is about to write, read from its call before the office runs it.

#include <SaveRequest.hxx>
#include <format/WordFormats.hxx>

#include <gtest/gtest.h>

using namespace com::sun::star;
using namespace quillmark;
using namespace quillmark::suite;
using css::uno::Any;
using css::uno::Sequence;
using rtl::OUString;

namespace
{
Sequence<beans::PropertyValue>
call(std::initializer_list<std::pair<const char*, const char*>> values)
{
    Sequence<beans::PropertyValue> arguments;
    for (const auto& [name, value] : values)
        arguments = withArgument(arguments, name, Any(OUString::createFromAscii(value)));
    return arguments;
}

OUString argument(const Sequence<beans::PropertyValue>& arguments, const char* name)
{
    OUString value;
    for (const beans::PropertyValue& property : arguments)
        if (property.Name.equalsAscii(name))
            property.Value >>= value;
    return value;
}
}

TEST(SealFormats, OpenDocumentAndWordFormatsKeepTheSeals)
{
    for (const char* filter : { "writer8", "writer8_template", "MS Word 97", "MS Word 97 Vorlage",
                                "MS Word 2007 XML", "Office Open XML Text" })
    {
        EXPECT_TRUE(formatKeepsSeals(OUString::createFromAscii(filter))) << filter;
        EXPECT_FALSE(formatLosesSeals(OUString::createFromAscii(filter))) << filter;
    }
    EXPECT_TRUE(isWordFormat("MS Word 2007 XML"));
    EXPECT_TRUE(isWordFormat("MS Word 97"));
    EXPECT_FALSE(isWordFormat("writer8"));
}

TEST(SealFormats, TextFormatsThatCannotCarryTheSignatureLoseTheSeals)
{
    // Writer's own export filters that write the text without the seal fields.
    for (const char* filter :
         { "Rich Text Format", "Text", "Text (encoded)", "HTML (StarWriter)", "MS Word 2003 XML",
           "XHTML Writer File", "EPUB", "DocBook File", "UOF text" })
        EXPECT_TRUE(formatLosesSeals(OUString::createFromAscii(filter))) << filter;
    // Filter names are the office's, compared exactly: a look-alike is no known format.
    EXPECT_TRUE(formatLosesSeals("writer8 "));
    EXPECT_TRUE(formatLosesSeals("ms word 97"));
    EXPECT_TRUE(formatLosesSeals("")) << "an unknown format is not trusted to keep them";
}

TEST(SealFormats, ExportsOfThePagesLookNeedNoWarning)
{
    for (const char* filter : { "writer_pdf_Export", "writer_png_Export", "writer_svg_Export" })
    {
        EXPECT_FALSE(formatLosesSeals(OUString::createFromAscii(filter))) << filter;
        EXPECT_FALSE(formatKeepsSeals(OUString::createFromAscii(filter)))
            << filter << " shows the seal but cannot be verified";
    }
}

TEST(SaveRequests, SavingAStoredDocumentWritesItsOwnFormatAgain)
{
    const SaveRequest request = saveRequest(".uno:Save", {}, "Rich Text Format", true);
    EXPECT_EQ(SaveRequest::Kind::Named, request.kind);
    EXPECT_EQ("Rich Text Format", request.filterName);
    EXPECT_FALSE(request.exporting);

    // A document never stored is saved in the office's default format once it has a file.
    EXPECT_EQ("writer8", saveRequest(".uno:Save", {}, "", true).filterName);
}

TEST(SaveRequests, SavingADocumentWithNoFileAsksWhereAsSaveAsDoes)
{
    EXPECT_EQ(SaveRequest::Kind::Ask, saveRequest(".uno:Save", {}, "", false).kind);
    EXPECT_EQ(SaveRequest::Kind::Ask, saveRequest(".uno:SaveAs", {}, "writer8", true).kind);
    const SaveRequest export_ = saveRequest(".uno:ExportTo", {}, "writer8", true);
    EXPECT_EQ(SaveRequest::Kind::Ask, export_.kind);
    EXPECT_TRUE(export_.exporting) << "an export offers the export filters";
    EXPECT_TRUE(saveRequest(".uno:SaveACopy", {}, "writer8", true).exporting);
    EXPECT_FALSE(saveRequest(".uno:SaveAs", {}, "writer8", true).exporting);
}

TEST(SaveRequests, ACallThatNamesTheFileIsTakenAtItsWord)
{
    const SaveRequest named = saveRequest(
        ".uno:SaveAs",
        call({ { "URL", "file:///tmp/a.rtf" }, { "FilterName", "Rich Text Format" } }), "writer8",
        true);
    EXPECT_EQ(SaveRequest::Kind::Named, named.kind);
    EXPECT_EQ("Rich Text Format", named.filterName);

    // With a file but no format the office keeps the document's own format.
    EXPECT_EQ("MS Word 97", saveRequest(".uno:SaveAs", call({ { "URL", "file:///tmp/a.doc" } }),
                                        "MS Word 97", true)
                                .filterName);
    EXPECT_EQ(
        "writer8",
        saveRequest(".uno:ExportTo", call({ { "URL", "file:///tmp/a" } }), "", false).filterName);
    // A format named without a file still leaves the file, and so the format, to be asked.
    EXPECT_EQ(
        SaveRequest::Kind::Ask,
        saveRequest(".uno:SaveAs", call({ { "FilterName", "writer8" } }), "writer8", true).kind);
}

TEST(SaveRequests, OtherCommandsAreLeftAlone)
{
    for (const char* command : { ".uno:ExportToPDF", ".uno:ExportDirectToPDF", ".uno:Open",
                                 ".uno:SaveAll", ".uno:Saveas", "quillmark.seal:StampDocument" })
    {
        EXPECT_FALSE(isSaveCommand(OUString::createFromAscii(command))) << command;
        EXPECT_EQ(SaveRequest::Kind::Unchanged,
                  saveRequest(OUString::createFromAscii(command),
                              call({ { "URL", "file:///tmp/a.rtf" }, { "FilterName", "Text" } }),
                              "Text", true)
                      .kind)
            << command;
    }
}

TEST(SaveRequests, TheChosenFileAndFormatReplaceWhatTheCallCarried)
{
    Sequence<beans::PropertyValue> arguments
        = call({ { "FilterName", "writer8" }, { "SuggestedSaveAsName", "notice" } });
    arguments = withArgument(arguments, "URL", Any(OUString("file:///tmp/notice.rtf")));
    arguments = withArgument(arguments, "FilterName", Any(OUString("Rich Text Format")));
    EXPECT_EQ(3, arguments.getLength()) << "each argument once";
    EXPECT_EQ("file:///tmp/notice.rtf", argument(arguments, "URL"));
    EXPECT_EQ("Rich Text Format", argument(arguments, "FilterName"));
    EXPECT_EQ("notice", argument(arguments, "SuggestedSaveAsName")) << "the rest goes along";
}
