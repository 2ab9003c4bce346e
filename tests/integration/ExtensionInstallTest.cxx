// The packed extension installs into an office with unopkg; the office then serves the seal
// helper and the seal UI services.

#include <Office.hxx>
#include <Sequences.hxx>
#include <WriterDocument.hxx>

#include <Quillmark/Certificate/XQORVTools.hpp>
#include <Quillmark/Certificate/XSealCoverage.hpp>
#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <Quillmark/UITools/XRightClickPopupMenu.hpp>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/lang/WrappedTargetRuntimeException.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/lang/XTypeProvider.hpp>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace
{
class ExtensionInstall : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/quillmark-shared-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        shared = pattern;
        const std::string command = quillmark::office::unopkgCommand({ "add", SEAL_OXT }, shared)
                                    + " >" + quillmark::office::shellQuoted(shared + "/unopkg.log")
                                    + " 2>&1";
        ASSERT_EQ(0, std::system(command.c_str())) << command;

        Office::Options options;
        options.arguments = quillmark::office::sharedPackages(shared);
        options.componentTypes = false;
        office = new Office(options);
        office->start();
    }

    static void TearDownTestSuite()
    {
        delete office;
        office = nullptr;
        removeTree(shared);
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, office);
        document = WriterDocument::create(*office, "Installed");
    }

    /// A service made by the office, initialised with the document's frame.
    Reference<uno::XInterface> service(const char* name)
    {
        Reference<uno::XInterface> made = office->serviceManager()->createInstanceWithContext(
            OUString::createFromAscii(name), office->context());
        if (made.is())
            Reference<lang::XInitialization>(made, UNO_QUERY)
                ->initialize(sequenceOf({ Any(document.frame) }));
        return made;
    }

    static std::string shared;
    static Office* office;
    WriterDocument document;
};

std::string ExtensionInstall::shared;
Office* ExtensionInstall::office = nullptr;
}

TEST_F(ExtensionInstall, OfficeServesTheSealHelper)
{
    Reference<uno::XInterface> made = service("Quillmark.Certificate.QORVHelper");
    ASSERT_TRUE(made.is()) << "the office knows the service once the extension is installed";

    Reference<lang::XServiceInfo> info(made, UNO_QUERY);
    ASSERT_TRUE(info.is());
    EXPECT_EQ(OUString("Quillmark.Implementations.Certificate.QORVHelper"),
              info->getImplementationName());
    EXPECT_TRUE(info->supportsService("Quillmark.Certificate.QORVHelper"));

    Reference<Quillmark::Certificate::XQORVTools> tools(made, UNO_QUERY);
    ASSERT_TRUE(tools.is());
    EXPECT_EQ(-1, tools->getSelectedStampType()) << "plain text is selected";

    const Sequence<uno::Type> types = Reference<lang::XTypeProvider>(made, UNO_QUERY)->getTypes();
    // The tools interface first, as callers expect; the seal survey and the coverage for callers
    // elsewhere.
    ASSERT_EQ(8, types.getLength());
    EXPECT_EQ(OUString("Quillmark.Certificate.XQORVTools"), types[0].getTypeName());
    EXPECT_TRUE(Reference<Quillmark::Certificate::XSealSurvey>(made, UNO_QUERY).is());
    EXPECT_TRUE(Reference<Quillmark::Certificate::XSealCoverage>(made, UNO_QUERY).is());
}

TEST_F(ExtensionInstall, StampingAreaComesFromTheExtensionWithNoManualStep)
{
    // The fresh profile's graphic folder holds no placeholder picture.
    Reference<Quillmark::Certificate::XQORVTools> tools(service("Quillmark.Certificate.QORVHelper"),
                                                        UNO_QUERY);
    ASSERT_TRUE(tools.is());
    ASSERT_TRUE(tools->insertStampArea());
    EXPECT_EQ(1, tools->getSelectedStampType()) << "the new area is selected";
    Reference<beans::XPropertySet> area(
        Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
            ->getGraphicObjects()
            ->getByName("gzqy"),
        UNO_QUERY_THROW);
    awt::Size size;
    area->getPropertyValue("ActualSize") >>= size;
    EXPECT_GT(size.Width, 1000) << "the placeholder shows its picture";
}

TEST_F(ExtensionInstall, OfficeExceptionReachesACallerInAnotherProcessAndTheOfficeLivesOn)
{
    // An input field has a "Content" but no "Author": reading a field signature from it fails
    // with the office's UnknownPropertyException, which no operation of the interface declares.
    Reference<beans::XPropertySet> field(
        Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW)
            ->createInstance("com.sun.star.text.textfield.Input"),
        UNO_QUERY_THROW);
    field->setPropertyValue("Content", Any(OUString("contract__@*Start@")));
    Reference<text::XText> body = document.textDocument()->getText();
    body->insertTextContent(body->getEnd(), Reference<text::XTextContent>(field, UNO_QUERY_THROW),
                            false);

    Reference<Quillmark::Certificate::XQORVTools> tools(service("Quillmark.Certificate.QORVHelper"),
                                                        UNO_QUERY);
    ASSERT_TRUE(tools.is());
    try
    {
        tools->getFieldSignature("contract");
        ADD_FAILURE() << "the missing property is not reported";
    }
    catch (const lang::WrappedTargetRuntimeException& wrapped)
    {
        EXPECT_TRUE(wrapped.TargetException.isExtractableTo(
            cppu::UnoType<beans::UnknownPropertyException>::get()));
    }
    EXPECT_EQ(-1, tools->getSelectedStampType()) << "the office still answers";
}

TEST_F(ExtensionInstall, CertificateBoxKeepsWhatItWasGivenWhenClosedWithoutConfirming)
{
    // A headless office closes every dialog at once, as a user cancelling it would.
    Reference<Quillmark::UITools::XCertInfoBox> box(service("Quillmark.UITools.CertInfoBox"),
                                                    UNO_QUERY);
    ASSERT_TRUE(box.is());
    util::URL picture;
    picture.Complete = "file:///nonexistent/ktx.gif";
    box->setPictureURL(picture);
    box->setMessage(OUString::fromUtf8(u8"文档未被修改，印章有效！"));
    Sequence<OUString> details(18);
    details.getArray()[0] = "3";
    box->setCertInfo(details);
    box->setModified(false);
    box->setPostil(OUString::fromUtf8(u8"已审核"));
    box->execute();
    EXPECT_FALSE(box->getResult());
    EXPECT_EQ(OUString::fromUtf8(u8"已审核"), box->getPostil());

    EXPECT_FALSE(box->executePinDialog());
    EXPECT_TRUE(box->getPin().isEmpty());
}

TEST_F(ExtensionInstall, SealMenuIsServed)
{
    // The menu itself waits for a person even in a headless office; without a frame it has
    // nowhere to open and returns.
    Reference<uno::XInterface> made = office->serviceManager()->createInstanceWithContext(
        "Quillmark.UITools.RCPopupMenu", office->context());
    Reference<Quillmark::UITools::XRightClickPopupMenu> menu(made, UNO_QUERY);
    ASSERT_TRUE(menu.is());
    EXPECT_TRUE(Reference<lang::XServiceInfo>(made, UNO_QUERY)
                    ->supportsService("Quillmark.UITools.RCPopupMenu"));
    EXPECT_NO_THROW(menu->execute(20, 20));
    EXPECT_EQ(OUString("Installed"), document.text());
}
