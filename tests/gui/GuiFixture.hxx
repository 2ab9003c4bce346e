/// What every GUI test shares: a visible office with the packed extension installed, on a
/// virtual display of its own, signing with a test seal of its own; and the moves a person makes
/// in it, made the same way by every test.
#pragma once

#include "VisibleOffice.hxx"

#include <TestSeal.hxx>
#include <WriterDocument.hxx>

#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quillmark::test
{
/// True as soon as `condition` holds; false when it still does not after `seconds`.
bool waitFor(const std::function<bool()>& condition, int seconds = 10);

/// The first accessible at most `depth` levels below `root` (itself included) of that role and
/// name.
css::uno::Reference<css::accessibility::XAccessibleContext>
findAccessible(const css::uno::Reference<css::accessibility::XAccessible>& root, sal_Int16 role,
               const OUString& name, int depth);

class GuiTest : public ::testing::Test
{
protected:
    /// For a suite's SetUpTestSuite: makes the suite's seal, starts the office on the first free
    /// display of `displays` (the office inherits where the seal is from this process) and puts
    /// the stamping-area picture into its gallery. With `pinFromFile` the office reads the seal's
    /// PIN from a file, as programs do; otherwise it asks in the PIN box, where a test types it.
    static void startOffice(const std::vector<int>& displays, bool pinFromFile);
    static void TearDownTestSuite();
    void SetUp() override { ASSERT_NE(nullptr, visible); }

    Office& office() { return visible->office(); }

    /// Clicks the middle of what `item` shows on the screen.
    void clickOn(const css::uno::Reference<css::accessibility::XAccessibleContext>& item) const;

    /// A new document holding `text` with a stamping area put in at the start and selected.
    WriterDocument noticeWithStampingArea(const char* text);
    /// The same, stamped through the seal commands (by an office that reads the PIN from a
    /// file).
    WriterDocument stampedNotice(const char* text);

    /// The document's seal picture, or none.
    static css::uno::Reference<css::drawing::XShape> sealShape(WriterDocument& document);

    static VisibleOffice* visible;

private:
    static std::unique_ptr<TestSeal> seal;
    static std::string sealFolder;
};
}
