/// A document with a marked region, a seal of the test's own, and what a test of field seals reads
/// back from the document.
#pragma once

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/drawing/ColorMode.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/implbase1.hxx>
#include <osl/file.hxx>

#include <atomic>
#include <chrono>
#include <thread>

namespace quillmark::test
{
/// The two markers of a field as the caller inserted them.
struct FieldMarkers
{
    css::uno::Reference<css::text::XTextContent> start;
    css::uno::Reference<css::text::XTextContent> end;
};

/// Counts the selection changes the office reports.
class SelectionCounter : public cppu::WeakImplHelper1<css::view::XSelectionChangeListener>
{
public:
    std::atomic<int> count{ 0 };
    void SAL_CALL selectionChanged(const css::lang::EventObject&) override { ++count; }
    void SAL_CALL disposing(const css::lang::EventObject&) override {}
};

/// The office reports selection changes later, from a thread of its own: waits until `counter`
/// has heard at least `least` of them and then nothing for a while.
inline void waitForQuiet(const SelectionCounter& counter, int least)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + seconds(10);
    int heard = counter.count;
    auto quietSince = steady_clock::now();
    while (steady_clock::now() < deadline)
    {
        std::this_thread::sleep_for(milliseconds(20));
        if (counter.count != heard)
        {
            heard = counter.count;
            quietSince = steady_clock::now();
        }
        else if (heard >= least && steady_clock::now() - quietSince > milliseconds(300))
            return;
    }
}

class FieldSealTest : public OfficeTest
{
protected:
    /// 前言。[甲方同意按合同付款。]后记。 with the bracketed part as the field "contract".
    static OUString body() { return OUString::fromUtf8(u8"前言。甲方同意按合同付款。后记。"); }
    static constexpr sal_Int32 kRegionStart = 3;
    static constexpr sal_Int32 kRegionEnd = 13;
    /// Offsets once the two markers are in (each takes one position).
    static constexpr sal_Int32 kInsideRegion = 6;
    static constexpr sal_Int32 kAfterRegion = 16;

    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-field", u8"测试合同专用章");
        return made;
    }

    void SetUp() override
    {
        OfficeTest::SetUp();
        seal().activate();
        document.insertText(0, body());
        contract = markField("contract", kRegionStart, kRegionEnd);
    }

    /// Marks characters [from, to) of the body as the field `name`, as a caller does.
    FieldMarkers markField(const OUString& name, sal_Int32 from, sal_Int32 to)
    {
        FieldMarkers markers;
        // The end goes in first so that the start marker does not shift its offset.
        markers.end = document.insertAnnotation(to, name + "__@*End@");
        markers.start = document.insertAnnotation(from, name + "__@*Start@");
        return markers;
    }

    css::uno::Reference<css::container::XNameAccess> textGraphics() const
    {
        return css::uno::Reference<css::text::XTextGraphicObjectsSupplier>(
                   document.model, css::uno::UNO_QUERY_THROW)
            ->getGraphicObjects();
    }
    bool hasFieldSeal(const OUString& name) const { return textGraphics()->hasByName(name); }
    sal_Int32 textGraphicCount() const { return textGraphics()->getElementNames().getLength(); }

    /// Selects as a user clicking it would. The office tells a listening helper later, from a
    /// thread of its own, and the helper then reads the selection: this waits until it has.
    void select(const css::uno::Reference<css::uno::XInterface>& object)
    {
        css::uno::Reference<css::view::XSelectionSupplier> supplier(document.controller,
                                                                    css::uno::UNO_QUERY_THROW);
        // Listeners hear a change in the order they came: the counter, last, hears it last.
        rtl::Reference<SelectionCounter> counter = new SelectionCounter;
        supplier->addSelectionChangeListener(counter.get());
        document.select(object);
        waitForQuiet(*counter, 1);
        supplier->removeSelectionChangeListener(counter.get());
    }
    void selectFieldSeal(const OUString& name) { select(document.textGraphic(name)); }

    static css::drawing::ColorMode
    colorMode(const css::uno::Reference<css::beans::XPropertySet>& graphic)
    {
        css::drawing::ColorMode mode = css::drawing::ColorMode_STANDARD;
        graphic->getPropertyValue("GraphicColorMode") >>= mode;
        return mode;
    }

    /// Replaces one character of the body, as a user typing over it.
    void changeCharacter(sal_Int32 position)
    {
        document.removeText(position, 1);
        document.insertText(position, "X");
    }

    /// The text fields whose Content is `content`, in the order the document lists them.
    std::vector<css::uno::Reference<css::text::XTextContent>>
    fieldsWithContent(const OUString& content)
    {
        std::vector<css::uno::Reference<css::text::XTextContent>> found;
        auto fields = css::uno::Reference<css::text::XTextFieldsSupplier>(document.model,
                                                                          css::uno::UNO_QUERY_THROW)
                          ->getTextFields()
                          ->createEnumeration();
        while (fields->hasMoreElements())
        {
            css::uno::Reference<css::beans::XPropertySet> field(fields->nextElement(),
                                                                css::uno::UNO_QUERY_THROW);
            OUString fieldContent;
            field->getPropertyValue("Content") >>= fieldContent;
            if (fieldContent == content)
                found.emplace_back(field, css::uno::UNO_QUERY_THROW);
        }
        return found;
    }

    static OUString authorOf(const css::uno::Reference<css::text::XTextContent>& marker)
    {
        OUString author;
        css::uno::Reference<css::beans::XPropertySet>(marker, css::uno::UNO_QUERY_THROW)
            ->getPropertyValue("Author")
            >>= author;
        return author;
    }

    /// Where the view shows the range, as the view cursor reports it.
    css::awt::Point viewPosition(const css::uno::Reference<css::text::XTextRange>& range)
    {
        auto cursor = document.viewCursor();
        cursor->gotoRange(range, false);
        return cursor->getPosition();
    }

    static bool fileExists(const OUString& url)
    {
        osl::DirectoryItem item;
        return osl::DirectoryItem::get(url, item) == osl::FileBase::E_None;
    }

    using Shown = std::vector<std::pair<std::string, std::string>>;
    /// Title and text of each message shown since the last call.
    Shown shownTexts()
    {
        Shown texts;
        for (const ShownMessage& message : messages())
            texts.emplace_back(utf8(message.title), utf8(message.text));
        return texts;
    }

    FieldMarkers contract;
};
}
