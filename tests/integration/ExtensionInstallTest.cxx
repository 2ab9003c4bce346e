// The packed extension installs into an office with unopkg, and the office then makes the helper.

#include <Office.hxx>
#include <Sequences.hxx>
#include <WriterDocument.hxx>

#include <Quillmark/Certificate/XQORVTools.hpp>
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
using rtl::OUString;

namespace
{
std::string quoted(const std::string& text) { return "'" + text + "'"; }
}

TEST(ExtensionInstall, InstalledExtensionServesTheHelperInTheOffice)
{
    char pattern[] = "/tmp/quillmark-shared-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string shared = pattern;
    const std::string packages = "-env:UNO_SHARED_PACKAGES=" + fileUrl(shared);
    const std::string cache = "-env:UNO_SHARED_PACKAGES_CACHE=" + fileUrl(shared + "/cache");
    const std::string profile = "-env:UserInstallation=" + fileUrl(shared + "/unopkg-profile");

    const std::string command = "/usr/lib/libreoffice/program/unopkg add --shared "
                                + quoted(SEAL_OXT) + " " + quoted(packages) + " "
                                + quoted(cache) + " " + quoted(profile) + " >"
                                + quoted(shared + "/unopkg.log") + " 2>&1";
    ASSERT_EQ(0, std::system(command.c_str())) << command;

    Office::Options options;
    options.arguments = { packages, cache };
    options.componentTypes = false;
    Office office(options);
    office.start();
    {
        WriterDocument document = WriterDocument::create(office, "Installed");
        Reference<uno::XInterface> made = office.serviceManager()->createInstanceWithContext(
            "Quillmark.Certificate.QORVHelper", office.context());
        ASSERT_TRUE(made.is()) << "the office knows the service once the extension is installed";

        Reference<lang::XInitialization>(made, UNO_QUERY)
            ->initialize(sequenceOf({ Any(document.frame) }));

        Reference<lang::XServiceInfo> info(made, UNO_QUERY);
        ASSERT_TRUE(info.is());
        EXPECT_EQ(OUString("Quillmark.Implementations.Certificate.QORVHelper"),
                  info->getImplementationName());
        EXPECT_TRUE(info->supportsService("Quillmark.Certificate.QORVHelper"));

        Reference<Quillmark::Certificate::XQORVTools> tools(made, UNO_QUERY);
        ASSERT_TRUE(tools.is());
        EXPECT_EQ(-1, tools->getSelectedStampType()) << "plain text is selected";

        const Sequence<uno::Type> types = Reference<lang::XTypeProvider>(made, UNO_QUERY)->getTypes();
        ASSERT_EQ(6, types.getLength());
        EXPECT_EQ(OUString("Quillmark.Certificate.XQORVTools"), types[0].getTypeName());
    }
    office.stop();
    removeTree(shared);
}
