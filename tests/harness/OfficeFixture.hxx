/// The fixture of every test that needs the office: a fresh visible Writer document and a helper
/// object initialised with its frame, whose toolkit and suite UI services are recording fakes.
#pragma once

#include "Fakes.hxx"
#include <Office.hxx>
#include "WriterDocument.hxx"

#include <component/QORVHelper.hxx>
#include <gtest/gtest.h>
#include <rtl/ref.hxx>

namespace quillmark::test
{
class OfficeTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    /// A helper made from the test context, initialised with `frame` when one is given.
    rtl::Reference<QORVHelper> makeHelper(const css::uno::Reference<css::frame::XFrame>& frame
                                          = {});
    /// Opens `text` in a new document and points the helper at it.
    void useDocument(const OUString& text);
    /// Messages shown since the last call.
    std::vector<ShownMessage> messages() { return testContext->messages->taken(); }

    Office& office() { return Office::shared(); }
    /// A file in the office's work folder.
    std::string workFile(const std::string& name) { return office().workDirectory() + "/" + name; }
    /// Puts the stamping-area picture where the office's graphic path points.
    void installStampAreaPicture();
    /// A GIF of the given size in the work folder.
    std::string pictureFile(const std::string& name, int width = 100, int height = 50);

    std::unique_ptr<TestContext> testContext;
    WriterDocument document;
    rtl::Reference<QORVHelper> helper;
};

void copyFile(const std::string& from, const std::string& to);

/// Text as UTF-8, for readable failure output.
std::string utf8(const OUString& text);
}
