// The canonical reading of a document behind a seal's coverage. It walks the model in document
// order: the body's paragraphs and tables, what is anchored in them, the headers and footers of
// the page styles the body can use, and what lies on pages. Each part's records go into a digest
// of its own; every record is tagged and length-prefixed, so no two readings share bytes.

#include <docstore/DocumentCoverage.hxx>

#include <docstore/DocstoreTexts.hxx>
#include <docstore/PicturePixels.hxx>
#include <format/ShapeAttributes.hxx>

#include <common/OfficeNames.hxx>
#include <common/UnoHelpers.hxx>

#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/awt/XBitmap.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/container/XContentEnumerationAccess.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapeDescriptor.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/io/XOutputStream.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/GraphicCrop.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XFootnote.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextField.hpp>
#include <com/sun/star/text/XTextSectionsSupplier.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>
#include <rtl/ustrbuf.hxx>

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
Sequence<OUString> propertyNames(std::initializer_list<const char*> names)
{
    Sequence<OUString> sequence(static_cast<sal_Int32>(names.size()));
    sal_Int32 index = 0;
    for (const char* name : names)
        sequence.getArray()[index++] = OUString::createFromAscii(name);
    return sequence;
}

/// What changes what a reader takes from a character: a word struck through, hidden, white on
/// white, raised, shrunk, squeezed together. Size, weight and posture count for each script:
/// Chinese text takes them from the Asian values alone. The font's name is left out: another
/// machine may lack it, and the model keeps the name asked for anyway.
const Sequence<OUString>& portionProperties()
{
    static const Sequence<OUString> names
        = propertyNames({ "TextPortionType",   "CharColor",           "CharTransparence",
                          "CharBackColor",     "CharBackTransparent", "CharHighlight",
                          "CharHeight",        "CharWeight",          "CharPosture",
                          "CharHeightAsian",   "CharWeightAsian",     "CharPostureAsian",
                          "CharHeightComplex", "CharWeightComplex",   "CharPostureComplex",
                          "CharUnderline",     "CharUnderlineColor",  "CharUnderlineHasColor",
                          "CharOverline",      "CharStrikeout",       "CharCrossedOut",
                          "CharHidden",        "CharEscapement",      "CharEscapementHeight",
                          "CharCaseMap",       "CharRelief",          "CharContoured",
                          "CharShadowed",      "CharScaleWidth",      "CharRotation",
                          "CharEmphasis",      "CharCombineIsOn",     "CharKerning",
                          "RubyText" });
    return names;
}

/// Indents count too: a paragraph indented past the page's edge is as gone as a hidden one.
const Sequence<OUString>& paragraphProperties()
{
    static const Sequence<OUString> names = propertyNames(
        { "ListLabelString", "PageDescName", "ParaAdjust", "ParaBackColor", "ParaBackTransparent",
          "ParaLeftMargin", "ParaRightMargin", "ParaFirstLineIndent" });
    return names;
}

/// Where an object lies. Positions of objects in a line of text are the layout's, not the
/// document's, so those count by their anchor alone.
const Sequence<OUString>& placeProperties()
{
    static const Sequence<OUString> names = propertyNames(
        { "AnchorType", "AnchorPageNo", "HoriOrient", "HoriOrientPosition", "HoriOrientRelation",
          "VertOrient", "VertOrientPosition", "VertOrientRelation", "Opaque", "Visible" });
    return names;
}

const Sequence<OUString>& pictureProperties()
{
    static const Sequence<OUString> names
        = propertyNames({ "GraphicCrop", "GraphicColorMode", "GraphicRotation", "Transparency",
                          "AdjustLuminance", "AdjustContrast", "AdjustRed", "AdjustGreen",
                          "AdjustBlue", "Gamma", "GraphicIsInverted" });
    return names;
}

const Sequence<OUString>& drawingProperties()
{
    static const Sequence<OUString> names
        = propertyNames({ "FillStyle", "FillColor", "FillTransparence", "LineStyle", "LineColor",
                          "LineWidth", "LineTransparence" });
    return names;
}

constexpr sal_Int32 kAnchorAsCharacter = 1; // TextContentAnchorType AS_CHARACTER
constexpr sal_Int32 kAnchorAtPage = 2;      // TextContentAnchorType AT_PAGE
constexpr sal_Int16 kRelationFrame = 0;     // RelOrientation FRAME
constexpr sal_Int16 kRelationPrintArea = 1; // RelOrientation PRINT_AREA
constexpr sal_Int16 kRelationPageFrame = 7; // RelOrientation PAGE_FRAME
constexpr sal_Int16 kRelationPagePrintArea = 8;
constexpr sal_Int16 kSizeFixed = 1;         // SizeType FIX
constexpr sal_Int16 kReferencePage = 1;     // ReferenceFieldPart PAGE
constexpr sal_Int16 kReferenceUpDown = 4;   // ReferenceFieldPart UP_DOWN
constexpr sal_Int16 kReferencePageDesc = 5; // ReferenceFieldPart PAGE_DESC
constexpr sal_Int8 kGraphicTypeVector = 2;  // GraphicType VECTOR

/// Where a maintainer asked the reading to be written down, record by record, to find out
/// why a document reads changed: the file named by QUILLMARK_COVERAGE_TRACE, appended to.
FILE* traceFile()
{
    static FILE* file = [] {
        const char* path = std::getenv("QUILLMARK_COVERAGE_TRACE");
        return path && *path ? std::fopen(path, "a") : nullptr;
    }();
    return file;
}

/// One part's digest, fed in blocks: a record costs a few bytes, an update call costs more.
class PartDigest
{
public:
    PartDigest()
        : context(EVP_MD_CTX_new())
    {
        if (!context || EVP_DigestInit_ex(context.get(), EVP_sm3(), nullptr) != 1)
            throw uno::RuntimeException("SM3 is not available");
        pending.reserve(kBlock);
    }

    /// Names the part in a trace.
    void traceAs(const char* name) { traceName = name; }

    void tag(char value)
    {
        trace("tag", std::string(1, value));
        pending.push_back(value);
        flushIfFull();
    }
    void number(sal_Int64 value)
    {
        trace("number", std::to_string(value));
        for (int shift = 0; shift < 64; shift += 8)
            pending.push_back(static_cast<char>((static_cast<sal_uInt64>(value) >> shift) & 0xff));
        flushIfFull();
    }
    void text(const OUString& value)
    {
        trace("text", OUStringToOString(value, RTL_TEXTENCODING_UTF8).getStr());
        appendText(value);
        flushIfFull();
    }
    void bytes(const Sequence<sal_Int8>& value)
    {
        trace("bytes", std::to_string(value.getLength()));
        appendNumber(value.getLength());
        flush();
        EVP_DigestUpdate(context.get(), value.getConstArray(),
                         static_cast<size_t>(value.getLength()));
    }
    void raw(const std::string& value)
    {
        if (traceFile())
        {
            static const char hex[] = "0123456789abcdef";
            std::string shown;
            for (unsigned char byte : value)
                shown += { hex[byte >> 4], hex[byte & 0xf] };
            trace("values", shown);
        }
        pending.append(value);
        flushIfFull();
    }

    std::string finish()
    {
        flush();
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
            throw uno::RuntimeException("SM3 failed");
        static const char hex[] = "0123456789abcdef";
        std::string text;
        for (unsigned int i = 0; i < length; ++i)
        {
            text.push_back(hex[digest[i] >> 4]);
            text.push_back(hex[digest[i] & 0xf]);
        }
        return text;
    }

private:
    static constexpr size_t kBlock = 1 << 16;

    struct Free
    {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };

    void flushIfFull()
    {
        if (pending.size() >= kBlock)
            flush();
    }
    void appendNumber(sal_Int64 value)
    {
        for (int shift = 0; shift < 64; shift += 8)
            pending.push_back(static_cast<char>((static_cast<sal_uInt64>(value) >> shift) & 0xff));
    }
    void appendText(const OUString& value)
    {
        appendNumber(value.getLength());
        pending.append(reinterpret_cast<const char*>(value.getStr()),
                       static_cast<size_t>(value.getLength()) * sizeof(sal_Unicode));
    }
    void trace(const char* what, const std::string& value) const
    {
        if (FILE* file = traceFile())
            std::fprintf(file, "%s %s %s\n", traceName, what, value.c_str());
    }
    void flush()
    {
        if (pending.empty())
            return;
        EVP_DigestUpdate(context.get(), pending.data(), pending.size());
        pending.clear();
    }

    std::unique_ptr<EVP_MD_CTX, Free> context;
    std::string pending;
    const char* traceName = "picture";
};

/// A value as canonical bytes: numbers whatever their width, fractions to hundredths.
void appendValue(std::string& out, const Any& value)
{
    auto appendNumber = [&](sal_Int64 number) {
        out.push_back('n');
        for (int shift = 0; shift < 64; shift += 8)
            out.push_back(static_cast<char>((static_cast<sal_uInt64>(number) >> shift) & 0xff));
    };
    switch (value.getValueTypeClass())
    {
        case uno::TypeClass_VOID:
            out.push_back('v');
            return;
        case uno::TypeClass_BOOLEAN:
            out.push_back(*static_cast<const sal_Bool*>(value.getValue()) ? 'T' : 'F');
            return;
        case uno::TypeClass_BYTE:
        case uno::TypeClass_SHORT:
        case uno::TypeClass_UNSIGNED_SHORT:
        case uno::TypeClass_LONG:
        case uno::TypeClass_UNSIGNED_LONG:
        case uno::TypeClass_HYPER:
        case uno::TypeClass_ENUM:
        {
            sal_Int64 number = 0;
            if (value.getValueTypeClass() == uno::TypeClass_ENUM)
                number = *static_cast<const sal_Int32*>(value.getValue());
            else
                value >>= number;
            appendNumber(number);
            return;
        }
        case uno::TypeClass_FLOAT:
        case uno::TypeClass_DOUBLE:
        {
            double number = 0;
            value >>= number;
            appendNumber(std::llround(number * 100));
            return;
        }
        case uno::TypeClass_STRING:
        {
            const OUString text = value.get<OUString>();
            appendNumber(text.getLength());
            out.append(reinterpret_cast<const char*>(text.getStr()),
                       static_cast<size_t>(text.getLength()) * sizeof(sal_Unicode));
            return;
        }
        default:
            break;
    }
    text::GraphicCrop crop;
    if (value >>= crop)
    {
        for (sal_Int32 side : { crop.Top, crop.Bottom, crop.Left, crop.Right })
            appendNumber(side);
        return;
    }
    // No value of another type is read; a new one must not pass unseen.
    out.push_back('?');
    appendValue(out, Any(value.getValueTypeName()));
}

/// The values of `names` that `object` offers, skipping the rest: the office answers a batch in
/// one call, but refuses the whole batch for one name it does not know.
Sequence<Any> readValues(const Reference<uno::XInterface>& object, const Sequence<OUString>& names)
{
    Reference<beans::XMultiPropertySet> batch(object, UNO_QUERY);
    if (batch.is())
    {
        try
        {
            return batch->getPropertyValues(names);
        }
        catch (const uno::Exception& exception)
        {
            // Read one by one below.
            SAL_INFO("quillmark.docstore", "properties read one by one: " << exception.Message);
        }
    }
    Reference<beans::XPropertySet> properties(object, UNO_QUERY);
    Sequence<Any> values(names.getLength());
    if (!properties.is())
        return values;
    for (sal_Int32 i = 0; i < names.getLength(); ++i)
    {
        try
        {
            values.getArray()[i] = properties->getPropertyValue(names[i]);
        }
        catch (const uno::Exception& exception)
        {
            // Not offered by this kind of object: it counts as void, the same every time.
            SAL_INFO("quillmark.docstore",
                     "a property this object does not offer counts as void: " << exception.Message);
        }
    }
    return values;
}

std::string valuesKey(const Sequence<Any>& values, sal_Int32 from = 0)
{
    std::string key;
    for (sal_Int32 i = from; i < values.getLength(); ++i)
        appendValue(key, values[i]);
    return key;
}

/// Collects what the office writes into a stream.
class ByteSink : public cppu::WeakImplHelper1<io::XOutputStream>
{
public:
    void SAL_CALL writeBytes(const Sequence<sal_Int8>& data) override
    {
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    void SAL_CALL flush() override {}
    void SAL_CALL closeOutput() override {}

    std::vector<sal_Int8> bytes;
};

/// On a page the paragraph area is the page's: the office writes both the same way and reads
/// them back as the page's.
sal_Int16 pageRelation(const Any& value)
{
    sal_Int16 relation = 0;
    value >>= relation;
    if (relation == kRelationFrame)
        return kRelationPageFrame;
    if (relation == kRelationPrintArea)
        return kRelationPagePrintArea;
    return relation;
}

/// A frame's size as it was set: a side that grows with the content has no size of its own (the
/// office even stores it anew on saving), only its kind.
std::string frameSizeKey(const Reference<uno::XInterface>& frame)
{
    static const Sequence<OUString> names = propertyNames(
        { "WidthType", "Width", "RelativeWidth", "SizeType", "Height", "RelativeHeight" });
    Sequence<Any> values = readValues(frame, names);
    for (sal_Int32 type : { 0, 3 })
    {
        sal_Int16 sizeType = 0;
        values[type] >>= sizeType;
        const bool fixed = sizeType == kSizeFixed;
        values.getArray()[type] <<= fixed;
        // A side relative to the page is the share that is stored, not its length.
        sal_Int16 relative = 0;
        values[type + 2] >>= relative;
        if (!fixed || relative != 0)
            values.getArray()[type + 1].clear();
    }
    return valuesKey(values);
}

/// The services an object offers that tell its kind, asked once per object.
enum class ObjectKind
{
    Frame,
    Picture,
    Embedded,
    Drawing
};

ObjectKind kindOf(const Reference<uno::XInterface>& object)
{
    Reference<lang::XServiceInfo> info(object, UNO_QUERY);
    if (info.is())
    {
        if (info->supportsService(texts::kTextFrame))
            return ObjectKind::Frame;
        if (info->supportsService(ascii(texts::kTextGraphicObject)))
            return ObjectKind::Picture;
        if (info->supportsService(texts::kTextEmbeddedObject))
            return ObjectKind::Embedded;
    }
    return ObjectKind::Drawing;
}

/// A seal picture, whatever its kind: seals are checked by their own signatures.
bool isSealPicture(const Reference<uno::XInterface>& object)
{
    Reference<beans::XPropertySet> properties(object, UNO_QUERY);
    if (!properties.is())
        return false;
    try
    {
        const OUString type = getShapeType(properties);
        return type == ascii(texts::kDocumentSealMark) || type == ascii(texts::kFieldSealMark);
    }
    catch (const uno::Exception& exception)
    {
        SAL_INFO("quillmark.docstore", "no seal picture: " << exception.Message);
        return false;
    }
}

/// The field's kind, as its first service name in the text field family says it.
OUString fieldKind(const Reference<uno::XInterface>& field)
{
    Reference<lang::XServiceInfo> info(field, UNO_QUERY);
    if (!info.is())
        return OUString();
    for (const OUString& name : info->getSupportedServiceNames())
        if (name.startsWithIgnoreAsciiCase("com.sun.star.text.textfield."))
            return name.copy(RTL_CONSTASCII_LENGTH("com.sun.star.text.textfield."));
    return info->getImplementationName();
}

/// Fields whose shown value is the layout's: it counts by the field's kind, not by its value.
bool showsLayout(const OUString& kind, const Reference<uno::XInterface>& field)
{
    if (kind.equalsIgnoreAsciiCase("PageNumber") || kind.equalsIgnoreAsciiCase("PageCount")
        || kind.equalsIgnoreAsciiCase("PageCountRange")
        || kind.equalsIgnoreAsciiCase("Chapter")
        // Statistics are counted anew at idle times: a fresh load may show the older count.
        || kind.equalsIgnoreAsciiCase("WordCount") || kind.equalsIgnoreAsciiCase("CharacterCount")
        || kind.equalsIgnoreAsciiCase("ParagraphCount") || kind.equalsIgnoreAsciiCase("TableCount")
        || kind.equalsIgnoreAsciiCase("GraphicObjectCount")
        || kind.equalsIgnoreAsciiCase("EmbeddedObjectCount"))
        return true;
    if (kind.equalsIgnoreAsciiCase("GetReference"))
    {
        sal_Int16 part = 0;
        try
        {
            getProperty(field, "ReferenceFieldPart") >>= part;
        }
        catch (const uno::Exception& exception)
        {
            SAL_INFO("quillmark.docstore",
                     "a reference field without its part: " << exception.Message);
        }
        return part == kReferencePage || part == kReferenceUpDown || part == kReferencePageDesc;
    }
    return false;
}

/// Fields that hide text or paragraphs by a condition.
bool hidesByCondition(const OUString& kind)
{
    return kind.equalsIgnoreAsciiCase("HiddenParagraph") || kind.equalsIgnoreAsciiCase("HiddenText")
           || kind.equalsIgnoreAsciiCase("ConditionalText");
}

/// A picture by its content: the pixels of a bitmap (its file may be encoded anew on saving),
/// the data of a vector drawing (rendering it would depend on the fonts at hand).
void feedGraphic(const Reference<uno::XComponentContext>& context,
                 const Reference<graphic::XGraphic>& graphic, PartDigest& digest)
{
    digest.tag('G');
    if (!graphic.is())
    {
        digest.tag('0');
        return;
    }
    sal_Int8 type = 0;
    Reference<beans::XPropertySet> properties(graphic, UNO_QUERY);
    OUString mimeType;
    if (properties.is())
    {
        properties->getPropertyValue("GraphicType") >>= type;
        properties->getPropertyValue("MimeType") >>= mimeType;
    }
    if (type == kGraphicTypeVector && !mimeType.isEmpty())
    {
        rtl::Reference<ByteSink> sink(new ByteSink);
        Reference<graphic::XGraphicProvider> provider = graphic::GraphicProvider::create(context);
        const beans::PropertyValue media[] = {
            beans::PropertyValue("OutputStream", 0, Any(Reference<io::XOutputStream>(sink.get())),
                                 beans::PropertyState_DIRECT_VALUE),
            beans::PropertyValue("MimeType", 0, Any(mimeType), beans::PropertyState_DIRECT_VALUE)
        };
        provider->storeGraphic(graphic, Sequence<beans::PropertyValue>(media, 2));
        digest.tag('V');
        digest.text(mimeType);
        digest.bytes(
            Sequence<sal_Int8>(sink->bytes.data(), static_cast<sal_Int32>(sink->bytes.size())));
        return;
    }
    Reference<awt::XBitmap> bitmap(graphic, UNO_QUERY);
    if (bitmap.is())
    {
        const Sequence<sal_Int8> dib = bitmap->getDIB();
        const Sequence<sal_Int8> mask = bitmap->getMaskDIB();
        auto bytesOf = [](const Sequence<sal_Int8>& sequence) {
            const auto* data = reinterpret_cast<const std::uint8_t*>(sequence.getConstArray());
            return std::vector<std::uint8_t>(data, data + sequence.getLength());
        };
        if (const std::optional<Pixels> pixels = pixelsOverWhite(bytesOf(dib), bytesOf(mask)))
        {
            digest.tag('P');
            digest.number(pixels->width);
            digest.number(pixels->height);
            digest.bytes(Sequence<sal_Int8>(reinterpret_cast<const sal_Int8*>(pixels->rgb.data()),
                                            static_cast<sal_Int32>(pixels->rgb.size())));
            return;
        }
        digest.tag('B');
        digest.bytes(dib);
        digest.bytes(mask);
        return;
    }
    digest.tag('?');
}

class CoverageWalk
{
public:
    explicit CoverageWalk(const Reference<uno::XComponentContext>& context)
        : context(context)
    {
        for (size_t i = 0; i < kCoveragePartCount; ++i)
            parts[i].traceAs(partKey(static_cast<CoveragePart>(i)));
        if (FILE* file = traceFile())
            std::fprintf(file, "--- a reading begins\n");
    }

    /// Leaves `object` out, as an object that is about to go (the stamping area).
    void exclude(const Reference<uno::XInterface>& object)
    {
        excluded.insert(Reference<uno::XInterface>(object, UNO_QUERY).get());
    }

    void walkText(const Reference<uno::XInterface>& text, CoveragePart textPart)
    {
        Reference<container::XEnumerationAccess> access(text, UNO_QUERY);
        if (!access.is())
            return;
        Reference<container::XEnumeration> elements = access->createEnumeration();
        part(textPart).tag('{');
        while (elements->hasMoreElements())
        {
            Reference<uno::XInterface> element(elements->nextElement(), UNO_QUERY);
            Reference<text::XTextTable> table(element, UNO_QUERY);
            if (table.is())
                walkTable(table, textPart);
            else
                walkParagraph(element, textPart);
        }
        part(textPart).tag('}');
    }

    void walkPageStyles(const Reference<frame::XModel>& document)
    {
        Reference<container::XNameAccess> styles(
            Reference<style::XStyleFamiliesSupplier>(document, UNO_QUERY_THROW)
                ->getStyleFamilies()
                ->getByName("PageStyles"),
            UNO_QUERY_THROW);
        notePageStyles(document);
        // The body starts on the default style unless its first paragraph names another; each
        // style's follow styles may come next. Unused ones in that closure cost nothing to read.
        std::set<OUString> pending(pageStyles.begin(), pageStyles.end());
        pending.insert("Standard");
        std::set<OUString> used;
        while (!pending.empty())
        {
            const OUString name = *pending.begin();
            pending.erase(pending.begin());
            if (!used.insert(name).second || !styles->hasByName(name))
                continue;
            Reference<beans::XPropertySet> style(styles->getByName(name), UNO_QUERY);
            if (!style.is())
                continue;
            OUString follow;
            style->getPropertyValue("FollowStyle") >>= follow;
            if (!follow.isEmpty())
                pending.insert(follow);
        }
        static const Sequence<OUString> flags = propertyNames(
            { "HeaderIsOn", "HeaderIsShared", "FooterIsOn", "FooterIsShared", "FirstIsShared" });
        for (const OUString& name : used)
        {
            if (!styles->hasByName(name))
                continue;
            Reference<uno::XInterface> style(styles->getByName(name), UNO_QUERY);
            const Sequence<Any> values = readValues(style, flags);
            auto flag = [&](sal_Int32 index) {
                bool set = false;
                values[index] >>= set;
                return set;
            };
            const bool firstShared = values[4].hasValue() ? flag(4) : true;
            part(CoveragePart::HeadersFooters).tag('S');
            walkHeaderOrFooter(style, flag(0), flag(1), firstShared, "Header");
            walkHeaderOrFooter(style, flag(2), flag(3), firstShared, "Footer");
            part(CoveragePart::Format).tag('S');
            part(CoveragePart::Format).raw(valuesKey(readValues(style, backgroundProperties())));
        }
    }

    /// Objects not anchored in any text: on a page, or to a frame.
    void walkUnanchoredObjects(const Reference<frame::XModel>& document)
    {
        Reference<container::XIndexAccess> page(
            Reference<drawing::XDrawPageSupplier>(document, UNO_QUERY_THROW)->getDrawPage(),
            UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < page->getCount(); ++i)
        {
            Reference<uno::XInterface> object(page->getByIndex(i), UNO_QUERY);
            sal_Int32 anchor = 0;
            Any anchorValue;
            try
            {
                anchorValue = getProperty(object, "AnchorType");
            }
            catch (const uno::Exception& exception)
            {
                SAL_INFO("quillmark.docstore",
                         "a page's object without an anchor is passed over: " << exception.Message);
                continue;
            }
            if (anchorValue.getValueTypeClass() == uno::TypeClass_ENUM)
                anchor = *static_cast<const sal_Int32*>(anchorValue.getValue());
            // Paragraph and character anchors were met in the walk over the texts; a seal
            // picture is still noted wherever it hangs, so none escapes the seals' places.
            constexpr sal_Int32 kAtFrame = 3;
            if (anchor == kAnchorAtPage || anchor == kAtFrame)
                walkObject(object, CoveragePart::Body, 0);
            else
                isLeftOut(object);
        }
    }

    void walkSections(const Reference<frame::XModel>& document)
    {
        Reference<text::XTextSectionsSupplier> supplier(document, UNO_QUERY);
        if (!supplier.is())
            return;
        Reference<container::XNameAccess> sections = supplier->getTextSections();
        if (!sections.is())
            return;
        // By name: the office lists sections in the order it made them, which a reload changes.
        std::vector<OUString> names;
        for (const OUString& name : sections->getElementNames())
            names.push_back(name);
        std::sort(names.begin(), names.end());
        static const Sequence<OUString> properties = propertyNames({ "IsVisible", "Condition" });
        PartDigest& format = part(CoveragePart::Format);
        for (const OUString& name : names)
        {
            Reference<text::XTextContent> section(sections->getByName(name), UNO_QUERY);
            if (!section.is())
                continue;
            format.tag('X');
            format.text(name);
            format.raw(valuesKey(readValues(section, properties)));
            format.text(section->getAnchor()->getString());
        }
    }

    PartDigests finish()
    {
        PartDigests digests;
        for (size_t i = 0; i < kCoveragePartCount; ++i)
            digests[i] = parts[i].finish();
        return digests;
    }

private:
    static const Sequence<OUString>& backgroundProperties()
    {
        static const Sequence<OUString> names = propertyNames({ "BackColor", "BackTransparent" });
        return names;
    }

    PartDigest& part(CoveragePart which) { return parts[static_cast<size_t>(which)]; }

    /// A table of the body is a part of its own; elsewhere a table belongs to what holds it.
    static CoveragePart tablePart(CoveragePart container)
    {
        return container == CoveragePart::Body ? CoveragePart::Tables : container;
    }

    void walkHeaderOrFooter(const Reference<uno::XInterface>& style, bool on, bool shared,
                            bool firstShared, const char* which)
    {
        PartDigest& digest = part(CoveragePart::HeadersFooters);
        digest.tag(on ? '+' : '-');
        if (!on)
            return;
        const OUString kind = ascii(which);
        walkText(getProperty(style,
                             OUStringToOString(kind + "Text", RTL_TEXTENCODING_ASCII_US).getStr()),
                 CoveragePart::HeadersFooters);
        digest.tag(shared ? '=' : 'L');
        if (!shared)
            walkText(getProperty(
                         style,
                         OUStringToOString(kind + "TextLeft", RTL_TEXTENCODING_ASCII_US).getStr()),
                     CoveragePart::HeadersFooters);
        digest.tag(firstShared ? '=' : 'F');
        if (!firstShared)
        {
            try
            {
                walkText(
                    getProperty(
                        style,
                        OUStringToOString(kind + "TextFirst", RTL_TEXTENCODING_ASCII_US).getStr()),
                    CoveragePart::HeadersFooters);
            }
            catch (const beans::UnknownPropertyException& exception)
            {
                SAL_INFO("quillmark.docstore",
                         "a page style without a first page's text: " << exception.Message);
            }
        }
    }

    void walkText(const Any& text, CoveragePart textPart)
    {
        walkText(Reference<uno::XInterface>(text, UNO_QUERY), textPart);
    }

    void walkTable(const Reference<text::XTextTable>& table, CoveragePart container)
    {
        const CoveragePart textPart = tablePart(container);
        PartDigest& digest = part(textPart);
        PartDigest& format = part(CoveragePart::Format);
        const Sequence<OUString> cells = table->getCellNames();
        digest.tag('[');
        digest.number(cells.getLength());
        format.tag('[');
        notePageStyle(getProperty(table, "PageDescName"));
        static const Sequence<OUString> cellProperties
            = propertyNames({ "BackColor", "BackTransparent" });
        for (const OUString& name : cells)
        {
            Reference<uno::XInterface> cell(table->getCellByName(name), UNO_QUERY);
            digest.tag('c');
            digest.text(name);
            format.raw(valuesKey(readValues(cell, cellProperties)));
            walkText(cell, textPart);
        }
        digest.tag(']');
        format.tag(']');
    }

    void notePageStyle(const Any& name)
    {
        OUString style;
        if ((name >>= style) && !style.isEmpty())
            pageStyles.insert(style);
    }

    /// Notes gathered at the end of the document go on pages of a style of their own.
    void notePageStyles(const Reference<frame::XModel>& document)
    {
        Reference<text::XEndnotesSupplier> endnotes(document, UNO_QUERY);
        if (endnotes.is() && endnotes->getEndnotes()->getCount() > 0)
            notePageStyle(getProperty(endnotes->getEndnoteSettings(), "PageStyleName"));
        Reference<text::XFootnotesSupplier> footnotes(document, UNO_QUERY);
        if (!footnotes.is() || footnotes->getFootnotes()->getCount() == 0)
            return;
        bool atEnd = false;
        getProperty(footnotes->getFootnoteSettings(), "PositionEndOfDoc") >>= atEnd;
        if (atEnd)
            notePageStyle(getProperty(footnotes->getFootnoteSettings(), "PageStyleName"));
    }

    void walkParagraph(const Reference<uno::XInterface>& paragraph, CoveragePart textPart)
    {
        const sal_Int64 index = paragraphCount++;
        PartDigest& digest = part(textPart);
        PartDigest& format = part(CoveragePart::Format);
        const Sequence<Any> properties = readValues(paragraph, paragraphProperties());
        notePageStyle(properties[1]);
        OUString label;
        properties[0] >>= label;
        digest.tag('P');
        digest.text(label);
        format.tag('P');
        format.raw(valuesKey(properties, 1));

        rtl::OUStringBuffer text;
        std::vector<std::pair<sal_Int32, std::string>> runs;
        auto flushText = [&]() {
            if (text.isEmpty())
                return;
            digest.tag('T');
            digest.text(text.makeStringAndClear());
        };
        auto addRun = [&](sal_Int32 length, std::string key) {
            if (length <= 0)
                return;
            if (!runs.empty() && runs.back().second == key)
                runs.back().first += length;
            else
                runs.emplace_back(length, std::move(key));
        };

        Reference<container::XEnumerationAccess> access(paragraph, UNO_QUERY);
        Reference<container::XEnumeration> portions
            = access.is() ? access->createEnumeration() : nullptr;
        sal_Int32 offset = 0;
        while (portions.is() && portions->hasMoreElements())
        {
            Reference<uno::XInterface> portion(portions->nextElement(), UNO_QUERY);
            const Sequence<Any> values = readValues(portion, portionProperties());
            OUString type;
            values[0] >>= type;
            if (type == "Text" || type == "ControlCharacter")
            {
                const OUString chunk
                    = Reference<text::XTextRange>(portion, UNO_QUERY_THROW)->getString();
                text.append(chunk);
                addRun(chunk.getLength(), valuesKey(values, 1));
                offset += chunk.getLength();
            }
            else if (type == "TextField")
            {
                flushText();
                const OUString shown
                    = Reference<text::XTextRange>(portion, UNO_QUERY_THROW)->getString();
                walkField(getProperty(portion, "TextField"), shown, digest, format);
                addRun(shown.getLength(), valuesKey(values, 1));
                offset += shown.getLength();
            }
            else if (type == "Footnote")
            {
                flushText();
                const OUString shown
                    = Reference<text::XTextRange>(portion, UNO_QUERY_THROW)->getString();
                Reference<text::XFootnote> note(getProperty(portion, "Footnote"), UNO_QUERY);
                digest.tag('N');
                digest.text(note.is() ? note->getLabel() : OUString());
                addRun(shown.getLength(), valuesKey(values, 1));
                offset += shown.getLength();
                if (note.is())
                {
                    part(CoveragePart::Notes).tag('N');
                    part(CoveragePart::Notes).text(note->getLabel());
                    walkText(note, CoveragePart::Notes);
                }
            }
            else if (type == "Frame")
            {
                flushText();
                walkContents(portion, textPart, index, offset);
            }
            else if (type == "Redline")
            {
                // A change shown as tracked reads as struck through or inserted.
                static const Sequence<OUString> redline
                    = propertyNames({ "RedlineType", "IsStart" });
                format.tag('D');
                format.number(offset);
                format.raw(valuesKey(readValues(portion, redline)));
            }
            // Bookmarks, reference and index marks, comments (the field markers among them),
            // metadata and soft page breaks show nothing of their own.
        }
        flushText();
        for (const auto& [length, key] : runs)
        {
            format.number(length);
            format.raw(key);
        }
        format.tag('p');
        // Objects anchored to the paragraph itself.
        walkContents(paragraph, textPart, index, -1);
    }

    void walkField(const Any& field, const OUString& shown, PartDigest& digest, PartDigest& format)
    {
        Reference<uno::XInterface> object(field, UNO_QUERY);
        const OUString kind = fieldKind(object);
        digest.tag('F');
        digest.text(kind);
        if (!showsLayout(kind, object))
            digest.text(shown);
        if (hidesByCondition(kind))
        {
            format.tag('H');
            format.text(getStringProperty(object, "Condition"));
        }
    }

    void walkContents(const Reference<uno::XInterface>& holder, CoveragePart textPart,
                      sal_Int64 paragraph, sal_Int32 offset)
    {
        Reference<container::XContentEnumerationAccess> access(holder, UNO_QUERY);
        if (!access.is())
            return;
        Reference<container::XEnumeration> contents
            = access->createContentEnumeration(texts::kTextContent);
        while (contents.is() && contents->hasMoreElements())
        {
            Reference<uno::XInterface> object(contents->nextElement(), UNO_QUERY);
            // A seal's picture leaves no trace, not even where it is anchored.
            if (isLeftOut(object))
                continue;
            PartDigest& digest = part(textPart);
            digest.tag('O');
            digest.number(paragraph);
            digest.number(offset);
            walkObject(object, textPart, paragraph);
        }
    }

    bool isLeftOut(const Reference<uno::XInterface>& object)
    {
        if (!object.is() || excluded.count(Reference<uno::XInterface>(object, UNO_QUERY).get()))
            return true;
        if (!isSealPicture(object))
            return false;
        Reference<uno::XInterface> normalised(object, UNO_QUERY);
        if (sealsMet.insert(normalised.get()).second)
            sealPictures.push_back(normalised);
        return true;
    }

    void walkObject(const Reference<uno::XInterface>& object, CoveragePart container,
                    sal_Int64 paragraph)
    {
        if (isLeftOut(object))
            return;
        const ObjectKind kind = kindOf(object);
        const CoveragePart placePart
            = kind == ObjectKind::Frame ? CoveragePart::Frames : CoveragePart::Pictures;
        PartDigest& place = part(placePart);
        place.tag('o');
        place.number(static_cast<sal_Int64>(kind));
        place.number(static_cast<sal_Int64>(container));
        place.number(paragraph);
        Sequence<Any> where = readValues(object, placeProperties());
        sal_Int32 anchor = -1;
        if (where[0].getValueTypeClass() == uno::TypeClass_ENUM)
            anchor = *static_cast<const sal_Int32*>(where[0].getValue());
        if (anchor == kAnchorAsCharacter)
            for (sal_Int32 i = 3; i < 8; ++i)
                where.getArray()[i].clear();
        // Only an object bound to a page has a page of its own: for the others the office answers
        // the page its anchor was last laid out on, which moves with the text before it.
        if (anchor != kAnchorAtPage)
            where.getArray()[1].clear();
        else
            for (sal_Int32 relation : { 4, 7 })
                where.getArray()[relation] <<= pageRelation(where[relation]);
        place.raw(valuesKey(where));
        if (kind == ObjectKind::Frame)
            place.raw(frameSizeKey(object));
        else if (Reference<drawing::XShape> shape{ object, UNO_QUERY }; shape.is())
        {
            // A side that grows with the shape's text is the layout's, which the fonts decide.
            const awt::Size size = shape->getSize();
            static const Sequence<OUString> growing
                = propertyNames({ "TextAutoGrowWidth", "TextAutoGrowHeight" });
            const Sequence<Any> grows = readValues(object, growing);
            bool growsWide = false;
            bool growsTall = false;
            grows[0] >>= growsWide;
            grows[1] >>= growsTall;
            place.number(growsWide ? -1 : size.Width);
            place.number(growsTall ? -1 : size.Height);
        }

        switch (kind)
        {
            case ObjectKind::Frame:
                place.raw(valuesKey(readValues(object, backgroundProperties())));
                walkText(object, CoveragePart::Frames);
                break;
            case ObjectKind::Picture:
                place.raw(valuesKey(readValues(object, pictureProperties())));
                walkGraphic(getProperty(object, "Graphic"), place);
                break;
            case ObjectKind::Embedded:
                walkEmbedded(object, place);
                break;
            case ObjectKind::Drawing:
                walkDrawing(object, place);
                break;
        }
    }

    void walkGraphic(const Any& value, PartDigest& digest)
    {
        feedGraphic(context, Reference<graphic::XGraphic>(value, UNO_QUERY), digest);
    }

    void walkEmbedded(const Reference<uno::XInterface>& object, PartDigest& digest)
    {
        // A formula by its text; anything else by its class and its replacement picture.
        digest.tag('E');
        digest.text(getStringProperty(object, "CLSID"));
        Reference<beans::XPropertySet> model(getProperty(object, "Model"), UNO_QUERY);
        OUString formula;
        try
        {
            if (model.is() && (model->getPropertyValue("Formula") >>= formula))
            {
                digest.tag('f');
                digest.text(formula);
                return;
            }
        }
        catch (const uno::Exception& exception)
        {
            SAL_INFO("quillmark.docstore",
                     "an embedded object without a formula: " << exception.Message);
        }
        walkGraphic(getProperty(object, "Graphic"), digest);
    }

    void walkDrawing(const Reference<uno::XInterface>& object, PartDigest& digest)
    {
        Reference<drawing::XShapeDescriptor> descriptor(object, UNO_QUERY);
        digest.tag('D');
        digest.text(descriptor.is() ? descriptor->getShapeType() : OUString());
        digest.raw(valuesKey(readValues(object, drawingProperties())));
        try
        {
            walkGraphic(getProperty(object, "Graphic"), digest);
        }
        catch (const uno::Exception& exception)
        {
            // A shape without a picture of its own.
            SAL_INFO("quillmark.docstore",
                     "a shape without a picture of its own: " << exception.Message);
        }
        Reference<text::XTextRange> text(object, UNO_QUERY);
        if (text.is())
        {
            PartDigest& words = part(CoveragePart::Frames);
            words.tag('d');
            words.text(text->getString());
        }
    }

    Reference<uno::XComponentContext> context;
    std::array<PartDigest, kCoveragePartCount> parts;
    std::set<OUString> pageStyles;
    std::set<const uno::XInterface*> excluded;
    std::set<const uno::XInterface*> sealsMet;

public:
    /// The seal pictures met and left out, in the order met.
    std::vector<Reference<uno::XInterface>> sealPictures;

private:
    sal_Int64 paragraphCount = 0;
};
}

PartDigests readDocumentCoverage(const Reference<uno::XComponentContext>& context,
                                 const Reference<frame::XModel>& document,
                                 const Reference<uno::XInterface>& leaveOut,
                                 std::vector<Reference<uno::XInterface>>* sealPictures)
{
    CoverageWalk walk(context);
    if (leaveOut.is())
        walk.exclude(leaveOut);
    walk.walkText(Reference<text::XTextDocument>(document, UNO_QUERY_THROW)->getText(),
                  CoveragePart::Body);
    walk.walkUnanchoredObjects(document);
    walk.walkPageStyles(document);
    walk.walkSections(document);
    if (sealPictures)
        sealPictures->insert(sealPictures->end(), walk.sealPictures.begin(),
                             walk.sealPictures.end());
    return walk.finish();
}

PartDigests readRegionCoverage(const Reference<uno::XComponentContext>& context,
                               const Reference<text::XTextRange>& region)
{
    CoverageWalk walk(context);
    walk.walkText(region, CoveragePart::Body);
    return walk.finish();
}

}

namespace quillmark
{
bool layOutWholly(const Reference<frame::XModel>& document)
{
    Reference<beans::XPropertySet> view(document->getCurrentController(), UNO_QUERY);
    if (!view.is())
        return false;
    // Counting the pages makes the office lay out every one of them.
    sal_Int32 pages = 0;
    view->getPropertyValue("PageCount") >>= pages;
    return pages > 0;
}

std::string graphicDigest(const Reference<uno::XComponentContext>& context,
                          const Reference<graphic::XGraphic>& graphic)
{
    PartDigest digest;
    feedGraphic(context, graphic, digest);
    return digest.finish();
}

std::string pictureFileDigest(const Reference<uno::XComponentContext>& context,
                              const Sequence<sal_Int8>& bytes)
{
    const beans::PropertyValue media[] = { beans::PropertyValue(
        "InputStream", 0, Any(io::SequenceInputStream::createStreamFromSequence(context, bytes)),
        beans::PropertyState_DIRECT_VALUE) };
    Reference<graphic::XGraphic> graphic = graphic::GraphicProvider::create(context)->queryGraphic(
        Sequence<beans::PropertyValue>(media, 1));
    return graphic.is() ? graphicDigest(context, graphic) : std::string();
}
}
