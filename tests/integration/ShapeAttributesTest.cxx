// The marks that make a picture a seal, kept in its user-defined attributes.

#include <OfficeFixture.hxx>

#include <format/ShapeAttributes.hxx>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
class ShapeAttributesTest : public OfficeTest
{
protected:
    Reference<beans::XPropertySet> sealShape()
    {
        return Reference<beans::XPropertySet>(
            document.addGraphicShape(pictureFile("seal.gif"), "Stamper"), UNO_QUERY_THROW);
    }
};
}

TEST_F(ShapeAttributesTest, WritingTheShapeTypeTwiceLeavesOneCdataAttribute)
{
    auto shape = sealShape();
    helper->setShapeType(shape, "Stamper");
    helper->setShapeType(shape, "Stamper");
    const Attribute stored = userAttribute(shape, "ShapeType");
    EXPECT_TRUE(stored.present);
    EXPECT_EQ(OUString("Stamper"), stored.value);
    EXPECT_EQ(OUString("CDATA"), stored.type);
    EXPECT_TRUE(stored.nameSpace.isEmpty());
    EXPECT_EQ(1, userAttributeCount(shape));
    EXPECT_EQ(OUString("Stamper"), quillmark::getShapeType(shape));
    EXPECT_TRUE(messages().empty());
}

TEST_F(ShapeAttributesTest, WritingTheShapeTypeKeepsOtherAttributes)
{
    auto shape = sealShape();
    setUserAttribute(shape, "StamperName", "SEAL");
    helper->setShapeType(shape, "FieldStamper");
    helper->setShapeType(shape, "Stamper");
    EXPECT_EQ(2, userAttributeCount(shape));
    EXPECT_EQ(OUString("SEAL"), quillmark::getStamperName(shape));
    EXPECT_EQ(OUString("Stamper"), quillmark::getShapeType(shape));
}

TEST_F(ShapeAttributesTest, MissingAttributesReadAsEmptyAndOtherTypesStillRead)
{
    auto shape = sealShape();
    EXPECT_TRUE(quillmark::getShapeType(shape).isEmpty());
    EXPECT_TRUE(quillmark::getStamperName(shape).isEmpty());
    setUserAttribute(shape, "ShapeType", "FieldStamper", "NMTOKEN");
    EXPECT_EQ(OUString("FieldStamper"), quillmark::getShapeType(shape));
}

TEST_F(ShapeAttributesTest, TextGraphicsCarryTheMarkToo)
{
    auto graphic = document.insertTextGraphic(pictureFile("field.gif"), "field");
    helper->setShapeType(graphic, "FieldStamper");
    EXPECT_EQ(OUString("FieldStamper"), quillmark::getShapeType(graphic));
    quillmark::writeAlternativeText(graphic, "FieldStamper");
    EXPECT_EQ(OUString("FieldStamper"), quillmark::readAlternativeText(graphic));
}

TEST_F(ShapeAttributesTest, ObjectWithoutAttributesIsReportedAndNotACrash)
{
    // A text field has no user-defined attributes: the read itself fails with the office's
    // exception, as it reaches the caller.
    auto annotation = document.insertAnnotation(0, "note");
    Reference<beans::XPropertySet> properties(annotation, UNO_QUERY_THROW);
    EXPECT_THROW(helper->setShapeType(properties, "Stamper"), beans::UnknownPropertyException);
    EXPECT_THROW(quillmark::getShapeType(properties), beans::UnknownPropertyException);
}

TEST_F(ShapeAttributesTest, AttributesSurviveSaveAndReload)
{
    auto shape = sealShape();
    setUserAttribute(shape, "StamperName", OUString::fromUtf8(u8"测试单位公章"));
    helper->setShapeType(shape, "Stamper");
    auto graphic = document.insertTextGraphic(pictureFile("field.gif"), "field");
    helper->setShapeType(graphic, "FieldStamper");
    quillmark::writeAlternativeText(graphic, "FieldStamper");

    document.saveAndReload(office(), "attributes.odt");
    bool foundShape = false;
    for (const auto& each : document.drawShapes())
    {
        Reference<beans::XPropertySet> properties(each, UNO_QUERY_THROW);
        if (quillmark::getStamperName(properties) != OUString::fromUtf8(u8"测试单位公章"))
            continue;
        foundShape = true;
        EXPECT_EQ(OUString("Stamper"), quillmark::getShapeType(properties));
        EXPECT_EQ(OUString("CDATA"), userAttribute(properties, "ShapeType").type);
    }
    EXPECT_TRUE(foundShape);
    Reference<beans::XPropertySet> reloaded = document.textGraphic("field");
    EXPECT_EQ(OUString("FieldStamper"), quillmark::getShapeType(reloaded));
    EXPECT_EQ(OUString("FieldStamper"), quillmark::readAlternativeText(reloaded));
}
