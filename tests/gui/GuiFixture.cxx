#include "GuiFixture.hxx"

#include <com/sun/star/accessibility/XAccessibleComponent.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <chrono>
#include <stdlib.h>
#include <thread>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark::test
{
VisibleOffice* GuiTest::visible = nullptr;
std::unique_ptr<TestSeal> GuiTest::seal;
std::string GuiTest::sealFolder;

bool waitFor(const std::function<bool()>& condition, int seconds)
{
    for (int i = 0; i < seconds * 10; ++i)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

Reference<accessibility::XAccessibleContext>
findAccessible(const Reference<accessibility::XAccessible>& root, sal_Int16 role,
               const OUString& name, int depth)
{
    Reference<accessibility::XAccessibleContext> context
        = root.is() ? root->getAccessibleContext() : nullptr;
    if (!context.is())
        return nullptr;
    if (context->getAccessibleRole() == role && context->getAccessibleName() == name)
        return context;
    for (sal_Int32 i = 0; depth > 0 && i < context->getAccessibleChildCount(); ++i)
        if (auto found = findAccessible(context->getAccessibleChild(i), role, name, depth - 1);
            found.is())
            return found;
    return nullptr;
}

void GuiTest::startOffice(const std::vector<int>& displays, bool pinFromFile)
{
    char pattern[] = "/tmp/quillmark-gui-seal-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    sealFolder = pattern;
    seal = std::make_unique<TestSeal>(sealFolder, u8"北京市测试有限公司");
    // The office started next signs with this seal.
    seal->activate();
    if (pinFromFile)
        setenv("KTXESEAL_PIN_FILE", seal->writePinFile().c_str(), 1);
    visible = new VisibleOffice(displays, {});
    unsetenv("KTXESEAL_PIN_FILE");
    visible->office().addToGallery(SEAL_STAMP_AREA_PICTURE);
}

void GuiTest::TearDownTestSuite()
{
    delete visible;
    visible = nullptr;
    seal.reset();
    if (!sealFolder.empty())
        removeTree(sealFolder);
    sealFolder.clear();
}

void GuiTest::clickOn(const Reference<accessibility::XAccessibleContext>& item) const
{
    Reference<accessibility::XAccessibleComponent> place(item, UNO_QUERY_THROW);
    const awt::Point at = place->getLocationOnScreen();
    const awt::Size size = place->getSize();
    visible->run("xdotool mousemove " + std::to_string(at.X + size.Width / 2) + " "
                 + std::to_string(at.Y + size.Height / 2) + " click 1");
}

WriterDocument GuiTest::noticeWithStampingArea(const char* text)
{
    WriterDocument document = WriterDocument::create(office(), OUString::fromUtf8(text));
    document.moveViewCursor(0);
    document.dispatch("quillmark.seal:InsertStampArea");
    Reference<beans::XPropertySet> area = document.textGraphic("gzqy");
    EXPECT_TRUE(area.is()) << "the stamping area is inserted";
    if (area.is())
        document.select(area);
    return document;
}

WriterDocument GuiTest::stampedNotice(const char* text)
{
    WriterDocument document = noticeWithStampingArea(text);
    document.dispatch("quillmark.seal:StampDocument");
    return document;
}

Reference<drawing::XShape> GuiTest::sealShape(WriterDocument& document)
{
    for (const auto& shape : document.drawShapes())
        if (Reference<container::XNamed>(shape, UNO_QUERY_THROW)->getName() == "Stamper")
            return shape;
    return nullptr;
}
}
