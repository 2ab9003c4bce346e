// A right-click on a seal shows the suite's seal menu instead of the office's.

#include <OfficeFixture.hxx>

#include <component/SealContextMenuInterceptor.hxx>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/implbase1.hxx>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
/// A component context whose service manager is gone, as in an office shutting down.
class ContextWithoutServices : public cppu::WeakImplHelper1<uno::XComponentContext>
{
public:
    uno::Any SAL_CALL getValueByName(const OUString&) override { return {}; }
    Reference<lang::XMultiComponentFactory> SAL_CALL getServiceManager() override { return {}; }
};

class ContextMenuTest : public OfficeTest
{
protected:
    /// What the interceptor registered on the document answers to a right-click at (x, y).
    ui::ContextMenuInterceptorAction rightClick(sal_Int32 x = 120, sal_Int32 y = 80)
    {
        ui::ContextMenuExecuteEvent event;
        event.ExecutePosition = awt::Point(x, y);
        event.Selection.set(document.controller, UNO_QUERY_THROW);
        return helper->getMenuInterceptor()->notifyContextMenuExecute(event);
    }
};
}

TEST_F(ContextMenuTest, FieldSealGraphicOpensTheSealMenuAtTheClick)
{
    auto graphic = document.insertTextGraphic(pictureFile("field.gif"), "field");
    quillmark::writeAlternativeText(graphic, "FieldStamper");
    document.select(graphic);
    EXPECT_EQ(ui::ContextMenuInterceptorAction_CANCELLED, rightClick(321, 123));
    const auto& menu = *testContext->popupMenu;
    EXPECT_EQ(1, menu.created);
    EXPECT_EQ((std::vector<std::string>{ "initialize", "execute" }), menu.calls);
    EXPECT_EQ(document.frame, menu.initializedFrame);
    EXPECT_EQ(321, menu.x);
    EXPECT_EQ(123, menu.y);
}

TEST_F(ContextMenuTest, MarksInOtherCaseOrEmptyKeepTheOfficeMenu)
{
    auto graphic = document.insertTextGraphic(pictureFile("field.gif"), "field");
    document.select(graphic);
    EXPECT_EQ(ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED, rightClick());
    quillmark::writeAlternativeText(graphic, "fieldstamper");
    document.select(graphic);
    EXPECT_EQ(ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED, rightClick());
    EXPECT_EQ(0, testContext->popupMenu->created);
}

TEST_F(ContextMenuTest, OneSealAmongSelectedShapesOpensTheMenuOnce)
{
    auto first = document.addRectangleShape(1000, 1000);
    auto second = document.addGraphicShape(pictureFile("plain.gif"), "picture", 4000, 1000);
    auto seal = document.addGraphicShape(pictureFile("seal.gif"), "Stamper", 7000, 1000);
    setUserAttribute(seal, "ShapeType", "Stamper");
    document.selectShapes({ first, second, seal });
    EXPECT_EQ(ui::ContextMenuInterceptorAction_CANCELLED, rightClick());
    EXPECT_EQ(1, testContext->popupMenu->created);
    EXPECT_EQ(1, std::count(testContext->popupMenu->calls.begin(),
                            testContext->popupMenu->calls.end(), "execute"));
}

TEST_F(ContextMenuTest, ShapesWithoutASealMarkKeepTheOfficeMenu)
{
    auto unmarked = document.addGraphicShape(pictureFile("seal.gif"), "Stamper", 1000, 1000);
    document.selectShapes({ unmarked });
    EXPECT_EQ(ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED, rightClick());
    document.insertText(0, "Plain text");
    document.selectText(0, 5);
    EXPECT_EQ(ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED, rightClick());
    EXPECT_EQ(0, testContext->popupMenu->created);
}

TEST_F(ContextMenuTest, MissingMenuServiceKeepsTheOfficeMenu)
{
    testContext->removeService("Quillmark.UITools.RCPopupMenu");
    auto graphic = document.insertTextGraphic(pictureFile("field.gif"), "field");
    quillmark::writeAlternativeText(graphic, "Stamper");
    document.select(graphic);
    EXPECT_EQ(ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED, rightClick());
}

TEST_F(ContextMenuTest, WithoutModelOrServicesTheOfficeMenuOpens)
{
    auto graphic = document.insertTextGraphic(pictureFile("field.gif"), "field");
    quillmark::writeAlternativeText(graphic, "FieldStamper");
    document.select(graphic);
    ui::ContextMenuExecuteEvent event;
    event.ExecutePosition = awt::Point(10, 10);
    event.Selection.set(document.controller, UNO_QUERY_THROW);

    const Reference<uno::XComponentContext> context = testContext->context();
    const Reference<uno::XComponentContext> noServices = new ContextWithoutServices;
    const std::pair<Reference<frame::XModel>, Reference<uno::XComponentContext>> halves[]
        = { { nullptr, context }, { document.model, nullptr }, { document.model, noServices } };
    for (const auto& [model, componentContext] : halves)
    {
        rtl::Reference<quillmark::SealContextMenuInterceptor> interceptor
            = new quillmark::SealContextMenuInterceptor(model, componentContext);
        EXPECT_EQ(ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED,
                  interceptor->notifyContextMenuExecute(event));
    }
    EXPECT_EQ(0, testContext->popupMenu->created);
}
